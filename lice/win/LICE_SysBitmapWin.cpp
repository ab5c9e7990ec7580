// LICE_SysBitmap on Windows: a top-down 32-bit DIB section selected into a memory device context,
// so GDI can draw text into the pixels and the window can blit them without a flip.
#include "lice/LICE_SysBitmap.h"

#include <climits>
#include <windows.h>

LICE_SysBitmap::LICE_SysBitmap(int width, int height)
{
  mDc = CreateCompatibleDC(nullptr);
  setSize(width, height);
}

LICE_SysBitmap::~LICE_SysBitmap()
{
  if (mSection)
  {
    SelectObject(mDc, static_cast<HGDIOBJ>(mPreviousObject));
    DeleteObject(static_cast<HGDIOBJ>(mSection));
  }
  if (mDc) DeleteDC(mDc);
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
    return true;
  }

  // Negative sizes count as empty, and an empty bitmap reports 0 x 0.
  mWidth = width > 0 ? width : 0;
  mHeight = height > 0 ? height : 0;
  mAllocHeight = mHeight;
  mAllocWidth = mWidth > INT_MAX - 3 ? 0 : (mWidth + 3) & ~3;

  if (mSection)
  {
    SelectObject(mDc, static_cast<HGDIOBJ>(mPreviousObject));
    DeleteObject(static_cast<HGDIOBJ>(mSection));
    mSection = nullptr;
    mPreviousObject = nullptr;
  }
  mBits = nullptr;

  if (mAllocWidth < 1 || mAllocHeight < 1)
  {
    mWidth = mHeight = mAllocWidth = mAllocHeight = 0;
    return false;
  }

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = mAllocWidth;
  info.bmiHeader.biHeight = -mAllocHeight; // negative: rows top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = nullptr;
  // A pixel count GDI's own size arithmetic could not hold is refused before asking it.
  if (static_cast<long long>(mAllocWidth) * mAllocHeight <= INT_MAX / 4)
    section = CreateDIBSection(mDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits)
  {
    if (section) DeleteObject(section);
    mWidth = mHeight = mAllocWidth = mAllocHeight = 0;
    return true;
  }
  mSection = section;
  mPreviousObject = SelectObject(mDc, section);
  mBits = static_cast<LICE_Pixel32*>(bits);
  return true;
}
