#pragma once

#include <string>

// Texts the window layers hand their file dialogs and folder queries, the same on every system.

// The file dialog's filter from a list of extensions separated by spaces ("wav aif"): pattern
// "*.wav;*.aif" and default extension "wav". With no extensions both are empty. False, with both
// empty, when the pattern would exceed 126 characters or the first extension 15: longer lists are
// beyond what the dialogs take, and are refused rather than cut.
bool FileDialogFilter(const char* extensions, std::string& pattern, std::string& defaultExtension);

// The folder part of a full path, up to and including its last separator; empty when the path is
// empty, has no separator, or ends with one.
std::string FolderOfPath(const std::string& path, char separator);
