#include "graphics/IDialogText.h"

namespace
{
constexpr std::string::size_type kMaxPattern = 126;
constexpr std::string::size_type kMaxDefaultExtension = 15;
} // namespace

bool FileDialogFilter(const char* extensions, std::string& pattern, std::string& defaultExtension)
{
  pattern.clear();
  defaultExtension.clear();
  if (!extensions) return true;
  const std::string list(extensions);
  std::string::size_type start = 0;
  bool first = true;
  while (start <= list.size())
  {
    std::string::size_type end = list.find(' ', start);
    if (end == std::string::npos) end = list.size();
    const std::string extension = list.substr(start, end - start);
    if (first)
    {
      defaultExtension = extension;
      first = false;
    }
    if (!extension.empty())
    {
      if (!pattern.empty()) pattern += ';';
      pattern += "*." + extension;
    }
    start = end + 1;
  }
  if (pattern.size() > kMaxPattern || defaultExtension.size() > kMaxDefaultExtension)
  {
    pattern.clear();
    defaultExtension.clear();
    return false;
  }
  return true;
}

std::string FolderOfPath(const std::string& path, char separator)
{
  const std::string::size_type last = path.rfind(separator);
  if (last == std::string::npos || last + 1 == path.size()) return std::string();
  return path.substr(0, last + 1);
}
