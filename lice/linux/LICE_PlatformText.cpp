// The text services of LICE_CachedFont without GDI: fonts are LICE_PlatformFont objects and device
// contexts the LICE_DrawContext of a LICE_SysBitmap.
#include "lice/LICE_PlatformText.h"

#include "lice/linux/LICE_DrawContext.h"
#include "lice/linux/LICE_PlatformFont.h"

#include <memory>
#include <new>

namespace
{

// Windows-1252 in 0x80..0x9F; the five unassigned bytes stand for themselves, the rest of the
// range is Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Code points for the font, on the stack for short texts.
class CodePoints
{
public:
  explicit CodePoints(int length)
  {
    if (length > kInline) mHeap.reset(new (std::nothrow) char32_t[static_cast<size_t>(length)]);
    mData = length > kInline ? mHeap.get() : mInline;
  }
  char32_t* Data() { return mData; }

private:
  static constexpr int kInline = 512;
  char32_t mInline[kInline];
  std::unique_ptr<char32_t[]> mHeap;
  char32_t* mData = nullptr;
};

int DrawCodePoints(LICE_DeviceContext dc, const char32_t* text, int length, LICE_Rect* rect,
                   int flags)
{
  LICE_PlatformFont* font = dc ? dc->SelectedFont() : nullptr;
  return font ? font->DrawText(*dc, text, length, rect, flags) : 0;
}

} // namespace

namespace lice
{

// Selecting back "no font" is allowed here (GDI refuses it): a context must not keep a font that
// its owner may delete next.
LICE_FontHandle TextSelectFont(LICE_DeviceContext dc, LICE_FontHandle font)
{
  return dc ? dc->SelectFont(font) : nullptr;
}

int TextMetricsHeight(LICE_DeviceContext dc)
{
  return dc && dc->SelectedFont() ? dc->SelectedFont()->Height() : 0;
}

void TextSetColour(LICE_DeviceContext dc, uint32_t colour)
{
  if (dc) dc->SetTextColour(colour & 0xFFFFFF);
}

void TextSetBackgroundMode(LICE_DeviceContext dc, int mode)
{
  if (dc) dc->SetBackgroundMode(mode);
}

void TextSetBackgroundColour(LICE_DeviceContext dc, uint32_t colour)
{
  if (dc) dc->SetBackgroundColour(colour & 0xFFFFFF);
}

int TextDrawWide(LICE_DeviceContext dc, const char16_t* text, int length, LICE_Rect* rect,
                 int flags)
{
  if (!dc || !text || !rect) return 0;
  if (length < 0)
    for (length = 0; text[length];) ++length;
  CodePoints points(length);
  char32_t* out = points.Data();
  if (!out) return 0;
  int n = 0;
  for (int i = 0; i < length; ++i)
  {
    // Pairs join; a lone surrogate stays as it is and draws as the missing glyph.
    const char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      out[n++] = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else
      out[n++] = c;
  }
  return DrawCodePoints(dc, out, n, rect, flags);
}

int TextDrawBytes(LICE_DeviceContext dc, const char* text, int length, LICE_Rect* rect, int flags)
{
  if (!dc || !text || !rect) return 0;
  if (length < 0)
    for (length = 0; text[length];) ++length;
  CodePoints points(length);
  char32_t* out = points.Data();
  if (!out) return 0;
  for (int i = 0; i < length; ++i)
  {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    out[i] = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b;
  }
  return DrawCodePoints(dc, out, length, rect, flags);
}

int TextUtf8ToUtf16(const char* text, int length, char16_t* out, int capacity)
{
  if (!text || length < 0 || capacity < 0 || (capacity > 0 && !out)) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int units = 0;
  for (int i = 0; i < length;)
  {
    const unsigned char b = p[i];
    int count = 0;
    char32_t c = 0, least = 0;
    if (b < 0x80)
      count = 1, c = b;
    else if (b >= 0xC2 && b <= 0xDF)
      count = 2, c = b & 0x1F, least = 0x80;
    else if (b >= 0xE0 && b <= 0xEF)
      count = 3, c = b & 0x0F, least = 0x800;
    else if (b >= 0xF0 && b <= 0xF4)
      count = 4, c = b & 0x07, least = 0x10000;
    else
      return 0;
    if (count > length - i) return 0;
    for (int k = 1; k < count; ++k)
    {
      if ((p[i + k] & 0xC0) != 0x80) return 0;
      c = c << 6 | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if (c < least || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) return 0;
    const int need = c >= 0x10000 ? 2 : 1;
    if (capacity > 0)
    {
      if (units + need > capacity) return 0;
      if (need == 2)
      {
        out[units] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out[units + 1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
      else
        out[units] = static_cast<char16_t>(c);
    }
    units += need;
    i += count;
  }
  return units;
}

bool TextProbeWine() { return false; }

} // namespace lice
