#pragma once

#include "lice/LICE_MemBitmap.h"

#include <cstdint>
#include <random>
#include <vector>

// Helpers shared by the drawing tests.

inline LICE_Pixel32& At(LICE_IBitmap& bitmap, int x, int y)
{
  return LICE_RowPointer(bitmap, y)[x];
}

inline void Fill(LICE_IBitmap& bitmap, LICE_Pixel32 value)
{
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = 0; x < bitmap.rowPitch(); ++x) LICE_RowPointer(bitmap, y)[x] = value;
}

// Every stored pixel, padding included.
inline std::vector<LICE_Pixel32> Snapshot(LICE_IBitmap& bitmap)
{
  std::vector<LICE_Pixel32> pixels;
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    pixels.insert(pixels.end(), LICE_RowPointer(bitmap, y),
                  LICE_RowPointer(bitmap, y) + bitmap.rowPitch());
  return pixels;
}

// Random pixels whose alpha is often exactly 0 or 255, as in real images.
inline void FillRandom(LICE_IBitmap& bitmap, std::mt19937& random)
{
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = 0; x < bitmap.pixelWidth(); ++x)
    {
      LICE_Pixel32 p = LICE_Pixel32(random());
      const unsigned pick = random() % 4;
      if (pick == 0) p &= 0x00FFFFFF;
      if (pick == 1) p |= 0xFF000000;
      At(bitmap, x, y) = p;
    }
}

// A bitmap stored bottom-up, to check that rows are addressed through bottomUp().
class BottomUpBitmap : public LICE_MemBitmap
{
public:
  using LICE_MemBitmap::LICE_MemBitmap;
  bool bottomUp() override { return true; }
};
