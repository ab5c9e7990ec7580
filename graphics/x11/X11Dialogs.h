#pragma once
#include "graphics/IGraphicsStructs.h"

#include <string>
#include <vector>

// The dialogs the X11 window layer borrows from the desktop: message boxes, file and colour
// choosers drawn by zenity, or by kdialog where zenity is missing, and web addresses opened by
// xdg-open. Programs run with their arguments as they stand (never through a shell), their
// standard output read back; the caller waits for them, as for any modal dialog.
//
// Threads: the user-interface thread (Run waits for the program to end).
namespace X11Dialogs
{
enum class Tool
{
  kNone,
  kZenity,
  kKdialog
};

// Message box types and answers, as the editor's callers use them.
enum
{
  kOk = 0,
  kOkCancel = 1,
  kAbortRetryIgnore = 2,
  kYesNoCancel = 3,
  kYesNo = 4,
  kRetryCancel = 5,
  kIconError = 0x10,
  kIconWarning = 0x30,
  kIconInformation = 0x40
};
enum
{
  kAnswerNone = 0, // no dialog could be shown
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerAbort = 3,
  kAnswerRetry = 4,
  kAnswerIgnore = 5,
  kAnswerYes = 6,
  kAnswerNo = 7
};

// The first of zenity and kdialog found on $PATH.
Tool FindTool();
// Whether an executable program of that name is on $PATH.
bool OnPath(const char* program);

// Runs argv[0] (looked up on $PATH) with argv, standard input empty, standard output collected
// into output when given (at most 64 KiB kept). The exit status, or -1 when it could not run or
// did not end normally.
int Run(const std::vector<std::string>& argv, std::string* output);

// The command line of a message box, and the answer its exit status and output stand for.
std::vector<std::string> AlertArguments(Tool tool, const char* text, const char* caption, int type);
int AlertAnswer(Tool tool, int type, int status, const std::string& output);

// The command line of a file chooser starting at folder/path; pattern is the filter
// ("*.wav;*.aif", empty for none).
std::vector<std::string> FileArguments(Tool tool, bool save, const std::string& path,
                                       const std::string& folder, const std::string& pattern);
// The chosen path of the chooser's output (its first line); empty for none.
std::string ChosenPath(const std::string& output);

// The command line of a colour chooser starting at colour, titled prompt when given.
std::vector<std::string> ColourArguments(Tool tool, const IColor& colour, const char* prompt);
// Reads "#rrggbb", "rgb(r,g,b)" or "rgba(r,g,b,a)" into colour's R, G and B (A unchanged).
bool ParseColour(const std::string& output, IColor& colour);

// Whether url is a web or mail address that may be handed to the desktop (http, https or
// mailto): anything else could start a program or open a local file.
bool IsLaunchableUrl(const char* url);
// Hands url to xdg-open; true when it was accepted (ended well, or still running after a
// moment, the browser starting).
bool OpenUrl(const char* url);
} // namespace X11Dialogs
