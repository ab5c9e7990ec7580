#pragma once
#include <cmath>

// The transcendental functions of the signal chain. Users render the same project on different
// machines and platforms and expect the same bits, so every exp, power of ten and log10 of the
// effect goes through here instead of the platform's C library (whose results differ in the last
// bit between libraries, and even between CPUs of one platform).
namespace dmath
{
inline double Exp(double x) { return std::exp(x); }
// 10 to the power x.
inline double Exp10(double x) { return std::pow(10.0, x); }
inline double Log10(double x) { return std::log10(x); }
} // namespace dmath
