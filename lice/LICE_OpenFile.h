#pragma once

#include <cstdio>

// Opens the file at a UTF-8 path for binary reading ("rb"); null when it cannot be opened. On
// Windows the path goes through the wide-character open (at most 2048 wide characters), falling
// back to the path as given when the conversion or that open fails.
FILE* LICE_OpenFile(const char* utf8Path);
