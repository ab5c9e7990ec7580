#pragma once

// The row kernels written once over a vector width: Ops supplies the few operations (SSE2
// with 4 pixels per vector, AVX2 with 8) and the scalar rules finish each row's tail. Included
// only by LICE_VectorSse2.cpp and LICE_VectorAvx2.cpp, each compiled for its own instruction set;
// everything here is internal to those files (anonymous namespace), so no copy compiled for AVX2
// can stand in for the SSE2 one at link time.
//
// Source-over without division or signed products: s + trunc((d - s) * m / 256) with m = 255 - a
// is s plus or minus floor(|d - s| * m / 256), whichever the sign of d - s says, so each byte
// needs one unsigned 16-bit multiply.

#include "lice/LICE_Types.h"

namespace
{

inline LICE_Pixel32 ScalarSourceOver(LICE_Pixel32 d, LICE_Pixel32 s)
{
  const unsigned a = s >> 24;
  if (a == 0) return d;
  if (a == 255) return s;
  const unsigned m = 255 - a;
  LICE_Pixel32 out = 0;
  for (int shift = 0; shift < 24; shift += 8)
  {
    const unsigned sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
    const unsigned c = dc >= sc ? sc + (dc - sc) * m / 256 : sc - (sc - dc) * m / 256;
    out |= c << shift;
  }
  const unsigned alpha = (d >> 24) + a;
  return out | ((alpha > 255 ? 255u : alpha) << 24);
}

template <class Ops>
void SourceOverRow(LICE_Pixel32* d, const LICE_Pixel32* s, int n)
{
  using V = typename Ops::Vector;
  constexpr int kStep = Ops::kPixels;
  const V zero = Ops::Zero();
  const V alphaBytes = Ops::Splat32(0xFF000000u);
  int i = 0;
  for (; i + kStep <= n; i += kStep)
  {
    const V sv = Ops::Load(s + i);
    // (255 - a) << 24 per pixel: all alpha bits for a = 0, none for a = 255.
    const V inverse = Ops::AndNot(sv, alphaBytes);
    const V transparent = Ops::Equal32(inverse, alphaBytes);
    if (Ops::MoveMask(transparent) == Ops::kAllBits) continue;
    if (Ops::MoveMask(Ops::Equal32(inverse, zero)) == Ops::kAllBits)
    {
      Ops::Store(d + i, sv);
      continue;
    }
    const V dv = Ops::Load(d + i);
    // m = 255 - a in every byte of its pixel.
    V m = Ops::Or(inverse, Ops::ShiftRight32(inverse, 8));
    m = Ops::Or(m, Ops::ShiftRight32(m, 16));
    // s + trunc((d - s) * m / 256) = s +- floor(|d - s| * m / 256), the sign of d - s.
    const V above = Ops::SubSaturate8(dv, sv), below = Ops::SubSaturate8(sv, dv);
    const V distance = Ops::Or(above, below);
    const V negative = Ops::Equal8(above, zero); // d <= s (the step is 0 when equal)
    // The distance in the high byte of 16-bit lanes: mulhi gives distance * m >> 8.
    const V stepLo = Ops::MulHiUnsigned16(Ops::UnpackLo8(zero, distance), Ops::UnpackLo8(m, zero));
    const V stepHi = Ops::MulHiUnsigned16(Ops::UnpackHi8(zero, distance), Ops::UnpackHi8(m, zero));
    const V step = Ops::PackUnsigned16(stepLo, stepHi);
    const V colour = Ops::Add8(sv, Ops::Sub8(Ops::Xor(step, negative), negative));
    const V alpha = Ops::And(Ops::AddSaturate8(dv, sv), alphaBytes);
    const V blended = Ops::Or(Ops::AndNot(alphaBytes, colour), alpha);
    Ops::Store(d + i, Ops::Or(Ops::And(transparent, dv), Ops::AndNot(transparent, blended)));
  }
  for (; i < n; ++i) d[i] = ScalarSourceOver(d[i], s[i]);
}

template <class Ops>
void CopyHalfRow(LICE_Pixel32* d, const LICE_Pixel32* s, int n)
{
  using V = typename Ops::Vector;
  constexpr int kStep = Ops::kPixels;
  const V mask = Ops::Splat32(0x7F7F7F7F);
  int i = 0;
  for (; i + kStep <= n; i += kStep)
  {
    const V sv = Ops::And(Ops::ShiftRight32(Ops::Load(s + i), 1), mask);
    const V dv = Ops::And(Ops::ShiftRight32(Ops::Load(d + i), 1), mask);
    Ops::Store(d + i, Ops::Add32(sv, dv));
  }
  for (; i < n; ++i) d[i] = ((s[i] >> 1) & 0x7F7F7F7F) + ((d[i] >> 1) & 0x7F7F7F7F);
}

template <class Ops>
void FillSolidRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  using V = typename Ops::Vector;
  constexpr int kStep = Ops::kPixels;
  const V cv = Ops::Splat32(c);
  int i = 0;
  for (; i + kStep <= n; i += kStep) Ops::Store(d + i, cv);
  for (; i < n; ++i) d[i] = c;
}

template <class Ops>
void FillHalfRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  using V = typename Ops::Vector;
  constexpr int kStep = Ops::kPixels;
  const LICE_Pixel32 ch = (c >> 1) & 0x7F7F7F7F;
  const V cv = Ops::Splat32(ch);
  const V mask = Ops::Splat32(0x7F7F7F7F);
  int i = 0;
  for (; i + kStep <= n; i += kStep)
    Ops::Store(d + i, Ops::Add32(cv, Ops::And(Ops::ShiftRight32(Ops::Load(d + i), 1), mask)));
  for (; i < n; ++i) d[i] = ch + ((d[i] >> 1) & 0x7F7F7F7F);
}

template <class Ops>
void FillQuarterRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  using V = typename Ops::Vector;
  constexpr int kStep = Ops::kPixels;
  const LICE_Pixel32 cq = (c >> 2) & 0x3F3F3F3F;
  const V cv = Ops::Splat32(cq);
  const V mask1 = Ops::Splat32(0x7F7F7F7F), mask2 = Ops::Splat32(0x3F3F3F3F);
  int i = 0;
  for (; i + kStep <= n; i += kStep)
  {
    const V dv = Ops::Load(d + i);
    const V half = Ops::And(Ops::ShiftRight32(dv, 1), mask1);
    const V quarter = Ops::And(Ops::ShiftRight32(dv, 2), mask2);
    Ops::Store(d + i, Ops::Add32(Ops::Add32(half, quarter), cv));
  }
  for (; i < n; ++i) d[i] = ((d[i] >> 1) & 0x7F7F7F7F) + ((d[i] >> 2) & 0x3F3F3F3F) + cq;
}

template <class Ops>
void FillThreeQuartersRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  using V = typename Ops::Vector;
  constexpr int kStep = Ops::kPixels;
  const LICE_Pixel32 cq = (c >> 2) & 0x3F3F3F3F, ch = (c >> 1) & 0x7F7F7F7F;
  const V cqv = Ops::Splat32(cq), chv = Ops::Splat32(ch);
  const V mask2 = Ops::Splat32(0x3F3F3F3F);
  int i = 0;
  for (; i + kStep <= n; i += kStep)
  {
    const V quarter = Ops::And(Ops::ShiftRight32(Ops::Load(d + i), 2), mask2);
    Ops::Store(d + i, Ops::Add32(Ops::Add32(cqv, quarter), chv));
  }
  for (; i < n; ++i) d[i] = cq + ((d[i] >> 2) & 0x3F3F3F3F) + ch;
}

} // namespace
