#include "lice/LICE_VectorPath.h"

#include "lice/LICE_CombinerRules.h"

#include <cstring>

namespace lice
{
namespace
{

void SourceOverRow(LICE_Pixel32* d, const LICE_Pixel32* s, int n)
{
  for (int i = 0; i < n; ++i)
  {
    const LICE_Pixel32 p = s[i];
    d[i] = rules::SourceOver(d[i], rules::Channel(p, 2), rules::Channel(p, 1), rules::Channel(p, 0),
                             rules::Channel(p, 3));
  }
}

void CopyHalfRow(LICE_Pixel32* d, const LICE_Pixel32* s, int n)
{
  for (int i = 0; i < n; ++i) d[i] = ((s[i] >> 1) & 0x7F7F7F7F) + ((d[i] >> 1) & 0x7F7F7F7F);
}

void FillSolidRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  for (int i = 0; i < n; ++i) d[i] = c;
}

void FillHalfRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  for (int i = 0; i < n; ++i) d[i] = ((c >> 1) & 0x7F7F7F7F) + ((d[i] >> 1) & 0x7F7F7F7F);
}

void FillQuarterRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  for (int i = 0; i < n; ++i)
    d[i] = ((d[i] >> 1) & 0x7F7F7F7F) + ((d[i] >> 2) & 0x3F3F3F3F) + ((c >> 2) & 0x3F3F3F3F);
}

void FillThreeQuartersRow(LICE_Pixel32* d, int n, LICE_Pixel32 c)
{
  for (int i = 0; i < n; ++i)
    d[i] = ((c >> 2) & 0x3F3F3F3F) + ((d[i] >> 2) & 0x3F3F3F3F) + ((c >> 1) & 0x7F7F7F7F);
}

VectorLevel gActiveLevel = ProcessorVectorLevel();

} // namespace

const RowKernels kScalarKernels = {SourceOverRow, CopyHalfRow,    FillSolidRow,
                                   FillHalfRow,   FillQuarterRow, FillThreeQuartersRow};

VectorLevel ProcessorVectorLevel()
{
#if defined(__x86_64__) || defined(_M_X64)
  static const VectorLevel level = []
  {
#if defined(__GNUC__) && !defined(_WIN32)
    __builtin_cpu_init();
    if (kAvx2KernelsBuilt && __builtin_cpu_supports("avx2")) return VectorLevel::kAvx2;
#endif
    return VectorLevel::kSse2;
  }();
  return level;
#else
  return VectorLevel::kScalar;
#endif
}

const RowKernels& KernelsFor(VectorLevel level)
{
  const VectorLevel offered = ProcessorVectorLevel();
  if (level > offered) level = offered;
#if defined(__x86_64__) || defined(_M_X64)
  if (level == VectorLevel::kAvx2) return kAvx2Kernels;
  if (level == VectorLevel::kSse2) return kSse2Kernels;
#endif
  return kScalarKernels;
}

const RowKernels& ActiveKernels() { return KernelsFor(gActiveLevel); }

VectorLevel SetActiveVectorLevel(VectorLevel level)
{
  const VectorLevel previous = gActiveLevel;
  const VectorLevel offered = ProcessorVectorLevel();
  gActiveLevel = level > offered ? offered : level;
  return previous;
}

} // namespace lice
