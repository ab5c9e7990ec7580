#pragma once

#include <emmintrin.h>

#include <cmath>

#include "effect/InputCurveTable.h"

// The input stage's fixed, odd-symmetric transfer curve: small signals are scaled by about
// 0.1444 (-16.8 dB), magnitudes beyond about 1.4 are held at the curve's end value.
// Linear interpolation in a single-precision table, evaluated in double. Pure function,
// no state; safe on the audio thread.
//  - A NaN input gives 0 with the input's sign bit.
//  - Any magnitude past the table's end, however large (infinity included), gives the end
//    value with the sign of s.
inline double InputCurve(double s) {
  using inputcurve::kCount;
  using inputcurve::kTable;

  const double u = std::fabs(s) * static_cast<double>(inputcurve::kScale);
  double y;
  if (std::isnan(u)) {
    y = kTable[0];
  } else if (!(u < 2147483648.0)) {
    // Too large for the index: still far past the last entry.
    y = kTable[kCount - 1];
  } else {
    const int i = static_cast<int>(u);
    if (i >= kCount - 1) {
      y = kTable[kCount - 1];
    } else {
      const double f = u - i;
      y = static_cast<double>(kTable[i]) * (1 - f) + static_cast<double>(kTable[i + 1]) * f;
    }
  }
  // The table is non-positive: taking the sign of s keeps the stage's polarity.
  return std::copysign(y, s);
}

namespace inputcurve {
// The table's entries widened to double (exactly), so that one 16-byte load fetches the two
// neighbours a lane interpolates between.
struct WideTable {
  double entries[kCount];
};
constexpr WideTable Widen() {
  WideTable wide{};
  for (int i = 0; i < kCount; ++i) wide.entries[i] = static_cast<double>(kTable[i]);
  return wide;
}
alignas(16) inline constexpr WideTable kWideTable = Widen();
}  // namespace inputcurve

// InputCurve on both lanes of an SSE2 pair at once, without branches: each lane gives exactly
// InputCurve of its own value (the same interpolation in the same order, the same end value
// for magnitudes past the table or too large for the index, T[0] for a NaN, the sign copied).
inline __m128d InputCurvePair(__m128d s) {
  using inputcurve::kCount;
  using inputcurve::kTable;
  const __m128d signBit = _mm_set1_pd(-0.0);
  const __m128d u =
      _mm_mul_pd(_mm_andnot_pd(signBit, s), _mm_set1_pd(static_cast<double>(inputcurve::kScale)));
  // Truncation toward zero; lanes that are NaN or at least 2^31 read garbage and are replaced.
  const __m128i i = _mm_cvttpd_epi32(u);
  const int i0 = _mm_cvtsi128_si32(i);
  const int i1 = _mm_cvtsi128_si32(_mm_srli_si128(i, 4));
  // Entry i and i + 1 must both exist; others take entry 0 and are replaced below.
  const int j0 = static_cast<unsigned>(i0) < static_cast<unsigned>(kCount - 1) ? i0 : 0;
  const int j1 = static_cast<unsigned>(i1) < static_cast<unsigned>(kCount - 1) ? i1 : 0;
  const __m128d f = _mm_sub_pd(u, _mm_cvtepi32_pd(i));
  const __m128d around0 = _mm_loadu_pd(&inputcurve::kWideTable.entries[j0]);  // entries j0, j0 + 1
  const __m128d around1 = _mm_loadu_pd(&inputcurve::kWideTable.entries[j1]);
  const __m128d lower = _mm_unpacklo_pd(around0, around1);
  const __m128d upper = _mm_unpackhi_pd(around0, around1);
  const __m128d interpolated =
      _mm_add_pd(_mm_mul_pd(lower, _mm_sub_pd(_mm_set1_pd(1.0), f)), _mm_mul_pd(upper, f));

  // Interpolated where u < 2^31 (not NaN) and i < count - 1.
  const __m128i indexInTable = _mm_cmplt_epi32(i, _mm_set1_epi32(kCount - 1));
  const __m128d inTable = _mm_and_pd(_mm_cmplt_pd(u, _mm_set1_pd(2147483648.0)),
                                     _mm_castsi128_pd(_mm_shuffle_epi32(indexInTable, 0x50)));
  const __m128d isNaN = _mm_cmpunord_pd(u, u);
  const __m128d endValue =
      _mm_or_pd(_mm_and_pd(isNaN, _mm_set1_pd(static_cast<double>(kTable[0]))),
                _mm_andnot_pd(isNaN, _mm_set1_pd(static_cast<double>(kTable[kCount - 1]))));
  const __m128d y = _mm_or_pd(_mm_and_pd(inTable, interpolated), _mm_andnot_pd(inTable, endValue));
  return _mm_or_pd(_mm_andnot_pd(signBit, y), _mm_and_pd(signBit, s));
}
