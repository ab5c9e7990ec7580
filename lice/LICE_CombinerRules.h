#pragma once

#include "lice/LICE_Types.h"

// The combiners as inline functions on pixel values, so the per-mode loops of LICE_Composite and
// LICE_FillArea inline them; LICE_Combiners.cpp exposes them as the public functions. Integer
// division truncates toward zero (the C++ operator), >> is arithmetic, stores keep the low eight
// bits unless a rule clamps. Weights stay within +-2048 (see LICE_Composite.cpp), so no product
// leaves 32 bits.
namespace lice
{
namespace rules
{

inline int Channel(LICE_Pixel32 p, int index) { return int((p >> (8 * index)) & 0xFF); }
inline int Clamp255(int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); }
inline LICE_Pixel32 Pack(int b, int g, int r, int a)
{
  return LICE_Pixel32(b & 0xFF) | (LICE_Pixel32(g & 0xFF) << 8) | (LICE_Pixel32(r & 0xFF) << 16) |
         (LICE_Pixel32(a & 0xFF) << 24);
}

inline LICE_Pixel32 SourceOver(LICE_Pixel32 d, int r, int g, int b, int a)
{
  if (a == 0) return d;
  if (a == 255) return Pack(b, g, r, 255);
  const int f = 255 - a;
  const int db = Channel(d, 0), dg = Channel(d, 1), dr = Channel(d, 2), da = Channel(d, 3);
  const int alpha = da + a > 255 ? 255 : da + a;
  return Pack(b + (db - b) * f / 256, g + (dg - g) * f / 256, r + (dr - r) * f / 256, alpha);
}

inline LICE_Pixel32 Add(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  return Pack(Clamp255(Channel(d, 0) + b * k / 256), Clamp255(Channel(d, 1) + g * k / 256),
              Clamp255(Channel(d, 2) + r * k / 256), Clamp255(Channel(d, 3) + a * k / 256));
}

inline LICE_Pixel32 WeightedAdd(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  if (a == 0) return d;
  const int v = (a + 1) * k / 256;
  return Add(d, r, g, b, a, v);
}

inline int DodgeChannel(int d, int s, int k)
{
  const int q = 256 - s * k / 256;
  return Clamp255(q > 1 ? d * 256 / q : d * 256);
}

inline LICE_Pixel32 Dodge(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  return Pack(DodgeChannel(Channel(d, 0), b, k), DodgeChannel(Channel(d, 1), g, k),
              DodgeChannel(Channel(d, 2), r, k), DodgeChannel(Channel(d, 3), a, k));
}

inline LICE_Pixel32 WeightedDodge(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  return Dodge(d, r, g, b, a, (a + 1) * k / 256);
}

inline int MultiplyChannel(int d, int s, int v) { return ((s * v + (256 - v) * 256) * d) >> 16; }

inline LICE_Pixel32 WeightedMultiply(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  if (a == 0) return d;
  const int v = (a + 1) * k / 256;
  return Pack(MultiplyChannel(Channel(d, 0), b, v), MultiplyChannel(Channel(d, 1), g, v),
              MultiplyChannel(Channel(d, 2), r, v), MultiplyChannel(Channel(d, 3), a, v));
}

inline int OverlayChannel(int d, int s, int k)
{
  const int t = s * k + (256 - k) * 128;
  const int u = (32768 - t) * d / 256 + t;
  return Clamp255((u * d) >> 15);
}

inline LICE_Pixel32 Overlay(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  return Pack(OverlayChannel(Channel(d, 0), b, k), OverlayChannel(Channel(d, 1), g, k),
              OverlayChannel(Channel(d, 2), r, k), OverlayChannel(Channel(d, 3), a, k));
}

// floor(65536 / i) - 1, with 0 for i = 0: reciprocals that keep the conversion in integers.
struct HsvTable
{
  int values[256];
  constexpr HsvTable() : values()
  {
    for (int i = 1; i < 256; ++i) values[i] = 65536 / i - 1;
  }
};
inline constexpr HsvTable kHsvTable{};

inline LICE_Pixel32 Hsv(LICE_Pixel32 d, int r, int g, int b, int a, int k)
{
  const int* t = kHsvTable.values;
  const int blue = Channel(d, 0), green = Channel(d, 1), red = Channel(d, 2);
  int value, chroma, numerator, base;
  if (green > red)
  {
    if (green > blue)
    {
      value = green;
      chroma = green - (blue < red ? blue : red);
      numerator = blue - red;
      base = 128;
    }
    else
    {
      value = blue;
      chroma = blue - red;
      numerator = red - green;
      base = 256;
    }
  }
  else if (red > blue)
  {
    value = red;
    chroma = red - (green < blue ? green : blue);
    numerator = green - blue;
    base = green < blue ? 383 : 0;
  }
  else
  {
    value = blue;
    chroma = blue - (green < red ? green : red);
    numerator = red - green;
    base = 256;
  }
  int saturation = t[value] * chroma / 256;
  int hue = base + numerator * (t[chroma] + 1) / 1024;

  hue += (r + r / 2 - 192) * k / 256;
  // One turn brings any hue back within full weight; heavier weights need the full remainder.
  hue %= 384;
  if (hue < 0) hue += 384;
  saturation = Clamp255(saturation + (g - 128) * k / 128);
  value = Clamp255(value + (b - 128) * k / 128);

  const int low = (256 - saturation) * value / 256;
  int outR, outG, outB;
  auto ramp = [&](int e) { return ((e * saturation + 16384) * value) / 16384; };
  if (hue < 64)
  {
    outR = value;
    outG = ramp(hue - 64);
    outB = low;
  }
  else if (hue < 128)
  {
    outR = ramp(64 - hue);
    outG = value;
    outB = low;
  }
  else if (hue < 192)
  {
    outR = low;
    outG = value;
    outB = ramp(hue - 192);
  }
  else if (hue < 256)
  {
    outR = low;
    outG = ramp(192 - hue);
    outB = value;
  }
  else if (hue < 320)
  {
    outR = ramp(hue - 320);
    outG = low;
    outB = value;
  }
  else
  {
    outR = value;
    outG = low;
    outB = ramp(320 - hue);
  }
  return Pack(outB, outG, outR, a);
}

} // namespace rules
} // namespace lice
