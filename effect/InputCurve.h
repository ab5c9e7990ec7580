#pragma once

// The input stage's fixed, odd-symmetric transfer curve: small signals are scaled by about
// 0.1444 (-16.8 dB), magnitudes beyond about 1.4 are held at the curve's end value.
// Linear interpolation in a single-precision table, evaluated in double. Pure function,
// no state; safe on the audio thread.
//  - A NaN input gives 0 with the input's sign bit.
//  - Any magnitude past the table's end, however large (infinity included), gives the end
//    value with the sign of s.
double InputCurve(double s);
