#pragma once

// The widest vector instructions a processing path may use. Every path gives the same bits;
// the wider ones just do more per instruction (and AVX-512 brings twice the registers).
enum class VectorIsa
{
  kSse2,  // baseline x86-64
  kAvx,   // 256-bit vectors, 16 registers
  kAvx512 // 32 registers, and 512-bit vectors where they pay (AVX-512F, VL and DQ)
};

// What this processor offers (checked once). Builds without the wide forms (Windows) answer
// kSse2.
VectorIsa ProcessorVectorIsa();

// The narrower of what is asked and what the processor offers.
inline VectorIsa LimitedVectorIsa(VectorIsa asked)
{
  const VectorIsa offered = ProcessorVectorIsa();
  return asked < offered ? asked : offered;
}
