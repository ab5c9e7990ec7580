#pragma once

#include "effect/InputCurveTable.h"

#include <cmath>
#include <emmintrin.h>

// The input stage's fixed, odd-symmetric transfer curve: small signals are scaled by about
// 0.1444 (-16.8 dB), magnitudes beyond about 1.4 are held at the curve's end value.
// Linear interpolation in a single-precision table, evaluated in double. Pure function,
// no state; safe on the audio thread.
//  - A NaN input gives 0 with the input's sign bit.
//  - Any magnitude past the table's end, however large (infinity included), gives the end
//    value with the sign of s.
inline double InputCurve(double s)
{
  using inputcurve::kCount;
  using inputcurve::kTable;

  const double u = std::fabs(s) * static_cast<double>(inputcurve::kScale);
  double y;
  if (std::isnan(u))
  {
    y = kTable[0];
  }
  else if (!(u < 2147483648.0))
  {
    // Too large for the index: still far past the last entry.
    y = kTable[kCount - 1];
  }
  else
  {
    const int i = static_cast<int>(u);
    if (i >= kCount - 1)
    {
      y = kTable[kCount - 1];
    }
    else
    {
      const double f = u - i;
      y = static_cast<double>(kTable[i]) * (1 - f) + static_cast<double>(kTable[i + 1]) * f;
    }
  }
  // The table is non-positive: taking the sign of s keeps the stage's polarity.
  return std::copysign(y, s);
}

namespace inputcurve
{
// The table's entries widened to double (exactly), so that one 16-byte load fetches the two
// neighbours a lane interpolates between; one more copy of the end value follows, so that the
// end can be reached by interpolation too (with weight 0 on the copy).
struct WideTable
{
  double entries[kCount + 1];
};
constexpr WideTable Widen()
{
  WideTable wide{};
  for (int i = 0; i < kCount; ++i) wide.entries[i] = static_cast<double>(kTable[i]);
  wide.entries[kCount] = static_cast<double>(kTable[kCount - 1]);
  return wide;
}
alignas(16) inline constexpr WideTable kWideTable = Widen();
static_assert(kTable[0] == 0.0f, "a NaN input must give a zero");
} // namespace inputcurve

// InputCurve on both lanes of an SSE2 pair at once, without branches: each lane gives exactly
// InputCurve of its own value. The position is limited to the last entry first: below it
// nothing changes, and at it or beyond (infinity included) the interpolation gives the end
// value exactly, T[end] * (1 - 0) + T[end] * 0. A NaN position is limited the same way and
// then replaced by T[0] = 0; the sign of s is copied last, as the scalar curve does.
inline __m128d InputCurvePair(__m128d s)
{
  using inputcurve::kCount;
  const __m128d signBit = _mm_set1_pd(-0.0);
  const __m128d u =
      _mm_mul_pd(_mm_andnot_pd(signBit, s), _mm_set1_pd(static_cast<double>(inputcurve::kScale)));
  // min answers its second operand where the first is NaN.
  const __m128d position = _mm_min_pd(u, _mm_set1_pd(static_cast<double>(kCount - 1)));
  const __m128i i = _mm_cvttpd_epi32(position);
  const unsigned i0 = static_cast<unsigned>(_mm_cvtsi128_si32(i));
  const unsigned i1 = static_cast<unsigned>(_mm_cvtsi128_si32(_mm_srli_si128(i, 4)));
  const __m128d f = _mm_sub_pd(position, _mm_cvtepi32_pd(i));
  const __m128d around0 = _mm_loadu_pd(&inputcurve::kWideTable.entries[i0]); // entries i0, i0 + 1
  const __m128d around1 = _mm_loadu_pd(&inputcurve::kWideTable.entries[i1]);
  const __m128d lower = _mm_unpacklo_pd(around0, around1);
  const __m128d upper = _mm_unpackhi_pd(around0, around1);
  const __m128d interpolated =
      _mm_add_pd(_mm_mul_pd(lower, _mm_sub_pd(_mm_set1_pd(1.0), f)), _mm_mul_pd(upper, f));
  const __m128d y = _mm_andnot_pd(_mm_cmpunord_pd(u, u), interpolated);
  return _mm_or_pd(_mm_andnot_pd(signBit, y), _mm_and_pd(signBit, s));
}
