// libFuzzer target: arbitrary bytes as a PNG image. Whatever the bytes hold, LICE_ReadPngMemory
// must answer null or a bitmap of the decoded size with every row readable, leave nothing
// allocated on failure, and the bitmap must draw safely anywhere on a surface.
#include "lice/LICE_Composite.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PNG.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace
{
// Pixels an input may declare in its header before it is skipped. The decoder takes up to 16384 x
// 16384 and refuses larger images before allocating; letting the fuzzer allocate (and the address
// sanitizer poison) up to 1 GiB per input would only slow the search down a hundredfold.
constexpr uint64_t kMaxFuzzedPixels = uint64_t(1) << 18;

uint32_t BigEndian(const uint8_t* p)
{
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size >= 24 && uint64_t(BigEndian(data + 16)) * BigEndian(data + 20) > kMaxFuzzedPixels)
    return 0;
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
