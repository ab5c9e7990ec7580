#pragma once

#include "lice/LICE_IBitmap.h"

// A bitmap whose pixels the platform can draw into and copy to a window: on Windows a top-down
// 32-bit DIB section selected into a memory device context; elsewhere a pixel buffer of the
// same layout bound to the image engine's own drawing context (lice/linux/). The section only
// ever grows: a smaller size narrows the visible width and height and keeps the storage.
// The implementation lives beside each platform (lice/win/, lice/linux/).
class LICE_SysBitmap : public LICE_IBitmap
{
public:
  explicit LICE_SysBitmap(int width = 0, int height = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  LICE_Pixel32* pixelData() override { return mBits; }
  int pixelWidth() override { return mWidth; }
  int pixelHeight() override { return mHeight; }
  int rowPitch() override { return mAllocWidth; }
  bool setSize(int width, int height) override;
  LICE_DeviceContext deviceContext() override { return mDc; }

private:
  int mWidth = 0;
  int mHeight = 0;
  LICE_DeviceContext mDc = nullptr;
  LICE_Pixel32* mBits = nullptr;
  int mAllocWidth = 0;
  int mAllocHeight = 0;
  void* mSection = nullptr;        // the platform's bitmap handle (HBITMAP on Windows)
  void* mPreviousObject = nullptr; // what the context had selected before the section
};
