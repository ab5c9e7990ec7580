#include "effect/VectorIsa.h"

VectorIsa ProcessorVectorIsa()
{
#if KORU_WIDE_VECTORS
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

const char* VectorIsaName(VectorIsa isa)
{
  switch (isa)
  {
  case VectorIsa::kSse2: return "SSE2";
  case VectorIsa::kAvx: return "AVX";
  case VectorIsa::kAvx512: return "AVX512";
  }
  return "?";
}
