#include "effect/HalfbandOversampler.h"

#include <cmath>

namespace {

bool ProcessorHasAvx() {
#if KORU_HALFBAND_AVX
  return __builtin_cpu_supports("avx");
#else
  return false;
#endif
}

}  // namespace

HalfbandOversampler::HalfbandOversampler(int rateExponent)
    : rateExponent_(rateExponent),
      factor_(static_cast<int>(std::pow(2.0, rateExponent))),
      wide_(ProcessorHasAvx()) {
  Reset();
}

void HalfbandOversampler::SetWideVectors(bool allowed) { wide_ = allowed && ProcessorHasAvx(); }

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
