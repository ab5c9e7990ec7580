#pragma once

// The AVX and AVX-512 forms where GCC or Clang target x86-64. On Windows, MinGW's GCC keeps the
// stack aligned to 16 bytes only but spills wide vectors with aligned moves: there the build must
// have its assembler write them as unaligned ones (cmake/CompilerFlags.cmake does).
#if defined(__GNUC__) && defined(__x86_64__) && (!defined(_WIN32) || KORU_UNALIGNED_VECTOR_MOVES)
#define KORU_WIDE_VECTORS 1
#endif

// The widest vector instructions a processing path may use. Every path gives the same bits;
// the wider ones just do more per instruction (and AVX-512 brings twice the registers).
enum class VectorIsa
{
  kSse2,  // baseline x86-64
  kAvx,   // 256-bit vectors, 16 registers
  kAvx512 // 32 registers, and 512-bit vectors where they pay (AVX-512F, VL and DQ)
};

// What this processor offers (checked once); SSE2 in builds without the wide forms.
VectorIsa ProcessorVectorIsa();

// The narrower of what is asked and what the processor offers.
inline VectorIsa LimitedVectorIsa(VectorIsa asked)
{
  const VectorIsa offered = ProcessorVectorIsa();
  return asked < offered ? asked : offered;
}

// "SSE2", "AVX" or "AVX512".
const char* VectorIsaName(VectorIsa isa);
