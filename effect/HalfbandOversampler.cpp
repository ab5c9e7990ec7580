#include "effect/HalfbandOversampler.h"

#include <cmath>

HalfbandOversampler::HalfbandOversampler(int rateExponent)
    : rateExponent_(rateExponent),
      factor_(static_cast<int>(std::pow(2.0, rateExponent))),
      isa_(ProcessorVectorIsa()) {
  Reset();
}

void HalfbandOversampler::Reset() {
  up1_.Reset();
  up2_.Reset();
  up3_.Reset();
  up4_.Reset();
  down4_.Reset();
  down3_.Reset();
  down2_.Reset();
  down1_.Reset();
}
