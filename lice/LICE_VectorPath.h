#pragma once

#include "lice/LICE_Types.h"

// The row loops of the editor's hot drawing paths (source-alpha blits at full weight, half-weight
// copies, the whole-pixel fills), as plain per-pixel code and as SSE2 and AVX2 code that gives
// the same bits. LICE_Composite and LICE_FillArea use the widest set the processor has; tests
// hold every set to the plain one. User-interface thread only.
namespace lice
{

enum class VectorLevel
{
  kScalar, // one pixel at a time: the reference
  kSse2,   // baseline x86-64
  kAvx2    // where the processor has it (not on Windows, where MinGW's GCC cannot keep the stack
           // aligned for spilled 256-bit vectors)
};

struct RowKernels
{
  // d = source-over(d, s) for n pixels (copy with source alpha at full weight).
  void (*sourceOver)(LICE_Pixel32* d, const LICE_Pixel32* s, int n);
  // d = (s >> 1 & 0x7F7F7F7F) + (d >> 1 & 0x7F7F7F7F).
  void (*copyHalf)(LICE_Pixel32* d, const LICE_Pixel32* s, int n);
  // Fills at w = 256, 128, 64 and 192 with colour c.
  void (*fillSolid)(LICE_Pixel32* d, int n, LICE_Pixel32 c);
  void (*fillHalf)(LICE_Pixel32* d, int n, LICE_Pixel32 c);
  void (*fillQuarter)(LICE_Pixel32* d, int n, LICE_Pixel32 c);
  void (*fillThreeQuarters)(LICE_Pixel32* d, int n, LICE_Pixel32 c);
};

// The widest level this processor and build offer.
VectorLevel ProcessorVectorLevel();
// The kernels of a level (a level the processor lacks answers the widest one it has).
const RowKernels& KernelsFor(VectorLevel level);
// The kernels drawing uses now.
const RowKernels& ActiveKernels();
// Limits drawing to a level (tests and benchmarks); answers the level that was active.
VectorLevel SetActiveVectorLevel(VectorLevel level);

// The per-pixel reference rows and the two vector sets (these exist only on x86-64).
extern const RowKernels kScalarKernels;
extern const RowKernels kSse2Kernels;
extern const RowKernels kAvx2Kernels;
extern const bool kAvx2KernelsBuilt;

} // namespace lice
