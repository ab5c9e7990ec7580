#pragma once

#include "effect/CircuitDesignTables.h"
#include "effect/CircuitSection.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// Designs one equaliser section like DesignHigh / DesignLow / DesignMid, to the same bits, but
// only when its inputs changed: the smoothed controls settle to a fixed point, and from then on
// the section keeps the coefficients it has. Inputs are compared bit for bit (so -0 and NaN
// are handled like any other value). The circuit's zero terms are skipped at compile time,
// exactly where the run-time design skips them. Audio thread only; no allocation.
template <const circuit::CircuitModel& Model>
class CircuitDesignCache
{
public:
  // Designs section for rate constant K and control values b, c unless the previous call had
  // the very same inputs (and no Invalidate came in between). True if it designed.
  bool Design(CircuitSection& section, double K, double b, double c)
  {
    if (mValid && SameBits(K, mK) && SameBits(b, mB) && SameBits(c, mC)) return false;
    Redesign(section, K, b, c);
    return true;
  }

  // Forces the next Design to compute (for a section whose coefficients were set elsewhere).
  void Invalidate() { mValid = false; }

private:
  void Redesign(CircuitSection& section, double K, double b, double c)
  {
    // K^2 with the standard power function, as the design does (K is mostly per block).
    if (!mValid || !SameBits(K, mK)) mK2 = std::pow(K, 2.0);
    mValid = true;
    mK = K;
    mB = b;
    mC = c;

    const double bb = b * b;
    const double A2 = Evaluate<&circuit::CircuitModel::A2>(b, c, bb);
    const double A1 = Evaluate<&circuit::CircuitModel::A1>(b, c, bb);
    const double A0 = Evaluate<&circuit::CircuitModel::A0>(b, c, bb);
    const double B2 = Evaluate<&circuit::CircuitModel::B2>(b, c, bb);
    const double B1 = Evaluate<&circuit::CircuitModel::B1>(b, c, bb);
    const double B0 = Evaluate<&circuit::CircuitModel::B0>(b, c, bb);
    const double K2 = mK2;

    section.a0 = A2 * K2 + A1 * K + A0;
    section.a1 = 2 * (A0 - A2 * K2);
    section.a2 = A2 * K2 - A1 * K + A0;
    section.b0 = B2 * K2 + B1 * K + B0;
    section.b1 = 2 * (B0 - B2 * K2);
    section.b2 = B2 * K2 - B1 * K + B0;
  }

  static bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof(double)) == 0; }

  // The row's terms summed in table order: 1, b, b^2, c, b*c, b^2*c.
  template <circuit::CoefficientTerms circuit::CircuitModel::*Row>
  static double Evaluate(double b, double c, double bb)
  {
    constexpr circuit::CoefficientTerms t = Model.*Row;
    double sum = t.one;
    if constexpr (t.b != 0) sum = sum + t.b * b;
    if constexpr (t.bb != 0) sum = sum + t.bb * bb;
    if constexpr (t.c != 0) sum = sum + t.c * c;
    if constexpr (t.bc != 0) sum = sum + t.bc * (b * c);
    if constexpr (t.bbc != 0) sum = sum + t.bbc * (bb * c);
    return sum;
  }

  bool mValid = false;
  double mK = 0.0, mB = 0.0, mC = 0.0, mK2 = 0.0;
};
