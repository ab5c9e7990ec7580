#include "lice/LICE_MemBitmap.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace
{
// The block is this much larger than the pixels so that their start can be moved up to a 64-byte
// boundary.
constexpr int kAlignSlack = 63;
// Largest pixel storage a block may hold: capacityBytes and the slack must stay inside an int.
constexpr int64_t kMaxCapacityBytes = INT_MAX - kAlignSlack;
} // namespace

LICE_MemBitmap::LICE_MemBitmap(int width, int height)
{
  if (width > 0 && height > 0) setSize(width, height);
}

LICE_MemBitmap::~LICE_MemBitmap() { std::free(mRaw); }

LICE_Pixel32* LICE_MemBitmap::pixelData()
{
  if (!mRaw) return nullptr;
  const uintptr_t aligned = (reinterpret_cast<uintptr_t>(mRaw) + kAlignSlack) & ~uintptr_t(63);
  return reinterpret_cast<LICE_Pixel32*>(aligned);
}

bool LICE_MemBitmap::setSize(int width, int height)
{
  if (width == mWidth && height == mHeight) return false;

  // A size whose storage would not fit an int is refused like a failed allocation instead of
  // wrapping round to a small block.
  const bool sized = width >= 1 && height >= 1;
  const int64_t pitch = sized ? (int64_t(width) + mAlignMask) & ~int64_t(mAlignMask) : 0;
  const bool fits = sized && pitch <= kMaxCapacityBytes / 4 / height;
  const int64_t need = fits ? int64_t(height) * pitch * 4 : 0;
  if (fits)
  {
    if (!mRaw)
    {
      mCapacityBytes = int(need);
      mRaw = static_cast<unsigned char*>(std::malloc(size_t(need) + kAlignSlack));
    }
    else if (mCapacityBytes < need)
    {
      // Headroom so that a run of slightly larger sizes does not reallocate every time.
      int64_t grown = need + need / 4;
      if (grown > kMaxCapacityBytes) grown = kMaxCapacityBytes;
      unsigned char* moved =
          static_cast<unsigned char*>(std::realloc(mRaw, size_t(grown) + kAlignSlack));
      if (moved)
      {
        mRaw = moved;
        mCapacityBytes = int(grown);
      }
      else
      {
        std::free(mRaw);
        mCapacityBytes = int(need);
        mRaw = static_cast<unsigned char*>(std::malloc(size_t(need) + kAlignSlack));
      }
    }
  }
  else
  {
    std::free(mRaw);
    mRaw = nullptr;
  }

  if (mRaw)
  {
    mWidth = width;
    mHeight = height;
  }
  else
  {
    mWidth = 0;
    mHeight = 0;
    mCapacityBytes = 0;
  }
  return true;
}
