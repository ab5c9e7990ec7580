#pragma once

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
