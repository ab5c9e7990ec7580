// LICE_SysBitmap without GDI: the section is a zeroed heap block (as a fresh DIB section is) with
// the same top-down layout and pitch, bound to the engine's own drawing context.
#include "lice/LICE_SysBitmap.h"
#include "lice/linux/LICE_DrawContext.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

LICE_SysBitmap::LICE_SysBitmap(int width, int height)
{
  mDc = new (std::nothrow) LICE_DrawContext();
  setSize(width, height);
}

LICE_SysBitmap::~LICE_SysBitmap()
{
  if (mDc) mDc->Bind(nullptr, 0, 0, 0);
  std::free(mSection);
  delete mDc;
}

bool LICE_SysBitmap::setSize(int width, int height)
{
  if (!mDc)
  {
    mWidth = mHeight = 0;
    mBits = nullptr;
    return false;
  }
  if (width == mWidth && height == mHeight) return false;

  if (width > 0 && height > 0 && mAllocWidth >= width && mAllocHeight >= height && mBits)
  {
    mWidth = width;
    mHeight = height;
    mDc->Bind(mBits, mWidth, mHeight, mAllocWidth);
    return true;
  }

  // Negative sizes count as empty, and an empty bitmap reports 0 x 0.
  mWidth = width > 0 ? width : 0;
  mHeight = height > 0 ? height : 0;
  mAllocHeight = mHeight;
  mAllocWidth = mWidth > INT_MAX - 3 ? 0 : (mWidth + 3) & ~3;

  mDc->Bind(nullptr, 0, 0, 0);
  std::free(mSection);
  mSection = nullptr;
  mBits = nullptr;

  if (mAllocWidth < 1 || mAllocHeight < 1)
  {
    mWidth = mHeight = mAllocWidth = mAllocHeight = 0;
    return false;
  }

  const int64_t bytes = int64_t(mAllocWidth) * mAllocHeight * 4;
  if (bytes <= INT_MAX) mSection = std::calloc(size_t(bytes), 1);
  if (!mSection)
  {
    mWidth = mHeight = mAllocWidth = mAllocHeight = 0;
    return true;
  }
  mBits = static_cast<LICE_Pixel32*>(mSection);
  mDc->Bind(mBits, mWidth, mHeight, mAllocWidth);
  return true;
}
