#pragma once
#include <cmath>

// The transcendental functions of the plug-in. Users render the same project on different
// machines and platforms and expect the same bits, so every exp, power and log10 of the
// framework and the effect goes through here instead of the platform's C library (whose results
// differ in the last bit between libraries, and even between CPUs of one platform).
//
// exp, log and pow come from koru_dmath (cmake/DeterministicMath.cmake): portable C compiled by
// us with the same flags everywhere, no FMA, no errno. Worst errors: exp 0.51 ulp, log 0.52 ulp,
// pow 0.52 ulp, so an exactly representable result (10^2, e^0) comes out exact.
// Pure functions: no allocation, no lock, no system call; safe on the audio thread.
extern "C"
{
  double koru_dmath_exp(double x);
  double koru_dmath_log(double x);
  double koru_dmath_pow(double x, double y);
  double koru_dmath_exp10(double y); // pow(10, y) to the bit, without pow's log(10) each call
  // The same over whole arrays (out[i] = f(in[i]) for i < n), to the bit: the loops have the
  // functions inlined, so neighbouring values' work overlaps.
  void koru_dmath_exp_block(const double* x, double* y, int n);
  void koru_dmath_log_block(const double* x, double* y, int n);
  void koru_dmath_exp10_block(const double* y, double* out, int n);
}

namespace dmath
{
inline double Exp(double x) { return koru_dmath_exp(x); }
inline void Exp(const double* x, double* out, int n) { koru_dmath_exp_block(x, out, n); }

// x to the power y (the parameter laws' shapes).
inline double Pow(double x, double y) { return koru_dmath_pow(x, y); }

// 10 to the power x. pow with the exact base 10 rounds the true 10^x (one rounding), where
// exp(x * ln 10) would first round the product and lose up to |x * ln 10| / 2 ulp more.
// koru_dmath_exp10 is that pow with its logarithm of 10 computed once: same bits, a fifth of
// the time.
inline double Exp10(double x) { return koru_dmath_exp10(x); }
inline void Exp10(const double* x, double* out, int n) { koru_dmath_exp10_block(x, out, n); }

// log(x), over whole arrays.
inline void Log(const double* x, double* out, int n) { koru_dmath_log_block(x, out, n); }

// log(x) / ln 10, the division done as a product with 1 / ln 10 carried in two doubles (hi + lo),
// hi's product exact by Dekker's splitting. A single rounded 1/ln 10 adds up to one more ulp
// (2 ulp seen against a long-double reference); this stays within 1 ulp of it (measured). log's
// own error (up to 0.52 ulp) can still tip a whole decade to its neighbour (log10(0.1) would be
// -0.9999999999999999), so a result next to a whole number n is checked against 10^n: if x is
// exactly the double pow gives for 10^n, n is the correctly rounded answer and is returned.
// Plain + - * only, so the bits are the same wherever it is compiled without contraction
// (-ffp-contract=off). This form takes y = log(x) as Log gives it, for logarithms computed a
// whole array at a time; Log10 below is the one-value form.
inline double Log10FromLog(double x, double y)
{
  constexpr double kInvLn10Hi = 0x1.bcb7b1526e50ep-2;  // 1 / ln 10 rounded
  constexpr double kInvLn10Lo = 0x1.95355baaafad3p-57; // 1 / ln 10 - kInvLn10Hi
  constexpr double kSplitter = 0x1p27 + 1.0;
  if (!std::isfinite(y))
    return y * kInvLn10Hi; // log of 0, of +inf, of a negative number or of a NaN
  const double p = y * kInvLn10Hi;
  const double ty = kSplitter * y;
  const double yHi = ty - (ty - y);
  const double yLo = y - yHi;
  const double tc = kSplitter * kInvLn10Hi;
  const double cHi = tc - (tc - kInvLn10Hi);
  const double cLo = kInvLn10Hi - cHi;
  const double pError =
      ((yHi * cHi - p) + yHi * cLo + yLo * cHi) + yLo * cLo; // y * hi - p, exactly
  const double r = p + (pError + y * kInvLn10Lo);

  constexpr double kRoundToInteger =
      0x1.8p52; // (r + k) - k rounds |r| < 2^51 to the nearest whole number
  const double n = (r + kRoundToInteger) - kRoundToInteger;
  if (r != n && std::fabs(r - n) <= 0x1p-50 * std::fabs(n) && koru_dmath_pow(10.0, n) == x)
    return n;
  return r;
}

inline double Log10(double x) { return Log10FromLog(x, koru_dmath_log(x)); }
} // namespace dmath
