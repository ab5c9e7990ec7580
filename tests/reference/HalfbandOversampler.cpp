#include "reference/HalfbandOversampler.h"

#include <cmath>

HalfbandOversampler::HalfbandOversampler(int rateExponent)
  : mRateExponent(rateExponent)
  , mFactor(static_cast<int>(std::pow(2.0, rateExponent)))
{
  Reset();
}

void HalfbandOversampler::Reset()
{
  mUp1.Reset();
  mUp2.Reset();
  mUp3.Reset();
  mUp4.Reset();
  mDown4.Reset();
  mDown3.Reset();
  mDown2.Reset();
  mDown1.Reset();
}
