/* log.c as newlib ships it, plus the same log over a whole array. The loop has log inlined into
   it (flatten), so the work of neighbouring values overlaps instead of waiting on one call after
   the other; every value still goes through exactly log's operations and comes out to the bit.
   Compiled with the flags of the rest of koru_dmath (no FMA). */
#include "log.c"

__attribute__ ((flatten)) void
koru_dmath_log_block (const double *x, double *y, int n)
{
  for (int i = 0; i < n; i++)
    y[i] = log (x[i]);
}
