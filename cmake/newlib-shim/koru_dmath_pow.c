/* pow.c as newlib ships it, plus 10^y by pow's own route without its logarithm of the base
   (one value, or a whole array at a time).
   pow(10, y) spends most of its time on log(10) as a double-double, which is the same every
   call; koru_dmath_exp10 starts from those two doubles, written out below, and then does
   exactly what pow does (the same split product and the same exp_inline), so it returns
   pow(10, y) to the bit. Compiled with the flags of the rest of koru_dmath (no FMA). */
#include "pow.c"

static inline double
exp10_inline (double y)
{
  /* log_inline (asuint64 (10.0), &lo) gives hi + lo; pow splits hi after 26 bits (lhi) and
     folds the rest into llo = hi - lhi + lo.  */
  const double_t lhi = 0x1.26bb1b8p+1;
  const double_t llo = 0x1.daaa8ac16ea57p-26;
  uint64_t iy = asuint64 (y);
  /* Zero, tiny, huge, infinite and NaN exponents: pow's special cases.  */
  if (unlikely ((top12 (y) & 0x7ff) - 0x3be >= 0x43e - 0x3be))
    return pow (10.0, y);
  double_t yhi = asdouble (iy & -1ULL << 27);
  double_t ylo = y - yhi;
  double_t ehi = yhi * lhi;
  double_t elo = ylo * lhi + y * llo; /* |elo| < |ehi| * 2^-25.  */
  return exp_inline (ehi, elo, 0);
}

double
koru_dmath_exp10 (double y)
{
  return exp10_inline (y);
}

/* 10^y of a whole array, each value to the bit what koru_dmath_exp10 gives; inlined into the
   loop (flatten) so that the work of neighbouring values overlaps.  */
__attribute__ ((flatten)) void
koru_dmath_exp10_block (const double *y, double *out, int n)
{
  for (int i = 0; i < n; i++)
    out[i] = exp10_inline (y[i]);
}
