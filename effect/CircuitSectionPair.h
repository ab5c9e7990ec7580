#pragma once

#include "effect/CircuitSection.h"

#include <emmintrin.h>

// A left and a right CircuitSection stepped together: left in the low lane of each SSE2
// vector, right in the high lane. Each lane does exactly what Step does for its own section:
// the same operations in the same order, the same guard for a0 = 0. The pair works on copies
// of the sections' memories; Store writes them back. Audio thread only.
class CircuitSectionPair
{
public:
  CircuitSectionPair(CircuitSection& left, CircuitSection& right) : mLeft(left), mRight(right)
  {
    mX1 = Pack(&CircuitSection::x1);
    mX2 = Pack(&CircuitSection::x2);
    mY1 = Pack(&CircuitSection::y1);
    mY2 = Pack(&CircuitSection::y2);
    LoadCoefficients();
  }

  // Takes the sections' coefficients again, after a design changed them.
  void LoadCoefficients()
  {
    mA0 = Pack(&CircuitSection::a0);
    mA1 = Pack(&CircuitSection::a1);
    mA2 = Pack(&CircuitSection::a2);
    mB0 = Pack(&CircuitSection::b0);
    mB1 = Pack(&CircuitSection::b1);
    mB2 = Pack(&CircuitSection::b2);
    mA0NonZero = _mm_cmpneq_pd(mA0, _mm_setzero_pd());
  }

  __m128d Step(__m128d s)
  {
    const __m128d sum = _mm_sub_pd(
      _mm_sub_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(mB0, s), _mm_mul_pd(mB1, mX1)), _mm_mul_pd(mB2, mX2)),
                 _mm_mul_pd(mA1, mY1)),
      _mm_mul_pd(mA2, mY2));
    // A lane whose a0 is 0 gives +0 instead of its quotient.
    const __m128d y = _mm_and_pd(_mm_div_pd(sum, mA0), mA0NonZero);
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
  __m128d Pack(double CircuitSection::*field) const { return _mm_set_pd(mRight.*field, mLeft.*field); }
  void Unpack(__m128d v, double CircuitSection::*field)
  {
    _mm_storel_pd(&(mLeft.*field), v);
    _mm_storeh_pd(&(mRight.*field), v);
  }

  CircuitSection& mLeft;
  CircuitSection& mRight;
  __m128d mX1, mX2, mY1, mY2;
  __m128d mA0, mA1, mA2, mB0, mB1, mB2;
  __m128d mA0NonZero;
};
