#include "lice/linux/LICE_DrawContext.h"

void LICE_DrawContext::Bind(LICE_Pixel32* bits, int width, int height, int rowPitch)
{
  if (!bits || width < 1 || height < 1 || rowPitch < width)
  {
    bits = nullptr;
    width = height = rowPitch = 0;
  }
  mBits = bits;
  mWidth = width;
  mHeight = height;
  mRowPitch = rowPitch;
}

LICE_FontHandle LICE_DrawContext::SelectFont(LICE_FontHandle font)
{
  LICE_FontHandle previous = mFont;
  mFont = font;
  return previous;
}

uint32_t LICE_DrawContext::SetTextColour(uint32_t colour)
{
  const uint32_t previous = mTextColour;
  mTextColour = colour;
  return previous;
}

int LICE_DrawContext::SetBackgroundMode(int mode)
{
  const int previous = mBackgroundMode;
  mBackgroundMode = mode;
  return previous;
}

uint32_t LICE_DrawContext::SetBackgroundColour(uint32_t colour)
{
  const uint32_t previous = mBackgroundColour;
  mBackgroundColour = colour;
  return previous;
}
