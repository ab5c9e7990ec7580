#pragma once

#include "framework/DeterministicMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// CompressorGain, step for step and bit for bit, with its transcendental calls cut down:
//  - the detector coefficient h depends on the rate only and is computed per block;
//  - the attack factor t depends on the threshold only and is reused while the threshold
//    smoother stays on the same value; it is computed only when the gain falls;
//  - the release factor u is computed only when the gain rises or holds, and reused while its
//    argument stays the same (a silent or steady input, an open threshold); it is skipped where
//    the gain is sure to reach the target in this step anyway;
//  - below the knee the curve asks for 10^(0/20) whatever the level, so the logarithm and the
//    power are skipped for levels whose binary exponent alone puts them clearly below it.
// Same units as CompressorGain. Audio thread only; no allocation.
class CompressorStepper
{
public:
  // Per block, before the first Step.
  void SetRate(double fs)
  {
    if (fs == mFs) return;
    mFs = fs;
    mH = dmath::Exp(kDetectorNumerator / fs);
    mK = 1 - mH;
    mAttackDivisor = fs * kAttackMs / 1000;
    mThresholdValid = false;
    mReleaseValid = false;
  }

  // The new gain from gain H, the input-stage outputs, the raw input peak and thresholdDb.
  double Step(double gain, double inL, double inR, double peakIn, double thresholdDb)
  {
    return Follow(gain, TargetGain(inL, inR, thresholdDb), peakIn, thresholdDb);
  }

  // The curve's gain G for the input-stage outputs at thresholdDb: what the gain moves toward.
  // Depends on nothing but its arguments (and the rate), so a block's targets can be computed
  // ahead of the gain's own chain of steps; in two halves, so that the halves of neighbouring
  // frames overlap.
  double TargetGain(double inL, double inR, double thresholdDb) const
  {
    return TargetGainFromLevel(LevelDb(inL, inR, thresholdDb), thresholdDb);
  }

  // The detector's level in dB, or kBelowKnee where the level is certain to lie below the knee
  // (the target is then 1 whatever the exact level).
  static constexpr double kBelowKnee = -HUGE_VAL;
  double LevelDb(double inL, double inR, double thresholdDb) const
  {
    // Detector, exactly as CompressorLevelDb reads the louder channel.
    const double x = std::max(std::fabs(inR), std::fabs(inL));
    const double k = mK;
    const double y1 = std::sqrt(k * x);
    const double level = x > y1 ? x : std::sqrt(k * x + mH * (k * x));
    if (ClearlyBelowKnee(level, thresholdDb)) return kBelowKnee;
    return 20 * dmath::Log10(level);
  }

  // The curve at level E (as LevelDb gives it) and threshold T.
  double TargetGainFromLevel(double E, double T) const
  {
    if (E == kBelowKnee) return mUnity;
    double F;
    if (T - kHalfKneeDb > E)
      F = 0;
    else if (E > T + kHalfKneeDb)
      F = (E - T) * kSlopeAboveKnee;
    else
    {
      const double d = E - (T - kHalfKneeDb);
      F = d * d * kKneeCurvature;
    }
    return dmath::Exp10(F / 20);
  }

  // The ballistics: from gain H toward the target G, attacking at a rate set by the threshold
  // and releasing at one set by the threshold and the raw input peak.
  double Follow(double gain, double G, double peakIn, double thresholdDb)
  {
    const double T = thresholdDb;
    if (!mThresholdValid || !SameBits(T, mThreshold)) NewThreshold(T);

    const double H = gain;
    if (H > G)
    {
      if (!mAttackValid)
      {
        mAttack = dmath::Exp(T / mAttackDivisor / kDbPerNeper);
        mAttackValid = true;
      }
      return std::max(G, H * mAttack);
    }
    // A zero threshold (either sign) over a positive divisor, then over a positive constant, is
    // that same zero.
    const double divisor = mFs * peakIn / 1000;
    const double releaseArgument = T == 0 && divisor > 0 ? T : T / divisor / kDbPerNeper;
    if (!mReleaseValid || !SameBits(releaseArgument, mReleaseArgument))
    {
      // A new exp only where its result can matter.
      if (ReleaseReachesTarget(H, G, releaseArgument)) return G;
      mReleaseArgument = releaseArgument;
      mRelease = dmath::Exp(releaseArgument);
      mReleaseValid = true;
    }
    // Dividing by exactly 1 changes nothing.
    const double released = mRelease == 1.0 ? H : H / mRelease;
    if (std::isnan(released)) return G;
    return std::min(released, G);
  }

private:
  static constexpr double kDetectorNumerator = -62.83185307;
  static constexpr double kAttackMs = 10;
  static constexpr double kDbPerNeper = 8.65617025;
  static constexpr double kHalfKneeDb = 6.0;
  static constexpr double kSlopeAboveKnee = -0.6666666666666667;
  static constexpr double kKneeCurvature = -0.02777777777777778;
  // 20 log10(2): decibels per binary octave.
  static constexpr double kDbPerOctave = 6.020599913279624;
  // Far more than the last-bit errors of the logarithm and of T - 6 (a few 1e-12 dB).
  static constexpr double kKneeMarginDb = 1e-6;

  static bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof(double)) == 0; }

  // True only where the curve's first branch (F = 0) is certain without the logarithm: a finite
  // level (0 or more) with binary exponent e is below 2^(e + 1), so 20 log10(level) is below
  // kDbPerOctave * (e + 1), which must lie under the knee's lower end T - 6 with a margin.
  // (Denormal levels and 0 have the smallest exponent field and are far below any knee.)
  static bool ClearlyBelowKnee(double level, double T)
  {
    std::uint64_t bits;
    std::memcpy(&bits, &level, sizeof bits);
    const int exponentField = static_cast<int>((bits >> 52) & 0x7ff);
    if (exponentField == 0x7ff) return false; // infinity or NaN
    const int octave = exponentField - 1022;   // level < 2^octave
    return kDbPerOctave * octave + kKneeMarginDb <= T - kHalfKneeDb;
  }

  // True only where H / exp(a) is certain to come out at least G, so that the step gives G and
  // the exp is not needed (mostly: a release fast enough to reach the target in one step).
  // For a <= 0: 1 / exp(a) >= 1 - a, exp's result is within 2^-52 of the true value (its result
  // is normal for a >= -700), and H (1 - a) here is at most 2^-52 above the true product; the
  // margin 2^-49 over G (normal) covers all of it, and a rounded quotient at least G is >= G.
  static bool ReleaseReachesTarget(double H, double G, double a)
  {
    return -700.0 <= a && a <= 0 && G >= 0x1p-1000 && H * (1 - a) >= G * (1 + 0x1p-49);
  }

  void NewThreshold(double T)
  {
    mThreshold = T;
    mThresholdValid = true;
    mAttackValid = false;
  }

  double mFs = 0.0;
  double mH = 0.0;
  double mK = 0.0;
  double mAttackDivisor = 0.0;
  // What the curve gives below the knee: 10^(0 / 20).
  const double mUnity = dmath::Exp10(0.0 / 20);

  bool mThresholdValid = false;
  double mThreshold = 0.0;
  bool mAttackValid = false;
  double mAttack = 1.0;

  bool mReleaseValid = false;
  double mReleaseArgument = 0.0;
  double mRelease = 1.0;
};
