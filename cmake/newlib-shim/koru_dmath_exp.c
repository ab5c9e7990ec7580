/* exp.c as newlib ships it, plus the same exp over a whole array, with exp inlined into the loop
   (flatten) so that the work of neighbouring values overlaps; every value still goes through
   exactly exp's operations and comes out to the bit. Compiled with the flags of the rest of
   koru_dmath (no FMA). */
#include "exp.c"

__attribute__ ((flatten)) void
koru_dmath_exp_block (const double *x, double *y, int n)
{
  for (int i = 0; i < n; i++)
    y[i] = exp (x[i]);
}
