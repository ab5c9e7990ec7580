// libFuzzer target: arbitrary bytes as a PNG image. Whatever the bytes hold, LICE_ReadPngMemory
// must answer null or a bitmap of the decoded size with every row readable, leave nothing
// allocated on failure, and the bitmap must draw safely anywhere on a surface.
#include "lice/LICE_Composite.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PNG.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  LICE_MemBitmap* bitmap = LICE_ReadPngMemory(data, size > INT_MAX ? INT_MAX : int(size));
  if (!bitmap) return 0;
  const int width = bitmap->pixelWidth(), height = bitmap->pixelHeight();
  if (width < 1 || height < 1 || bitmap->rowPitch() < width || !bitmap->pixelData()) std::abort();
  uint32_t sum = 0;
  for (int y = 0; y < height; ++y)
  {
    const LICE_Pixel32* row = LICE_RowPointer(*bitmap, y);
    for (int x = 0; x < width; ++x) sum += row[x];
  }
  // Drawn the editor's ways, from a place the input picks.
  LICE_MemBitmap surface(37, 29);
  const int x = int(sum % 61) - 30, y = int((sum >> 8) % 51) - 25;
  LICE_Composite(&surface, bitmap, x, y, nullptr, 1.0f, LICE_OP_COPY | LICE_OP_SRCALPHA);
  LICE_Composite(&surface, bitmap, -x, -y, nullptr, 0.5f, LICE_OP_COPY);
  LICE_Composite(&surface, bitmap, x, -y, nullptr, 0.7f, int(sum & 0xFF) | LICE_OP_SRCALPHA);
  delete bitmap;
  return 0;
}
