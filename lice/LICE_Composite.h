#pragma once

#include "lice/LICE_IBitmap.h"
#include "lice/LICE_Types.h"

// Compositing modes: the low byte selects the operation, LICE_OP_SRCALPHA weights each pixel by
// its source alpha; every other bit is ignored. Low bytes 6 to 0xEF draw nothing.
enum
{
  LICE_OP_COPY = 0,
  LICE_OP_ADD = 1,
  LICE_OP_DODGE = 2,
  LICE_OP_MULTIPLY = 3,
  LICE_OP_OVERLAY = 4,
  LICE_OP_HSV = 5,
  // 0xF0 to 0xFF: copy one channel; source channel in bits 0-1, destination channel in bits 2-3
  // (0 blue, 1 green, 2 red, 3 alpha).
  LICE_OP_CHANNEL = 0xF0,
  LICE_OP_SRCALPHA = 0x10000
};

// Copies sourceRect of src (the whole of src when null; right and bottom exclusive) to (x, y) of
// dest, combined by mode at weight (1.0 = full strength; 0.0 draws nothing). Clipped to both
// bitmaps: any rectangle and any position are safe.
void LICE_Composite(LICE_IBitmap* dest, LICE_IBitmap* src, int x, int y,
                    const LICE_Rect* sourceRect, float weight, int mode);

// Paints width x height pixels of dest at (x, y) with one colour, combined by mode at weight.
// Clipped to dest.
void LICE_FillArea(LICE_IBitmap* dest, int x, int y, int width, int height, LICE_Pixel32 colour,
                   float weight, int mode);

// Softens the top-left width x height pixels of bitmap: each pixel becomes 1/2 of itself plus
// 1/8 of each of its four neighbours (edges weigh their one remaining neighbour 1/4). Nothing when
// either side is below 2. Used by glyph rendering.
void LICE_SoftenArea(LICE_IBitmap* bitmap, int width, int height);
