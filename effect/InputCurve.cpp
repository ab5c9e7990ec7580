#include "effect/InputCurve.h"

#include <cmath>

#include "effect/InputCurveTable.h"

double InputCurve(double s) {
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
