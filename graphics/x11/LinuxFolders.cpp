#include "graphics/x11/LinuxFolders.h"

#include "graphics/IDialogText.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace LinuxFolders
{
namespace
{
std::string Limited(const std::string& path) { return path.size() > kMaxLength ? "" : path; }

std::string Env(const char* name)
{
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Home() { return Env("HOME"); }
} // namespace

std::string HostFolder()
{
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  return Limited(FolderOfPath(std::string(path, static_cast<size_t>(n)), '/'));
}

std::string ModuleFolder(const void* address)
{
  Dl_info info;
  if (!dladdr(address, &info) || !info.dli_fname) return "";
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved)) return "";
  return Limited(FolderOfPath(resolved, '/'));
}

std::string UserDirFromConfig(const std::string& configText, const char* key,
                              const std::string& home)
{
  std::istringstream lines(configText);
  std::string line;
  const std::string prefix = std::string(key) + "=";
  std::string found;
  while (std::getline(lines, line))
  {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) continue;
    std::string value = line.substr(start + prefix.size());
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
      value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0)
      value = home + value.substr(5);
    else if (value.empty() || value.front() != '/')
      continue; // only absolute paths or $HOME-relative ones are valid
    found = value;
  }
  return found;
}

std::string DesktopFolder()
{
  const std::string home = Home();
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  if (!config.empty())
  {
    std::ifstream file(config + "/user-dirs.dirs");
    if (file)
    {
      std::stringstream text;
      text << file.rdbuf();
      const std::string desktop = UserDirFromConfig(text.str(), "XDG_DESKTOP_DIR", home);
      if (!desktop.empty()) return Limited(desktop);
    }
  }
  return home.empty() ? "" : Limited(home + "/Desktop");
}

std::string DataFolder(bool allUsers)
{
  if (allUsers)
  {
    const std::string dirs = Env("XDG_DATA_DIRS");
    const std::string first = dirs.substr(0, dirs.find(':'));
    return Limited(!first.empty() && first.front() == '/' ? first : "/usr/local/share");
  }
  const std::string data = Env("XDG_DATA_HOME");
  if (!data.empty() && data.front() == '/') return Limited(data);
  const std::string home = Home();
  return home.empty() ? "" : Limited(home + "/.local/share");
}
} // namespace LinuxFolders
