#include "graphics/x11/X11Dialogs.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace X11Dialogs
{
namespace
{
constexpr size_t kMaxOutput = 64 * 1024;
constexpr int kUrlWaitMilliseconds = 2000;
constexpr int kUrlPollMilliseconds = 20;

std::string Text(const char* text) { return text ? text : ""; }

int Digit(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Children of OpenUrl still running when it answered; reaped by later calls.
std::mutex gLaunchedMutex;
std::vector<pid_t> gLaunched;

void ReapLaunched()
{
  std::lock_guard<std::mutex> lock(gLaunchedMutex);
  gLaunched.erase(std::remove_if(gLaunched.begin(), gLaunched.end(),
                                 [](pid_t pid)
                                 {
                                   int status = 0;
                                   return waitpid(pid, &status, WNOHANG) != 0;
                                 }),
                  gLaunched.end());
}

// Starts argv with stdin from /dev/null and stdout into a pipe (when wanted); the child's pid
// or -1.
pid_t Spawn(const std::vector<std::string>& argv, int* outputFd)
{
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  if (outputFd && pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (outputFd) posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (outputFd)
  {
    close(pipeFds[1]);
    if (result != 0)
      close(pipeFds[0]);
    else
      *outputFd = pipeFds[0];
  }
  return result == 0 ? pid : -1;
}

int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
} // namespace

bool OnPath(const char* program)
{
  const char* path = std::getenv("PATH");
  if (!program || !*program || !path) return false;
  const std::string list(path);
  size_t start = 0;
  while (start <= list.size())
  {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string folder = list.substr(start, end - start);
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

Tool FindTool()
{
  if (OnPath("zenity")) return Tool::kZenity;
  if (OnPath("kdialog")) return Tool::kKdialog;
  return Tool::kNone;
}

int Run(const std::vector<std::string>& argv, std::string* output)
{
  int fd = -1;
  const pid_t pid = Spawn(argv, &fd);
  if (pid < 0) return -1;
  char buffer[4096];
  for (;;)
  {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (output && output->size() < kMaxOutput)
      output->append(buffer, std::min(static_cast<size_t>(n), kMaxOutput - output->size()));
  }
  close(fd);
  int status = 0;
  pid_t waited;
  do waited = waitpid(pid, &status, 0);
  while (waited < 0 && errno == EINTR);
  return waited == pid ? ExitStatus(status) : -1;
}

std::vector<std::string> AlertArguments(Tool tool, const char* text, const char* caption, int type)
{
  const int buttons = type & 0xF;
  const int icon = type & 0xF0;
  std::vector<std::string> args;
  if (tool == Tool::kZenity)
  {
    args = {"zenity"};
    if (buttons == kOk)
      args.push_back(icon == kIconError     ? "--error"
                     : icon == kIconWarning ? "--warning"
                                            : "--info");
    else
      args.push_back("--question");
    args.push_back("--no-markup");
    args.push_back("--title=" + Text(caption));
    args.push_back("--text=" + Text(text));
    switch (buttons)
    {
    case kOkCancel: args.insert(args.end(), {"--ok-label=OK", "--cancel-label=Cancel"}); break;
    case kYesNoCancel: args.push_back("--extra-button=Cancel"); break;
    case kRetryCancel:
      args.insert(args.end(), {"--ok-label=Retry", "--cancel-label=Cancel"});
      break;
    case kAbortRetryIgnore:
      args.insert(args.end(),
                  {"--ok-label=Retry", "--cancel-label=Abort", "--extra-button=Ignore"});
      break;
    default: break;
    }
  }
  else if (tool == Tool::kKdialog)
  {
    args = {"kdialog", "--title", Text(caption)};
    switch (buttons)
    {
    case kOkCancel:
      args.insert(args.end(), {"--warningcontinuecancel", Text(text), "--continue-label", "OK"});
      break;
    case kYesNo: args.insert(args.end(), {"--yesno", Text(text)}); break;
    case kYesNoCancel: args.insert(args.end(), {"--yesnocancel", Text(text)}); break;
    case kRetryCancel:
      args.insert(args.end(),
                  {"--yesno", Text(text), "--yes-label", "Retry", "--no-label", "Cancel"});
      break;
    case kAbortRetryIgnore:
      args.insert(args.end(), {"--yesnocancel", Text(text), "--yes-label", "Retry", "--no-label",
                               "Ignore", "--cancel-label", "Abort"});
      break;
    default:
      args.insert(args.end(), {icon == kIconError ? "--error" : "--msgbox", Text(text)});
      break;
    }
  }
  return args;
}

int AlertAnswer(Tool tool, int type, int status, const std::string& output)
{
  if (tool == Tool::kNone || status < 0) return kAnswerNone;
  const bool first = status == 0;
  const bool extra =
      tool == Tool::kZenity ? output.find_first_not_of("\n") != std::string::npos : status == 2;
  switch (type & 0xF)
  {
  case kOkCancel: return first ? kAnswerOk : kAnswerCancel;
  case kYesNo: return first ? kAnswerYes : kAnswerNo;
  case kYesNoCancel: return first ? kAnswerYes : extra ? kAnswerCancel : kAnswerNo;
  case kRetryCancel: return first ? kAnswerRetry : kAnswerCancel;
  case kAbortRetryIgnore:
    if (first) return kAnswerRetry;
    if (tool == Tool::kZenity) return extra ? kAnswerIgnore : kAnswerAbort;
    return status == 1 ? kAnswerIgnore : kAnswerAbort;
  default: return kAnswerOk;
  }
}

std::vector<std::string> FileArguments(Tool tool, bool save, const std::string& path,
                                       const std::string& folder, const std::string& pattern)
{
  std::string start = folder;
  if (!start.empty() && start.back() != '/') start += '/';
  start += path;
  std::string patterns = pattern;
  std::replace(patterns.begin(), patterns.end(), ';', ' ');
  std::vector<std::string> args;
  if (tool == Tool::kZenity)
  {
    args = {"zenity", "--file-selection"};
    if (save) args.insert(args.end(), {"--save", "--confirm-overwrite"});
    if (!start.empty()) args.push_back("--filename=" + start);
    if (!pattern.empty()) args.push_back("--file-filter=" + pattern + " | " + patterns);
  }
  else if (tool == Tool::kKdialog)
  {
    args = {"kdialog", save ? "--getsavefilename" : "--getopenfilename",
            start.empty() ? std::string(".") : start};
    if (!pattern.empty()) args.push_back(patterns + "|" + pattern);
  }
  return args;
}

std::string ChosenPath(const std::string& output)
{
  const std::string line = output.substr(0, output.find('\n'));
  return line;
}

std::vector<std::string> ColourArguments(Tool tool, const IColor& colour, const char* prompt)
{
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02x%02x%02x", colour.R & 0xFF, colour.G & 0xFF,
                colour.B & 0xFF);
  std::vector<std::string> args;
  if (tool == Tool::kZenity)
  {
    args = {"zenity", "--color-selection", std::string("--color=") + hex};
    if (prompt && *prompt) args.push_back("--title=" + Text(prompt));
  }
  else if (tool == Tool::kKdialog)
  {
    args = {"kdialog", "--getcolor", "--default", hex};
    if (prompt && *prompt) args.insert(args.end(), {"--title", Text(prompt)});
  }
  return args;
}

bool ParseColour(const std::string& output, IColor& colour)
{
  const std::string text = output.substr(0, output.find('\n'));
  if (text.size() == 7 && text[0] == '#')
  {
    int value[6];
    for (int i = 0; i < 6; ++i)
      if ((value[i] = Digit(text[static_cast<size_t>(i) + 1])) < 0) return false;
    colour.R = value[0] * 16 + value[1];
    colour.G = value[2] * 16 + value[3];
    colour.B = value[4] * 16 + value[5];
    return true;
  }
  int r = -1, g = -1, b = -1;
  double a = 0.0;
  char end = 0;
  const bool rgb = std::sscanf(text.c_str(), "rgb(%d,%d,%d%c", &r, &g, &b, &end) == 4;
  const bool rgba =
      !rgb && std::sscanf(text.c_str(), "rgba(%d,%d,%d,%lf%c", &r, &g, &b, &a, &end) == 5;
  if ((!rgb && !rgba) || end != ')') return false;
  if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
  colour.R = r;
  colour.G = g;
  colour.B = b;
  return true;
}

bool IsLaunchableUrl(const char* url)
{
  if (!url) return false;
  for (const char* scheme : {"http://", "https://", "mailto:"})
    if (strncasecmp(url, scheme, std::strlen(scheme)) == 0 && url[std::strlen(scheme)] != '\0')
      return std::strpbrk(url, "\n\r") == nullptr;
  return false;
}

bool OpenUrl(const char* url)
{
  ReapLaunched();
  if (!IsLaunchableUrl(url)) return false;
  const pid_t pid = Spawn({"xdg-open", url}, nullptr);
  if (pid < 0) return false;
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(kUrlWaitMilliseconds);
  while (Clock::now() < until)
  {
    int status = 0;
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) return ExitStatus(status) == 0;
    if (waited < 0 && errno != EINTR) return false;
    poll(nullptr, 0, kUrlPollMilliseconds);
  }
  std::lock_guard<std::mutex> lock(gLaunchedMutex);
  gLaunched.push_back(pid);
  return true;
}
} // namespace X11Dialogs
