#pragma once

// One equaliser section: an analog circuit model (a ratio of two second-degree polynomials
// in s whose coefficients follow the control values) mapped to a digital biquad by the
// bilinear transform s = K (1 - z^-1) / (1 + z^-1). The effect redesigns every section on
// every sample from smoothed controls, so the coefficients are kept unnormalised and Step
// divides by a0 each time. Each circuit inverts polarity: at its flat setting the gain is
// close to -1. Value type; no allocation, audio thread only.
struct CircuitSection
{
  double lastInput = 0.0;
  double lastOutput = 0.0;
  double x1 = 0.0; // previous two inputs
  double x2 = 0.0;
  double y1 = 0.0; // previous two outputs
  double y2 = 0.0;
  double a0 = 0.0; // denominator
  double a1 = 0.0;
  double a2 = 0.0;
  double b0 = 0.0; // numerator
  double b1 = 0.0;
  double b2 = 0.0;
};

// Designs store a0..b2 and leave the filter memories alone. K is the bilinear rate
// constant in 1/s; b and c are control values (the effect feeds 1 - position to the high and
// mid circuits, the position itself to the low one).
void DesignHigh(CircuitSection& section, double K, double b, double c);
void DesignLow(CircuitSection& section, double K, double b, double c);
void DesignMid(CircuitSection& section, double K, double b);

// True when the section's poles lie strictly inside the unit circle, so it cannot grow
// without bound.
bool HasStablePoles(const CircuitSection& section);

// Copies the six coefficients, leaving the memories alone.
inline void CopyCoefficients(CircuitSection& to, const CircuitSection& from)
{
  to.a0 = from.a0;
  to.a1 = from.a1;
  to.a2 = from.a2;
  to.b0 = from.b0;
  to.b1 = from.b1;
  to.b2 = from.b2;
}

// The high circuit's model is unstable while its shape control is still near 0 (it rises from
// 0 after construction), and the bilinear transform turns that into growth that is harmless at
// low rates but explodes at high ones or with the high band raised. This design keeps the
// section's previous coefficients whenever the new ones would be unstable; before any stable
// design exists the section outputs 0.
void DesignHighStable(CircuitSection& section, double K, double b, double c);

// Filters one sample. A section whose a0 is exactly 0 (the high circuit designed above
// about 384 kHz can get there) outputs 0 for that sample instead of dividing by zero; its
// memories advance as usual.
inline double Step(CircuitSection& section, double s)
{
  CircuitSection& q = section;
  double y = 0.0;
  if (q.a0 != 0)
  {
    y = (q.b0 * s + q.b1 * q.x1 + q.b2 * q.x2 - q.a1 * q.y1 - q.a2 * q.y2) / q.a0;
  }
  q.x2 = q.x1;
  q.x1 = s;
  q.y2 = q.y1;
  q.y1 = y;
  q.lastInput = s;
  q.lastOutput = y;
  return y;
}
