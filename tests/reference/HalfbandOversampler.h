#pragma once

#include "effect/HalfbandCoefficients.h"
#include "reference/HalfbandStage.h"

// The oversampler in its written, per-channel form: the reference the shipped stereo one
// (effect/StereoHalfbandOversampler.h) is held to, bit for bit.
// Runs a per-sample function at 2, 4, 8 or 16 times the base rate for one channel:
// polyphase IIR half-band interpolators raise the rate in steps of two, the function is
// called once per oversampled sample, and the mirror-image decimators bring the rate back.
// Factor 2^k with k = rateExponent; any factor other than 2, 4, 8 or 16 (k = 0 gives 1)
// calls the function once on the base-rate sample, with no delay.
// Value type owned by one channel; Process allocates nothing and takes no lock.
class HalfbandOversampler
{
public:
  explicit HalfbandOversampler(int rateExponent);

  // Clears the memories of every stage.
  void Reset();

  // False once any stage memory went non-finite.
  bool IsFinite() const
  {
    return mUp1.IsFinite() && mUp2.IsFinite() && mUp3.IsFinite() && mUp4.IsFinite() &&
           mDown1.IsFinite() && mDown2.IsFinite() && mDown3.IsFinite() && mDown4.IsFinite();
  }
  int RateExponent() const { return mRateExponent; }

  int Factor() const { return mFactor; }

  // One base-rate sample in, one out. fn (double -> double) is called exactly Factor()
  // times in time order (once for the pass-through factors).
  template <class Fn>
  double Process(double x, Fn&& fn)
  {
    switch (mFactor)
    {
    case 2: return Run<1>(x, fn);
    case 4: return Run<2>(x, fn);
    case 8: return Run<3>(x, fn);
    case 16: return Run<4>(x, fn);
    default: return fn(x);
    }
  }

private:
  template <std::size_t N>
  static void Spread(HalfbandStage<N>& stage, const double* in, int n, double* out)
  {
    for (int i = 0; i < n; ++i) stage.Up(in[i], out[2 * i], out[2 * i + 1]);
  }

  template <std::size_t N>
  static void Gather(HalfbandStage<N>& stage, const double* in, int n, double* out)
  {
    for (int i = 0; i < n; ++i) out[i] = stage.Down(in[2 * i], in[2 * i + 1]);
  }

  template <int Stages, class Fn>
  double Run(double x, Fn& fn)
  {
    double l1[2];
    [[maybe_unused]] double l2[4];
    [[maybe_unused]] double l3[8];
    [[maybe_unused]] double l4[16];
    double* top = l1;
    int n = 2;

    mUp1.Up(x, l1[0], l1[1]);
    if constexpr (Stages >= 2)
    {
      Spread(mUp2, l1, 2, l2);
      top = l2;
      n = 4;
    }
    if constexpr (Stages >= 3)
    {
      Spread(mUp3, l2, 4, l3);
      top = l3;
      n = 8;
    }
    if constexpr (Stages >= 4)
    {
      Spread(mUp4, l3, 8, l4);
      top = l4;
      n = 16;
    }

    for (int i = 0; i < n; ++i) top[i] = fn(top[i]);

    if constexpr (Stages >= 4) Gather(mDown4, l4, 8, l3);
    if constexpr (Stages >= 3) Gather(mDown3, l3, 4, l2);
    if constexpr (Stages >= 2) Gather(mDown2, l2, 2, l1);
    return mDown1.Down(l1[0], l1[1]);
  }

  int mRateExponent;
  int mFactor;

  // upN raises the rate at stage N (N = 1 next to the base rate); downN is its mirror.
  HalfbandStage<12> mUp1{halfband::kStage1};
  HalfbandStage<4> mUp2{halfband::kStage2};
  HalfbandStage<3> mUp3{halfband::kStage3};
  HalfbandStage<2> mUp4{halfband::kStage4};
  HalfbandStage<2> mDown4{halfband::kStage4};
  HalfbandStage<3> mDown3{halfband::kStage3};
  HalfbandStage<4> mDown2{halfband::kStage2};
  HalfbandStage<12> mDown1{halfband::kStage1};
};
