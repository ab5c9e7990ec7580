#include "effect/VectorIsa.h"

#include "effect/HalfbandStage.h"

VectorIsa ProcessorVectorIsa()
{
#if KORU_HALFBAND_AVX
  static const VectorIsa isa = []
  {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq"))
      return VectorIsa::kAvx512;
    if (__builtin_cpu_supports("avx")) return VectorIsa::kAvx;
    return VectorIsa::kSse2;
  }();
  return isa;
#else
  return VectorIsa::kSse2;
#endif
}
