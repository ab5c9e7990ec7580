#pragma once

#include <string>

// The folders the editor offers its controls on Linux. Each answer is at most 256 characters;
// a longer one, or one that cannot be found, is empty (a cut path would name another folder).
namespace LinuxFolders
{
constexpr std::string::size_type kMaxLength = 256;

// The folder of the running program (the host), with its final '/'.
std::string HostFolder();
// The folder of the loaded module holding address, with its final '/'.
std::string ModuleFolder(const void* address);
// The user's desktop: XDG_DESKTOP_DIR of the user-dirs file, else $HOME/Desktop.
std::string DesktopFolder();
// Per-user data ($XDG_DATA_HOME, else $HOME/.local/share), or with allUsers the first of
// $XDG_DATA_DIRS (else /usr/local/share).
std::string DataFolder(bool allUsers);

// The value of key in the text of a user-dirs file ("$HOME/..." relative to home); empty when
// the key is not there.
std::string UserDirFromConfig(const std::string& configText, const char* key,
                              const std::string& home);
} // namespace LinuxFolders
