#pragma once

#include "framework/DeterministicMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// One-pole low-pass that glides a parameter toward its target: about 1 Hz per advance.
// Three doubles and no framework knowledge. At construction it passes the target straight
// through (a = 1, b = 0) until SetRate gives it a real coefficient.
// Audio thread only; no allocation, no locks.
struct OnePoleSmoother
{
  double a = 1.0;
  double b = 0.0;
  double z = 0.0;

  // fs: sample rate in Hz at which Advance will be called.
  void SetRate(double fs)
  {
    b = dmath::Exp(-6.283185307179586 / fs);
    a = 1.0 - b;
  }

  // One step toward target; returns (and keeps) the new smoothed value.
  double Advance(double target)
  {
    z = a * target + b * z;
    return z;
  }

  // True if a step toward target would leave z bit for bit where it is (and so would every
  // further step).
  bool SettledAt(double target) const { return SameBits(a * target + b * z, z); }

private:
  static bool SameBits(double x, double y)
  {
    std::uint64_t bx, by;
    std::memcpy(&bx, &x, sizeof x);
    std::memcpy(&by, &y, sizeof y);
    return bx == by;
  }
};
