#pragma once

#include <cstdint>

// Pixels, rectangles and the platform handles the image engine passes around.

// One pixel, 0xAARRGGBB: in memory the bytes are blue, green, red, alpha. Colour channels are
// straight (not premultiplied).
using LICE_Pixel32 = uint32_t;

// Byte positions of the channels inside a pixel.
enum
{
  LICE_PIXEL_B = 0,
  LICE_PIXEL_G = 1,
  LICE_PIXEL_R = 2,
  LICE_PIXEL_A = 3
};

constexpr LICE_Pixel32 LICE_PackPixel(int r, int g, int b, int a)
{
  return (static_cast<LICE_Pixel32>(a & 0xFF) << 24) | (static_cast<LICE_Pixel32>(r & 0xFF) << 16) |
         (static_cast<LICE_Pixel32>(g & 0xFF) << 8) | static_cast<LICE_Pixel32>(b & 0xFF);
}

// Left, top, right, bottom in pixels; right and bottom exclusive. The same layout as the
// platform's RECT, so text drawing can hand it through.
struct LICE_Rect
{
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The platform's drawing context and font handles. On Windows they are GDI's HDC and HFONT
// (declared here without windows.h); elsewhere they are the image engine's own objects
// (lice/linux/).
#ifdef _WIN32
struct HDC__;
struct HFONT__;
using LICE_DeviceContext = HDC__*;
using LICE_FontHandle = HFONT__*;
#else
class LICE_DrawContext;
class LICE_PlatformFont;
using LICE_DeviceContext = LICE_DrawContext*;
using LICE_FontHandle = LICE_PlatformFont*;
#endif
