/* Forced ahead of every newlib math source (-include). The C library's <math.h> is read first,
   so its own exp, log and pow declarations keep their names; everything the routines define or
   share afterwards gets a koru_dmath_ prefix. glibc's static libm and MinGW's libmingwex use the
   same names (exp, __math_oflow, __exp_data, ...), so unprefixed copies would collide in static
   links or, worse, silently bind to the platform's versions. */
#include <math.h>

#define exp koru_dmath_exp
#define log koru_dmath_log
#define pow koru_dmath_pow

#define __math_oflow koru_dmath_math_oflow
#define __math_uflow koru_dmath_math_uflow
#define __math_may_uflow koru_dmath_math_may_uflow
#define __math_divzero koru_dmath_math_divzero
#define __math_invalid koru_dmath_math_invalid
#define __math_check_oflow koru_dmath_math_check_oflow
#define __math_check_uflow koru_dmath_math_check_uflow

#define __exp_data koru_dmath_exp_data
#define __log_data koru_dmath_log_data
#define __pow_log_data koru_dmath_pow_log_data

/* -fno-builtin would turn pow's one fabs into a call to the C library; the sign-bit clear
   is exact everywhere, so keep it inline and the archive free of outside references. */
#define fabs __builtin_fabs
