#pragma once

#include "lice/LICE_Types.h"

// The per-pixel combination rules shared by LICE_Composite, LICE_FillArea and glyph drawing.
// Each takes the destination pixel, a colour r, g, b, an alpha a and an integer weight k
// (256 = full), and writes the result in place. Channel pairs are (d blue, b), (d green, g),
// (d red, r), (d alpha, a). Integer divisions truncate toward zero; stored channels are the low
// eight bits unless a rule clamps. Callers keep r, g, b within 0..255, a within -2048..2048 (a
// fill passes its weight as a) and k within -2048..2048, which keeps every product inside 32 bits.
namespace lice
{

// a = 0: nothing; a = 255: the pixel becomes (b, g, r, 255); else alpha = min(255, alpha + a) and
// each colour d = s + (d - s) * (255 - a) / 256. k is not used.
void CombineSourceOver(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// Each channel d = clamp(d + s * k / 256).
void CombineAdd(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// a = 0: nothing; else v = (a + 1) * k / 256 and each channel d = clamp(d + s * v / 256).
void CombineWeightedAdd(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// Each channel: q = 256 - s * k / 256; d = clamp(d * 256 / q) when q > 1, else clamp(d * 256).
void CombineDodge(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// v = (a + 1) * k / 256, then the dodge rule with v (no early exit for a = 0).
void CombineWeightedDodge(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// a = 0: nothing; else v = (a + 1) * k / 256 and d = ((s * v + (256 - v) * 256) * d) >> 16.
void CombineWeightedMultiply(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// t = s * k + (256 - k) * 128; u = (32768 - t) * d / 256 + t; d = clamp((u * d) >> 15).
void CombineOverlay(LICE_Pixel32* d, int r, int g, int b, int a, int k);
// r, g, b adjust the destination's hue, saturation and value; alpha becomes a.
void CombineHSV(LICE_Pixel32* d, int r, int g, int b, int a, int k);

} // namespace lice
