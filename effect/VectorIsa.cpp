#include "effect/VectorIsa.h"

#include <cctype>
#include <cstdlib>
#include <string>

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

VectorIsa ConfiguredVectorIsa()
{
  const char* asked = std::getenv("KORU_VECTOR_PATH");
  if (asked)
  {
    std::string name(asked);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (VectorIsa isa : {VectorIsa::kSse2, VectorIsa::kAvx, VectorIsa::kAvx512})
      if (name == VectorIsaName(isa)) return LimitedVectorIsa(isa);
  }
  return ProcessorVectorIsa();
}
