#pragma once

#include "effect/CircuitDesignTables.h"
#include "effect/CircuitSection.h"
#include "effect/CircuitSectionPair.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

// Designs the coefficients of a left and a right section of one band like DesignHigh /
// DesignLow / DesignMid, to the same bits, but only when their inputs changed: the smoothed controls settle to a fixed
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

  // Designs both sections' coefficients into k unless the previous call had the very same
  // inputs (and no Invalidate came in between): k then still holds that call's result. With
  // KeepLastStable, k holds the sections' current coefficients on entry. True if it designed.
  bool Design(CircuitCoefficientsPair& k, const Inputs& l, const Inputs& r)
  {
    if (mValid && Same(l, mLeft) && Same(r, mRight)) return false;
    if constexpr (KeepLastStable)
    {
      CircuitCoefficientsPair next;
      Redesign(next, l, r);
      // Each lane takes its new design only where that is stable.
      const __m128d stable = StablePoles(next);
      auto select = [stable](__m128d fresh, __m128d kept) {
        return _mm_or_pd(_mm_and_pd(stable, fresh), _mm_andnot_pd(stable, kept));
      };
      k.a0 = select(next.a0, k.a0);
      k.a1 = select(next.a1, k.a1);
      k.a2 = select(next.a2, k.a2);
      k.b0 = select(next.b0, k.b0);
      k.b1 = select(next.b1, k.b1);
      k.b2 = select(next.b2, k.b2);
    }
    else
    {
      Redesign(k, l, r);
    }
    k.MarkNonZeroA0();
    return true;
  }

  // Forces the next Design to compute (after the sections were designed elsewhere).
  void Invalidate() { mValid = false; }

private:
  void Redesign(CircuitCoefficientsPair& k, const Inputs& l, const Inputs& r)
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
    k.a0 = _mm_add_pd(_mm_add_pd(_mm_mul_pd(A2, K2), _mm_mul_pd(A1, K)), A0);
    k.a1 = _mm_mul_pd(two, _mm_sub_pd(A0, _mm_mul_pd(A2, K2)));
    k.a2 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(A2, K2), _mm_mul_pd(A1, K)), A0);
    k.b0 = _mm_add_pd(_mm_add_pd(_mm_mul_pd(B2, K2), _mm_mul_pd(B1, K)), B0);
    k.b1 = _mm_mul_pd(two, _mm_sub_pd(B0, _mm_mul_pd(B2, K2)));
    k.b2 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(B2, K2), _mm_mul_pd(B1, K)), B0);
  }

  // HasStablePoles in each lane: a0 not 0, |a2 / a0| < 1 and |a1 / a0| < 1 + a2 / a0. (A lane
  // whose a0 is 0 divides by it here, but its answer is false all the same.)
  static __m128d StablePoles(const CircuitCoefficientsPair& k)
  {
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d p1 = _mm_div_pd(k.a1, k.a0);
    const __m128d p2 = _mm_div_pd(k.a2, k.a0);
    const __m128d inside = _mm_and_pd(_mm_cmplt_pd(_mm_and_pd(p2, magnitude), one),
                                      _mm_cmplt_pd(_mm_and_pd(p1, magnitude), _mm_add_pd(one, p2)));
    return _mm_and_pd(_mm_cmpneq_pd(k.a0, _mm_setzero_pd()), inside);
  }

  static bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof(double)) == 0; }
  static bool Same(const Inputs& x, const Inputs& y)
  {
    return SameBits(x.K, y.K) && SameBits(x.b, y.b) && SameBits(x.c, y.c);
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
