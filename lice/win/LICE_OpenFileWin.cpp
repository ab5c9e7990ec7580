#include "lice/LICE_OpenFile.h"

#include <windows.h>

FILE* LICE_OpenFile(const char* utf8Path)
{
  if (!utf8Path) return nullptr;
  constexpr int kMaxWide = 2048;
  wchar_t wide[kMaxWide];
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, wide, kMaxWide) > 0)
  {
    if (FILE* file = _wfopen(wide, L"rb")) return file;
  }
  return std::fopen(utf8Path, "rb");
}
