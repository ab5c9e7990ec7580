#pragma once

#include "effect/CircuitDesignLanes.h"
#include "effect/CircuitDesignTables.h"
#include "effect/CircuitSection.h"
#include "effect/CircuitSectionPair.h"

#include <cmath>
#include <cstring>
#include <emmintrin.h>

// Designs the coefficients of a left and a right section of one band like DesignHigh /
// DesignLow / DesignMid, to the same bits, but only when their inputs changed: the smoothed
// controls settle to a fixed point, and from then on the sections keep the coefficients they have.
// Inputs are compared bit for bit (so -0 and NaN are handled like any other value). Both sections
// are designed together in the two lanes of SSE2 vectors (left low, right high), each lane doing
// exactly the scalar design; a design is a pure function of its inputs, so redoing the unchanged
// side gives its same bits. The circuit's zero terms are skipped at compile time, exactly where the
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
      k.TakeWhere(StablePoles(next), next);
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

  // Takes l and r as the last inputs, after the sections were designed from them elsewhere (a
  // block of designs at once): a next Design with the same inputs keeps what they gave.
  void Remember(const Inputs& l, const Inputs& r)
  {
    if (!mValid || !SameBits(l.K, mLeft.K)) mLeftK2 = std::pow(l.K, 2.0);
    if (!mValid || !SameBits(r.K, mRight.K)) mRightK2 = std::pow(r.K, 2.0);
    mValid = true;
    mLeft = l;
    mRight = r;
  }

private:
  void Redesign(CircuitCoefficientsPair& k, const Inputs& l, const Inputs& r)
  {
    // K^2 with the standard power function, as the design does (K is mostly per block).
    Remember(l, r);

    CircuitCoefficientLanes<2> lanes;
    DesignLanes<Model, 2>(_mm_set_pd(r.K, l.K), _mm_set_pd(mRightK2, mLeftK2), _mm_set_pd(r.b, l.b),
                          _mm_set_pd(r.c, l.c), lanes);
    k.a0 = lanes.a0;
    k.a1 = lanes.a1;
    k.a2 = lanes.a2;
    k.b0 = lanes.b0;
    k.b1 = lanes.b1;
    k.b2 = lanes.b2;
  }

  // Where the lanes' new designs are stable.
  static __m128d StablePoles(const CircuitCoefficientsPair& k)
  {
    return StablePolesPair(k.a0, _mm_div_pd(k.a1, k.a0), _mm_div_pd(k.a2, k.a0));
  }

  static bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof(double)) == 0; }
  static bool Same(const Inputs& x, const Inputs& y)
  {
    return SameBits(x.K, y.K) && SameBits(x.b, y.b) && SameBits(x.c, y.c);
  }
  bool mValid = false;
  Inputs mLeft{}, mRight{};
  double mLeftK2 = 0.0, mRightK2 = 0.0;
};
