#pragma once

#include "lice/LICE_Types.h"

// The Linux stand-in for a memory device context: bound to the pixels of one LICE_SysBitmap
// (top-down rows of rowPitch pixels, bytes blue, green, red, alpha) and holding the drawing state
// that text needs. Text drawing and the X11 window draw into and present from the bound buffer.
// Owned by its bitmap; user-interface thread only.
class LICE_DrawContext
{
public:
  // Background modes, as the text code sets them.
  enum
  {
    kTransparent = 1,
    kOpaque = 2
  };

  LICE_DrawContext() = default;
  LICE_DrawContext(const LICE_DrawContext&) = delete;
  LICE_DrawContext& operator=(const LICE_DrawContext&) = delete;

  // The bitmap moves its pixels here whenever its section or visible size changes; null bits
  // unbind (nothing is drawn then).
  void Bind(LICE_Pixel32* bits, int width, int height, int rowPitch);

  LICE_Pixel32* Bits() const { return mBits; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int RowPitch() const { return mRowPitch; }

  // Each setter answers the previous value.
  LICE_FontHandle SelectFont(LICE_FontHandle font);
  LICE_FontHandle SelectedFont() const { return mFont; }
  // Platform colours: red | green << 8 | blue << 16.
  uint32_t SetTextColour(uint32_t colour);
  uint32_t TextColour() const { return mTextColour; }
  int SetBackgroundMode(int mode);
  int BackgroundMode() const { return mBackgroundMode; }
  uint32_t SetBackgroundColour(uint32_t colour);
  uint32_t BackgroundColour() const { return mBackgroundColour; }

private:
  LICE_Pixel32* mBits = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mRowPitch = 0;
  LICE_FontHandle mFont = nullptr;
  uint32_t mTextColour = 0;                // black
  int mBackgroundMode = kOpaque;           // as a fresh memory device context starts
  uint32_t mBackgroundColour = 0x00FFFFFF; // white
};
