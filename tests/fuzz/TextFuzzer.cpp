// libFuzzer target: arbitrary bytes as UTF-8 text drawn by a cached font into small bitmaps. The
// first ten bytes choose the font's options, the text flags, the font, the bitmap (system, memory
// or none), the background mode, the combine mode and weight, how the length is given and the
// rectangle; the rest is the text. Nothing may crash, read past the text or write outside the
// bitmaps: the padding pixels of every row are checked after each call.
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_Composite.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_SysBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{

constexpr LICE_Pixel32 kCanary = 0x5A5AA5A5;
// 37 wide: rows of 40 pixels, three of them padding.
constexpr int kWidth = 37, kHeight = 19;

// Shared by all inputs and released at exit, which also lets the font libraries go: fontconfig
// holds memory that only its configuration's release frees.
LICE_FontHandle gFonts[4] = {};
LICE_CachedFont* gFont = nullptr;
LICE_SysBitmap* gSys = nullptr;
LICE_MemBitmap* gMem = nullptr;

void ReleaseAll()
{
  delete gFont;
  delete gSys;
  delete gMem;
  for (LICE_FontHandle& font : gFonts) LICE_DeletePlatformFont(font);
}

void Prepare(LICE_IBitmap& bitmap)
{
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
  {
    LICE_Pixel32* row = LICE_RowPointer(bitmap, y);
    for (int x = 0; x < bitmap.rowPitch(); ++x) row[x] = x < kWidth ? 0xFF808080 : kCanary;
  }
}

void CheckPadding(LICE_IBitmap& bitmap)
{
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = kWidth; x < bitmap.rowPitch(); ++x)
      if (LICE_RowPointer(bitmap, y)[x] != kCanary) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  const int heights[4] = {12, -9, 21, 40};
  for (int i = 0; i < 4; ++i)
  {
    LICE_FontDescription description;
    description.height = heights[i];
    description.italic = i == 2;
    description.quality = i == 1 ? 3 : 0;
    std::strcpy(description.face, "DejaVu Sans");
    gFonts[i] = LICE_CreatePlatformFont(description);
  }
  gFont = new LICE_CachedFont();
  gSys = new LICE_SysBitmap(kWidth, kHeight);
  gMem = new LICE_MemBitmap(kWidth, kHeight);
  std::atexit(ReleaseAll);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 10) return 0;
  LICE_CachedFont* font = gFont;
  LICE_SysBitmap* sys = gSys;
  LICE_MemBitmap* mem = gMem;

  // Every option but ownership: the platform fonts are shared by all inputs.
  const int options = (data[0] | data[1] << 8) & 0x5F7;
  static const int flagBits[8] = {
      LICE_DT_CENTER,     LICE_DT_RIGHT,  LICE_DT_VCENTER,  LICE_DT_BOTTOM,
      LICE_DT_SINGLELINE, LICE_DT_NOCLIP, LICE_DT_CALCRECT, LICE_TEXT_FOREGROUND_ALPHA};
  int flags = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (data[2] >> bit & 1) flags |= flagBits[bit];
  if (data[3] & 1) flags |= LICE_TEXT_CACHED_ONLY;
  LICE_IBitmap* bitmaps[4] = {sys, mem, nullptr, sys};
  LICE_IBitmap* bitmap = bitmaps[data[3] >> 3 & 3];
  const int lengthMode = data[3] >> 6 & 3;

  font->attachFont(gFonts[data[3] >> 1 & 3], options);
  font->setForeground(data[4] * 0x01010101u ^ 0x00FF3300u);
  font->setBackground(0xFF00FF00);
  font->setEffectColour(0xFF0000FF);
  font->setBackgroundMode(data[3] & 0x20 ? LICE_BKMODE_OPAQUE : LICE_BKMODE_TRANSPARENT);
  font->setCombine(data[5] & 7, static_cast<float>(data[5] >> 3) / 16.0f);
  LICE_Rect rect = {static_cast<int8_t>(data[6]), static_cast<int8_t>(data[7]),
                    static_cast<int8_t>(data[8]) + 20, static_cast<int8_t>(data[9]) + 10};

  // The text in a buffer of its exact size: a terminator only when the length says "up to it".
  const size_t textBytes = size - 10;
  const bool terminated = lengthMode == 0;
  std::unique_ptr<char[]> text(new char[textBytes + (terminated ? 1 : 0)]);
  std::memcpy(text.get(), data + 10, textBytes);
  if (terminated) text[textBytes] = 0;
  const int lengths[4] = {-1, static_cast<int>(textBytes), 0, static_cast<int>(textBytes) / 2};

  Prepare(*sys);
  Prepare(*mem);
  font->renderText(bitmap, text.get(), lengths[lengthMode], &rect, flags);
  font->paintGlyph(sys, data[4] | data[6] << 8, static_cast<int8_t>(data[7]),
                   static_cast<int8_t>(data[8]), {-5, -5, 50, 50});
  CheckPadding(*sys);
  CheckPadding(*mem);
  return 0;
}
