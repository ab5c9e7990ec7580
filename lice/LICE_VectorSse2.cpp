// The hot rows four pixels at a time with SSE2, the x86-64 baseline.
#include "lice/LICE_VectorPath.h"

#if defined(__x86_64__) || defined(_M_X64)
#include "lice/LICE_VectorKernels.h"

#include <emmintrin.h>

namespace
{
struct Sse2Ops
{
  using Vector = __m128i;
  static constexpr int kPixels = 4;
  static constexpr int kAllBits = 0xFFFF;
  static Vector Zero() { return _mm_setzero_si128(); }
  static Vector Splat32(uint32_t v) { return _mm_set1_epi32(int(v)); }
  static Vector Load(const LICE_Pixel32* p) { return _mm_loadu_si128((const __m128i*)p); }
  static void Store(LICE_Pixel32* p, Vector v) { _mm_storeu_si128((__m128i*)p, v); }
  static Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
  static Vector AndNot(Vector mask, Vector b) { return _mm_andnot_si128(mask, b); }
  static Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
  static Vector Add32(Vector a, Vector b) { return _mm_add_epi32(a, b); }
  static Vector ShiftRight32(Vector a, int n) { return _mm_srli_epi32(a, n); }
  static Vector Equal32(Vector a, Vector b) { return _mm_cmpeq_epi32(a, b); }
  static int MoveMask(Vector a) { return _mm_movemask_epi8(a); }
  static Vector UnpackLo8(Vector a, Vector b) { return _mm_unpacklo_epi8(a, b); }
  static Vector UnpackHi8(Vector a, Vector b) { return _mm_unpackhi_epi8(a, b); }
  static Vector PackUnsigned16(Vector a, Vector b) { return _mm_packus_epi16(a, b); }
  static Vector AddSaturate8(Vector a, Vector b) { return _mm_adds_epu8(a, b); }
  static Vector SubSaturate8(Vector a, Vector b) { return _mm_subs_epu8(a, b); }
  static Vector Equal8(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
  static Vector Add8(Vector a, Vector b) { return _mm_add_epi8(a, b); }
  static Vector Sub8(Vector a, Vector b) { return _mm_sub_epi8(a, b); }
  static Vector Xor(Vector a, Vector b) { return _mm_xor_si128(a, b); }
  static Vector MulHiUnsigned16(Vector a, Vector b) { return _mm_mulhi_epu16(a, b); }
};
} // namespace

namespace lice
{
const RowKernels kSse2Kernels = {SourceOverRow<Sse2Ops>,  CopyHalfRow<Sse2Ops>,
                                 FillSolidRow<Sse2Ops>,   FillHalfRow<Sse2Ops>,
                                 FillQuarterRow<Sse2Ops>, FillThreeQuartersRow<Sse2Ops>};
} // namespace lice
#endif
