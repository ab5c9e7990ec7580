#pragma once

#include "lice/LICE_Types.h"

#include <cstdint>

// A surface of 32-bit pixels that every drawing operation of the image engine takes.
// Rows are rowPitch() pixels apart (rowPitch() >= pixelWidth(); the pixels past the width are
// padding, never read or written by the engine). Row y starts at pixelData() + y * rowPitch()
// when bottomUp() is false, at pixelData() + (pixelHeight() - 1 - y) * rowPitch() when true.
// A bitmap without storage is 0 x 0 with null pixelData(); drawing into or from it does nothing.
// Bitmaps carry no lock: they are used on the editor's user-interface thread only.
class LICE_IBitmap
{
public:
  virtual ~LICE_IBitmap() = default;
  virtual LICE_Pixel32* pixelData() = 0;
  virtual int pixelWidth() = 0;
  virtual int pixelHeight() = 0;
  virtual int rowPitch() = 0;
  virtual bool bottomUp() { return false; }
  // Answers true when the size changed. Pixel contents are unspecified after a change.
  virtual bool setSize(int width, int height) = 0;
  // The platform drawing context bound to the pixels, or null.
  virtual LICE_DeviceContext deviceContext() { return nullptr; }
  // Queries of optional abilities; no bitmap of this system answers any (0).
  virtual intptr_t extensionQuery(int /*code*/, void* /*data*/) { return 0; }
};

// Start of row y of a bitmap, honouring bottomUp(). The caller has checked 0 <= y < height.
inline LICE_Pixel32* LICE_RowPointer(LICE_IBitmap& bitmap, int y)
{
  const int row = bitmap.bottomUp() ? bitmap.pixelHeight() - 1 - y : y;
  return bitmap.pixelData() + static_cast<intptr_t>(row) * bitmap.rowPitch();
}
