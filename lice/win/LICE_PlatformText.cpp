// The text services of LICE_CachedFont on Windows: GDI fonts and text drawing, the registry probe
// for Wine and the system's UTF-8 conversion.
#include "lice/LICE_PlatformText.h"

#include "lice/LICE_CachedFont.h"

#include <cstring>
#include <windows.h>

// The engine's rectangle goes to DrawText as it is.
static_assert(sizeof(LICE_Rect) == sizeof(RECT) && offsetof(RECT, bottom) == 12,
              "LICE_Rect must have the layout of RECT");
static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 units are WCHARs");

namespace lice
{

LICE_FontHandle TextSelectFont(LICE_DeviceContext dc, LICE_FontHandle font)
{
  if (!dc || !font) return nullptr;
  return static_cast<LICE_FontHandle>(SelectObject(dc, font));
}

int TextMetricsHeight(LICE_DeviceContext dc)
{
  TEXTMETRICA metrics;
  return dc && GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 0;
}

void TextSetColour(LICE_DeviceContext dc, uint32_t colour)
{
  if (dc) SetTextColor(dc, colour);
}

void TextSetBackgroundMode(LICE_DeviceContext dc, int mode)
{
  if (dc) SetBkMode(dc, mode);
}

void TextSetBackgroundColour(LICE_DeviceContext dc, uint32_t colour)
{
  if (dc) SetBkColor(dc, colour);
}

int TextDrawWide(LICE_DeviceContext dc, const char16_t* text, int length, LICE_Rect* rect,
                 int flags)
{
  if (!dc || !text || !rect) return 0;
  return DrawTextW(dc, reinterpret_cast<LPCWSTR>(text), length, reinterpret_cast<RECT*>(rect),
                   static_cast<UINT>(flags));
}

int TextDrawBytes(LICE_DeviceContext dc, const char* text, int length, LICE_Rect* rect, int flags)
{
  if (!dc || !text || !rect) return 0;
  return DrawTextA(dc, text, length, reinterpret_cast<RECT*>(rect), static_cast<UINT>(flags));
}

int TextUtf8ToUtf16(const char* text, int length, char16_t* out, int capacity)
{
  if (!text || length < 0 || capacity < 0 || (capacity > 0 && !out)) return 0;
  if (length == 0) return 0;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length,
                             reinterpret_cast<LPWSTR>(out), capacity);
}

bool TextProbeWine()
{
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

} // namespace lice

LICE_FontHandle LICE_CreatePlatformFont(const LICE_FontDescription& description)
{
  // The face is cut at its field's end whether or not the caller ended it.
  char face[sizeof description.face];
  std::memcpy(face, description.face, sizeof face);
  face[sizeof face - 1] = 0;
  return CreateFontA(description.height, description.width, description.escapement,
                     description.orientation, description.weight, description.italic,
                     description.underline, description.strikeOut, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     static_cast<DWORD>(description.quality), DEFAULT_PITCH | FF_DONTCARE, face);
}

void LICE_DeletePlatformFont(LICE_FontHandle font)
{
  if (font) DeleteObject(font);
}
