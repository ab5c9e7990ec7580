#pragma once

#include "lice/LICE_IBitmap.h"

// A heap-backed bitmap (decoded images, scratch). Rows start 64-byte aligned and are a multiple
// of 16 bytes long; storage grows with 25 % headroom and never shrinks while non-empty.
class LICE_MemBitmap : public LICE_IBitmap
{
public:
  explicit LICE_MemBitmap(int width = 0, int height = 0);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  LICE_Pixel32* pixelData() override;
  int pixelWidth() override { return mWidth; }
  int pixelHeight() override { return mHeight; }
  int rowPitch() override { return (mWidth + mAlignMask) & ~mAlignMask; }
  bool setSize(int width, int height) override;

  // Bytes of pixel storage the block can hold (the block itself is 63 bytes larger).
  int capacityBytes() const { return mCapacityBytes; }

private:
  unsigned char* mRaw = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mCapacityBytes = 0;
  int mAlignMask = 3;
};
