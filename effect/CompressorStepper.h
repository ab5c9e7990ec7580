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
  // ahead of the gain's own chain of steps.
  double TargetGain(double inL, double inR, double thresholdDb) const
  {
    const double level = Level(inL, inR);
    if (ClearlyBelowKnee(level, thresholdDb)) return mUnity;
    return dmath::Exp10(CurveDb(20 * dmath::Log10(level), thresholdDb) / 20);
  }

  // TargetGain frame by frame, for a chain that meets its frames one at a time: Target gives a
  // frame whose level is clearly below the knee its gain at once and keeps the others, at most
  // kMaxBlock after BeginTargets; LoudTargets then gives the kept frames theirs, the logarithms
  // and powers a whole array at a time (the same bits: the same functions, value by value).
  static constexpr int kMaxBlock = 128;
  void BeginTargets() { mLoud = 0; }
  void Target(int frame, double inL, double inR, double thresholdDb, double* G)
  {
    const double level = Level(inL, inR);
    if (ClearlyBelowKnee(level, thresholdDb))
    {
      G[frame] = mUnity;
      return;
    }
    mLoudFrame[mLoud] = frame;
    mLoudLevel[mLoud++] = level;
  }
  void LoudTargets(const double* thresholdDb, double* G)
  {
    if (mLoud == 0) return;
    dmath::Log(mLoudLevel, mLoudValue, mLoud);
    for (int j = 0; j < mLoud; ++j)
    {
      const double E = 20 * dmath::Log10FromLog(mLoudLevel[j], mLoudValue[j]);
      mLoudValue[j] = CurveDb(E, thresholdDb[mLoudFrame[j]]) / 20;
    }
    dmath::Exp10(mLoudValue, mLoudLevel, mLoud);
    for (int j = 0; j < mLoud; ++j) G[mLoudFrame[j]] = mLoudLevel[j];
  }
  // TargetGain of frames 0 .. n - 1 into G, the same way.
  void TargetGains(const double* inL, const double* inR, const double* thresholdDb, int n,
                   double* G)
  {
    for (int start = 0; start < n; start += kMaxBlock)
    {
      BeginTargets();
      for (int i = start; i < std::min(n, start + kMaxBlock); ++i)
        Target(i, inL[i], inR[i], thresholdDb[i], G);
      LoudTargets(thresholdDb, G);
    }
  }

  // The attack factors of frames 0 .. n - 1 (at most kMaxBlock), one exp each a whole array at a
  // time, for a block whose threshold moves: Follow then takes them instead of calling exp.
  void AttackFactors(const double* thresholdDb, int n, double* attack) const
  {
    double argument[kMaxBlock];
    n = std::min(n, kMaxBlock);
    for (int i = 0; i < n; ++i) argument[i] = thresholdDb[i] / mAttackDivisor / kDbPerNeper;
    dmath::Exp(argument, attack, n);
  }

  // The ballistics: from gain H toward the target G, attacking at a rate set by the threshold
  // and releasing at one set by the threshold and the raw input peak. attack, where given, is
  // the attack factor AttackFactors computed for this threshold.
  double Follow(double gain, double G, double peakIn, double thresholdDb,
                const double* attack = nullptr)
  {
    const double T = thresholdDb;
    if (!mThresholdValid || !SameBits(T, mThreshold)) NewThreshold(T);

    const double H = gain;
    if (H > G)
    {
      if (!mAttackValid)
      {
        mAttack = attack ? *attack : dmath::Exp(T / mAttackDivisor / kDbPerNeper);
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

  // The detector, exactly as CompressorLevelDb reads the louder channel (before its logarithm).
  double Level(double inL, double inR) const
  {
    const double x = std::max(std::fabs(inR), std::fabs(inL));
    const double k = mK;
    const double y1 = std::sqrt(k * x);
    return x > y1 ? x : std::sqrt(k * x + mH * (k * x));
  }

  // The curve's gain in dB at level E and threshold T.
  static double CurveDb(double E, double T)
  {
    if (T - kHalfKneeDb > E) return 0;
    if (E > T + kHalfKneeDb) return (E - T) * kSlopeAboveKnee;
    const double d = E - (T - kHalfKneeDb);
    return d * d * kKneeCurvature;
  }

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
    const int octave = exponentField - 1022;  // level < 2^octave
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

  // The frames Target kept: their indices, levels, and logarithms or powers.
  int mLoud = 0;
  int mLoudFrame[kMaxBlock];
  double mLoudLevel[kMaxBlock];
  double mLoudValue[kMaxBlock];

  bool mReleaseValid = false;
  double mReleaseArgument = 0.0;
  double mRelease = 1.0;
};
