#include "lice/LICE_Composite.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
// Fractions of a pixel, per channel: each term is shifted and masked on its own, so no channel
// spills into the next.
inline LICE_Pixel32 Half(LICE_Pixel32 p) { return (p >> 1) & 0x7F7F7F7F; }
inline LICE_Pixel32 Quarter(LICE_Pixel32 p) { return (p >> 2) & 0x3F3F3F3F; }
inline LICE_Pixel32 Eighth(LICE_Pixel32 p) { return (p >> 3) & 0x1F1F1F1F; }

// The left and right terms of column x from the row's unsoftened pixels; an edge column takes a
// quarter of its one neighbour.
inline LICE_Pixel32 Horizontal(const LICE_Pixel32* original, int x, int width)
{
  if (x == 0) return Quarter(original[1]);
  if (x == width - 1) return Quarter(original[width - 2]);
  return Eighth(original[x - 1]) + Eighth(original[x + 1]);
}
} // namespace

void LICE_SoftenArea(LICE_IBitmap* bitmap, int width, int height)
{
  if (!bitmap || !bitmap->pixelData() || bitmap->rowPitch() < bitmap->pixelWidth()) return;
  width = std::min(width, bitmap->pixelWidth());
  height = std::min(height, bitmap->pixelHeight());
  if (width < 2 || height < 2) return;

  // Two rows of unsoftened pixels: the row above (already overwritten in the bitmap) and the
  // current one (overwritten pixel by pixel while its neighbours are still needed).
  constexpr int kStackWidth = 1024;
  LICE_Pixel32 stackLines[2 * kStackWidth];
  std::vector<LICE_Pixel32> heapLines;
  LICE_Pixel32* lines = stackLines;
  if (width > kStackWidth)
  {
    heapLines.resize(2 * size_t(width));
    lines = heapLines.data();
  }
  LICE_Pixel32* above = lines;
  LICE_Pixel32* current = lines + width;

  for (int y = 0; y < height; ++y)
  {
    LICE_Pixel32* row = LICE_RowPointer(*bitmap, y);
    std::memcpy(current, row, size_t(width) * sizeof(LICE_Pixel32));
    const LICE_Pixel32* below = y + 1 < height ? LICE_RowPointer(*bitmap, y + 1) : nullptr;
    for (int x = 0; x < width; ++x)
    {
      LICE_Pixel32 vertical;
      if (y == 0)
        vertical = Quarter(below[x]);
      else if (!below)
        vertical = Quarter(above[x]);
      else
        vertical = Eighth(above[x]) + Eighth(below[x]);
      row[x] = Half(current[x]) + vertical + Horizontal(current, x, width);
    }
    std::swap(above, current);
  }
}
