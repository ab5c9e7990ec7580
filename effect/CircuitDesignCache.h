#pragma once

#include "effect/CircuitDesignTables.h"
#include "effect/CircuitSection.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

// Designs a left and a right section of one band like DesignHigh / DesignLow / DesignMid, to
// the same bits, but only when their inputs changed: the smoothed controls settle to a fixed
// point, and from then on the sections keep the coefficients they have. Inputs are compared
// bit for bit (so -0 and NaN are handled like any other value). Both sections are designed
// together in the two lanes of SSE2 vectors (left low, right high), each lane doing exactly the
// scalar design; a design is a pure function of its inputs, so redoing the unchanged side gives
// its same bits. The circuit's zero terms are skipped at compile time, exactly where the
// run-time design skips them. With KeepLastStable a side whose new design would be unstable
// keeps its previous coefficients, as DesignHighStable does. Audio thread only; no allocation.
template <const circuit::CircuitModel& Model, bool KeepLastStable = false>
class CircuitDesignCache
{
public:
  struct Inputs
  {
    double K; // bilinear rate constant
    double b; // control values
    double c;
  };

  // Designs both sections unless the previous call had the very same inputs (and no Invalidate
  // came in between). True if it designed.
  bool Design(CircuitSection& left, CircuitSection& right, const Inputs& l, const Inputs& r)
  {
    if (mValid && Same(l, mLeft) && Same(r, mRight)) return false;
    if constexpr (KeepLastStable)
    {
      CircuitSection newLeft, newRight;
      Redesign(newLeft, newRight, l, r);
      if (HasStablePoles(newLeft)) CopyCoefficients(left, newLeft);
      if (HasStablePoles(newRight)) CopyCoefficients(right, newRight);
    }
    else
    {
      Redesign(left, right, l, r);
    }
    return true;
  }

  // Forces the next Design to compute (after the sections were designed elsewhere).
  void Invalidate() { mValid = false; }

private:
  void Redesign(CircuitSection& left, CircuitSection& right, const Inputs& l, const Inputs& r)
  {
    // K^2 with the standard power function, as the design does (K is mostly per block).
    if (!mValid || !SameBits(l.K, mLeft.K)) mLeftK2 = std::pow(l.K, 2.0);
    if (!mValid || !SameBits(r.K, mRight.K)) mRightK2 = std::pow(r.K, 2.0);
    mValid = true;
    mLeft = l;
    mRight = r;

    const __m128d b = _mm_set_pd(r.b, l.b);
    const __m128d c = _mm_set_pd(r.c, l.c);
    const __m128d K = _mm_set_pd(r.K, l.K);
    const __m128d K2 = _mm_set_pd(mRightK2, mLeftK2);
    const __m128d bb = _mm_mul_pd(b, b);
    const __m128d A2 = Evaluate<&circuit::CircuitModel::A2>(b, c, bb);
    const __m128d A1 = Evaluate<&circuit::CircuitModel::A1>(b, c, bb);
    const __m128d A0 = Evaluate<&circuit::CircuitModel::A0>(b, c, bb);
    const __m128d B2 = Evaluate<&circuit::CircuitModel::B2>(b, c, bb);
    const __m128d B1 = Evaluate<&circuit::CircuitModel::B1>(b, c, bb);
    const __m128d B0 = Evaluate<&circuit::CircuitModel::B0>(b, c, bb);
    const __m128d two = _mm_set1_pd(2.0);

    // a0 = A2 K2 + A1 K + A0, a1 = 2 (A0 - A2 K2), a2 = A2 K2 - A1 K + A0; b likewise.
    Store(_mm_add_pd(_mm_add_pd(_mm_mul_pd(A2, K2), _mm_mul_pd(A1, K)), A0), left.a0, right.a0);
    Store(_mm_mul_pd(two, _mm_sub_pd(A0, _mm_mul_pd(A2, K2))), left.a1, right.a1);
    Store(_mm_add_pd(_mm_sub_pd(_mm_mul_pd(A2, K2), _mm_mul_pd(A1, K)), A0), left.a2, right.a2);
    Store(_mm_add_pd(_mm_add_pd(_mm_mul_pd(B2, K2), _mm_mul_pd(B1, K)), B0), left.b0, right.b0);
    Store(_mm_mul_pd(two, _mm_sub_pd(B0, _mm_mul_pd(B2, K2))), left.b1, right.b1);
    Store(_mm_add_pd(_mm_sub_pd(_mm_mul_pd(B2, K2), _mm_mul_pd(B1, K)), B0), left.b2, right.b2);
  }

  static bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof(double)) == 0; }
  static bool Same(const Inputs& x, const Inputs& y)
  {
    return SameBits(x.K, y.K) && SameBits(x.b, y.b) && SameBits(x.c, y.c);
  }
  static void Store(__m128d v, double& left, double& right)
  {
    _mm_storel_pd(&left, v);
    _mm_storeh_pd(&right, v);
  }

  // The row's terms summed in table order: 1, b, b^2, c, b*c, b^2*c.
  template <circuit::CoefficientTerms circuit::CircuitModel::*Row>
  static __m128d Evaluate(__m128d b, __m128d c, __m128d bb)
  {
    constexpr circuit::CoefficientTerms t = Model.*Row;
    __m128d sum = _mm_set1_pd(t.one);
    if constexpr (t.b != 0) sum = _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(t.b), b));
    if constexpr (t.bb != 0) sum = _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(t.bb), bb));
    if constexpr (t.c != 0) sum = _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(t.c), c));
    if constexpr (t.bc != 0) sum = _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(t.bc), _mm_mul_pd(b, c)));
    if constexpr (t.bbc != 0) sum = _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(t.bbc), _mm_mul_pd(bb, c)));
    return sum;
  }

  bool mValid = false;
  Inputs mLeft{}, mRight{};
  double mLeftK2 = 0.0, mRightK2 = 0.0;
};
