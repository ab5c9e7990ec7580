// The hot rows eight pixels at a time with AVX2. This file alone is compiled with -mavx2 (where
// the build offers it) and is only called after the processor was checked; it includes nothing
// whose inline code could be shared with the rest of the program.
#include "lice/LICE_VectorPath.h"

#if defined(__AVX2__)
#include "lice/LICE_VectorKernels.h"

#include <immintrin.h>

namespace
{
struct Avx2Ops
{
  using Vector = __m256i;
  static constexpr int kPixels = 8;
  static constexpr int kAllBits = -1;
  static Vector Zero() { return _mm256_setzero_si256(); }
  static Vector Splat32(uint32_t v) { return _mm256_set1_epi32(int(v)); }
  static Vector Load(const LICE_Pixel32* p) { return _mm256_loadu_si256((const __m256i*)p); }
  static void Store(LICE_Pixel32* p, Vector v) { _mm256_storeu_si256((__m256i*)p, v); }
  static Vector And(Vector a, Vector b) { return _mm256_and_si256(a, b); }
  static Vector AndNot(Vector mask, Vector b) { return _mm256_andnot_si256(mask, b); }
  static Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
  static Vector Add32(Vector a, Vector b) { return _mm256_add_epi32(a, b); }
  static Vector ShiftRight32(Vector a, int n) { return _mm256_srli_epi32(a, n); }
  static Vector Equal32(Vector a, Vector b) { return _mm256_cmpeq_epi32(a, b); }
  static int MoveMask(Vector a) { return _mm256_movemask_epi8(a); }
  static Vector UnpackLo8(Vector a, Vector b) { return _mm256_unpacklo_epi8(a, b); }
  static Vector UnpackHi8(Vector a, Vector b) { return _mm256_unpackhi_epi8(a, b); }
  // Within each 128-bit half, like the unpacks, so the pixel order comes back unchanged.
  static Vector PackUnsigned16(Vector a, Vector b) { return _mm256_packus_epi16(a, b); }
  static Vector AddSaturate8(Vector a, Vector b) { return _mm256_adds_epu8(a, b); }
  static Vector SubSaturate8(Vector a, Vector b) { return _mm256_subs_epu8(a, b); }
  static Vector Equal8(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
  static Vector Add8(Vector a, Vector b) { return _mm256_add_epi8(a, b); }
  static Vector Sub8(Vector a, Vector b) { return _mm256_sub_epi8(a, b); }
  static Vector Xor(Vector a, Vector b) { return _mm256_xor_si256(a, b); }
  static Vector MulHiUnsigned16(Vector a, Vector b) { return _mm256_mulhi_epu16(a, b); }
};
} // namespace

namespace lice
{
const bool kAvx2KernelsBuilt = true;
const RowKernels kAvx2Kernels = {SourceOverRow<Avx2Ops>,  CopyHalfRow<Avx2Ops>,
                                 FillSolidRow<Avx2Ops>,   FillHalfRow<Avx2Ops>,
                                 FillQuarterRow<Avx2Ops>, FillThreeQuartersRow<Avx2Ops>};
} // namespace lice
#else
namespace lice
{
const bool kAvx2KernelsBuilt = false;
const RowKernels kAvx2Kernels = {};
} // namespace lice
#endif
