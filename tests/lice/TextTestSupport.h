#pragma once

#include "lice/LICE_CachedFont.h"
#include "lice/LICE_IBitmap.h"

#include <algorithm>
#include <cstring>

// Fonts and pixel helpers of the text tests. Pixel checks pin a face each system is known to
// have: DejaVu Sans on Linux (fonts-dejavu-core), Wine's own Tahoma under Wine (fonts-wine).
namespace texttest
{

#ifdef _WIN32
constexpr const char* kFace = "Tahoma";
#else
constexpr const char* kFace = "DejaVu Sans";
#endif

inline LICE_FontHandle MakeFont(int height, bool italic = false, int escapement = 0,
                                int quality = 0)
{
  LICE_FontDescription description;
  description.height = height;
  description.italic = italic;
  description.escapement = description.orientation = escapement;
  description.quality = quality;
  std::strncpy(description.face, kFace, sizeof description.face - 1);
  return LICE_CreatePlatformFont(description);
}

inline void Fill(LICE_IBitmap& bitmap, LICE_Pixel32 colour)
{
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    std::fill_n(LICE_RowPointer(bitmap, y), bitmap.pixelWidth(), colour);
}

inline LICE_Pixel32 At(LICE_IBitmap& bitmap, int x, int y) { return LICE_RowPointer(bitmap, y)[x]; }

// Pixels equal to colour, or (inked) different from it.
inline int Count(LICE_IBitmap& bitmap, LICE_Pixel32 colour, bool equal = true)
{
  int n = 0;
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = 0; x < bitmap.pixelWidth(); ++x) n += (At(bitmap, x, y) == colour) == equal;
  return n;
}

inline int Inked(LICE_IBitmap& bitmap, LICE_Pixel32 background)
{
  return Count(bitmap, background, false);
}

// Bounding box of the pixels that differ from the background; empty (right <= left) when none.
inline LICE_Rect InkBox(LICE_IBitmap& bitmap, LICE_Pixel32 background)
{
  LICE_Rect box = {bitmap.pixelWidth(), bitmap.pixelHeight(), 0, 0};
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = 0; x < bitmap.pixelWidth(); ++x)
      if (At(bitmap, x, y) != background)
      {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return box;
}

inline bool SamePixels(LICE_IBitmap& a, LICE_IBitmap& b)
{
  for (int y = 0; y < a.pixelHeight(); ++y)
    if (std::memcmp(LICE_RowPointer(a, y), LICE_RowPointer(b, y), a.pixelWidth() * 4)) return false;
  return true;
}

} // namespace texttest
