#pragma once

#include "effect/CircuitSection.h"

#include <emmintrin.h>

// The six coefficients of a left and a right CircuitSection, left in the low lane of each SSE2
// vector and right in the high lane, with the lanes whose a0 is not 0.
struct CircuitCoefficientsPair
{
  __m128d a0, a1, a2, b0, b1, b2;
  __m128d a0NonZero;

  static CircuitCoefficientsPair From(const CircuitSection& left, const CircuitSection& right)
  {
    CircuitCoefficientsPair k;
    k.a0 = _mm_set_pd(right.a0, left.a0);
    k.a1 = _mm_set_pd(right.a1, left.a1);
    k.a2 = _mm_set_pd(right.a2, left.a2);
    k.b0 = _mm_set_pd(right.b0, left.b0);
    k.b1 = _mm_set_pd(right.b1, left.b1);
    k.b2 = _mm_set_pd(right.b2, left.b2);
    k.MarkNonZeroA0();
    return k;
  }
  void MarkNonZeroA0() { a0NonZero = _mm_cmpneq_pd(a0, _mm_setzero_pd()); }

  // Takes fresh's coefficients in the lanes where mask is all ones, keeps its own elsewhere.
  void TakeWhere(__m128d mask, const CircuitCoefficientsPair& fresh)
  {
    auto select = [mask](__m128d from, __m128d kept)
    { return _mm_or_pd(_mm_and_pd(mask, from), _mm_andnot_pd(mask, kept)); };
    a0 = select(fresh.a0, a0);
    a1 = select(fresh.a1, a1);
    a2 = select(fresh.a2, a2);
    b0 = select(fresh.b0, b0);
    b1 = select(fresh.b1, b1);
    b2 = select(fresh.b2, b2);
  }

  // Writes the coefficients into the sections, leaving their memories alone.
  void StoreTo(CircuitSection& left, CircuitSection& right) const
  {
    Unpack(a0, left.a0, right.a0);
    Unpack(a1, left.a1, right.a1);
    Unpack(a2, left.a2, right.a2);
    Unpack(b0, left.b0, right.b0);
    Unpack(b1, left.b1, right.b1);
    Unpack(b2, left.b2, right.b2);
  }

  static void Unpack(__m128d v, double& left, double& right)
  {
    _mm_storel_pd(&left, v);
    _mm_storeh_pd(&right, v);
  }
};

// A left and a right CircuitSection stepped together, left in the low lane and right in the
// high lane. Each lane does exactly what Step does for its own section: the same operations in
// the same order, the same guard for a0 = 0. The coefficients come with each step (they may
// change from frame to frame); the pair works on copies of the sections' memories, and Store
// writes them back. A value type (copyable and assignable) that refers to its two sections.
// Audio thread only.
class CircuitSectionPair
{
public:
  CircuitSectionPair(CircuitSection& left, CircuitSection& right) : mLeft(&left), mRight(&right)
  {
    mX1 = Pack(&CircuitSection::x1);
    mX2 = Pack(&CircuitSection::x2);
    mY1 = Pack(&CircuitSection::y1);
    mY2 = Pack(&CircuitSection::y2);
  }

  __m128d Step(__m128d s, const CircuitCoefficientsPair& k)
  {
    const __m128d sum =
        _mm_sub_pd(_mm_sub_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(k.b0, s), _mm_mul_pd(k.b1, mX1)),
                                         _mm_mul_pd(k.b2, mX2)),
                              _mm_mul_pd(k.a1, mY1)),
                   _mm_mul_pd(k.a2, mY2));
    // A lane whose a0 is 0 gives +0 instead of its quotient.
    const __m128d y = _mm_and_pd(_mm_div_pd(sum, k.a0), k.a0NonZero);
    mX2 = mX1;
    mX1 = s;
    mY2 = mY1;
    mY1 = y;
    return y;
  }

  // Writes the memories back; the last input and output are the newest memories.
  void Store()
  {
    Unpack(mX1, &CircuitSection::x1);
    Unpack(mX2, &CircuitSection::x2);
    Unpack(mY1, &CircuitSection::y1);
    Unpack(mY2, &CircuitSection::y2);
    Unpack(mX1, &CircuitSection::lastInput);
    Unpack(mY1, &CircuitSection::lastOutput);
  }

private:
  __m128d Pack(double CircuitSection::*field) const
  {
    return _mm_set_pd(mRight->*field, mLeft->*field);
  }
  void Unpack(__m128d v, double CircuitSection::*field)
  {
    CircuitCoefficientsPair::Unpack(v, mLeft->*field, mRight->*field);
  }

  CircuitSection* mLeft;
  CircuitSection* mRight;
  __m128d mX1, mX2, mY1, mY2;
};
