#pragma once

#include "effect/HalfbandCoefficients.h"
#include "effect/HalfbandStage.h"

#include <emmintrin.h>

// Runs a per-sample function at 2, 4, 8 or 16 times the base rate for one channel:
// polyphase IIR half-band interpolators raise the rate in steps of two, the function is
// called once per oversampled sample, and the mirror-image decimators bring the rate back.
// Factor 2^k with k = rateExponent; any factor other than 2, 4, 8 or 16 (k = 0 gives 1)
// calls the function once on the base-rate sample, with no delay.
// Value type owned by one channel; Process allocates nothing and takes no lock.
class HalfbandOversampler {
 public:
  explicit HalfbandOversampler(int rateExponent);

  // Clears the memories of every stage.
  void Reset();

  // False once any stage memory went non-finite.
  bool IsFinite() const {
    return up1_.IsFinite() && up2_.IsFinite() && up3_.IsFinite() && up4_.IsFinite() &&
           down1_.IsFinite() && down2_.IsFinite() && down3_.IsFinite() && down4_.IsFinite();
  }
  int RateExponent() const { return rateExponent_; }

  // The pair form uses AVX for its longest stages where the processor has it (checked at
  // construction); false keeps it to SSE2. Either way the results are the same bits.
  void SetWideVectors(bool allowed);
  bool WideVectors() const { return wide_; }
  int Factor() const { return factor_; }

  // One base-rate sample in, one out. fn (double -> double) is called exactly Factor()
  // times in time order (once for the pass-through factors).
  template <class Fn>
  double Process(double x, Fn&& fn) {
    switch (factor_) {
      case 2: return Run<1>(x, fn);
      case 4: return Run<2>(x, fn);
      case 8: return Run<3>(x, fn);
      case 16: return Run<4>(x, fn);
      default: return fn(x);
    }
  }

  // Block form for a left and a right oversampler of the same factor at once: out[i] gets what
  // Process(in[i], fn) would give, each oversampler in its own lane of an SSE2 pair (left low,
  // right high), computed stage by stage over the whole block. Every stage sees the same
  // samples in the same order, so the results are the same bits; the processor just gets many
  // independent samples at once. fnBlock(__m128d* samples, int count) replaces the count
  // oversampled pairs in place, in time order (Factor() per input sample). work holds at least
  // 2 * Factor() * n pairs; in and out may be the same array.
  template <class BlockFn>
  static void ProcessBlockPair(HalfbandOversampler& left, HalfbandOversampler& right,
                               const __m128d* in, __m128d* out, int n, __m128d* work,
                               BlockFn&& fnBlock) {
    switch (left.factor_) {
      case 2: RunBlockPair<1>(left, right, in, out, n, work, fnBlock); break;
      case 4: RunBlockPair<2>(left, right, in, out, n, work, fnBlock); break;
      case 8: RunBlockPair<3>(left, right, in, out, n, work, fnBlock); break;
      case 16: RunBlockPair<4>(left, right, in, out, n, work, fnBlock); break;
      default:
        for (int i = 0; i < n; ++i) work[i] = in[i];
        fnBlock(work, n);
        for (int i = 0; i < n; ++i) out[i] = work[i];
        break;
    }
  }

 private:
  template <int Stages, class BlockFn>
  static void RunBlockPair(HalfbandOversampler& l, HalfbandOversampler& r, const __m128d* in,
                           __m128d* out, int n, __m128d* work, BlockFn& fnBlock) {
    __m128d* l1 = work;
    [[maybe_unused]] __m128d* l2 = l1 + 2 * n;
    [[maybe_unused]] __m128d* l3 = l2 + 4 * n;
    [[maybe_unused]] __m128d* l4 = l3 + 8 * n;
    __m128d* top = l1;
    int count = 2 * n;

    UpPair(l.wide_, l.up1_, r.up1_, in, n, l1);
    if constexpr (Stages >= 2) {
      UpPair(l.wide_, l.up2_, r.up2_, l1, 2 * n, l2);
      top = l2;
      count = 4 * n;
    }
    if constexpr (Stages >= 3) {
      HalfbandStage<3>::UpBlockPair(l.up3_, r.up3_, l2, 4 * n, l3);
      top = l3;
      count = 8 * n;
    }
    if constexpr (Stages >= 4) {
      HalfbandStage<2>::UpBlockPair(l.up4_, r.up4_, l3, 8 * n, l4);
      top = l4;
      count = 16 * n;
    }

    fnBlock(top, count);

    if constexpr (Stages >= 4) HalfbandStage<2>::DownBlockPair(l.down4_, r.down4_, l4, 8 * n, l3);
    if constexpr (Stages >= 3) HalfbandStage<3>::DownBlockPair(l.down3_, r.down3_, l3, 4 * n, l2);
    if constexpr (Stages >= 2) DownPair(l.wide_, l.down2_, r.down2_, l2, 2 * n, l1);
    DownPair(l.wide_, l.down1_, r.down1_, l1, n, out);
  }

  // The AVX forms serve the stages with equally long chains (12 and 4 coefficients).
  template <std::size_t N>
  static void UpPair(bool wide, HalfbandStage<N>& l, HalfbandStage<N>& r, const __m128d* in,
                     int n, __m128d* out) {
#if KORU_HALFBAND_AVX
    if constexpr (N % 2 == 0) {
      if (wide) return HalfbandStage<N>::UpBlockPairAvx(l, r, in, n, out);
    }
#endif
    (void)wide;
    HalfbandStage<N>::UpBlockPair(l, r, in, n, out);
  }
  template <std::size_t N>
  static void DownPair(bool wide, HalfbandStage<N>& l, HalfbandStage<N>& r, const __m128d* in,
                       int n, __m128d* out) {
#if KORU_HALFBAND_AVX
    if constexpr (N % 2 == 0) {
      if (wide) return HalfbandStage<N>::DownBlockPairAvx(l, r, in, n, out);
    }
#endif
    (void)wide;
    HalfbandStage<N>::DownBlockPair(l, r, in, n, out);
  }

  template <std::size_t N>
  static void Spread(HalfbandStage<N>& stage, const double* in, int n, double* out) {
    for (int i = 0; i < n; ++i) stage.Up(in[i], out[2 * i], out[2 * i + 1]);
  }

  template <std::size_t N>
  static void Gather(HalfbandStage<N>& stage, const double* in, int n, double* out) {
    for (int i = 0; i < n; ++i) out[i] = stage.Down(in[2 * i], in[2 * i + 1]);
  }

  template <int Stages, class Fn>
  double Run(double x, Fn& fn) {
    double l1[2];
    [[maybe_unused]] double l2[4];
    [[maybe_unused]] double l3[8];
    [[maybe_unused]] double l4[16];
    double* top = l1;
    int n = 2;

    up1_.Up(x, l1[0], l1[1]);
    if constexpr (Stages >= 2) { Spread(up2_, l1, 2, l2); top = l2; n = 4; }
    if constexpr (Stages >= 3) { Spread(up3_, l2, 4, l3); top = l3; n = 8; }
    if constexpr (Stages >= 4) { Spread(up4_, l3, 8, l4); top = l4; n = 16; }

    for (int i = 0; i < n; ++i) top[i] = fn(top[i]);

    if constexpr (Stages >= 4) Gather(down4_, l4, 8, l3);
    if constexpr (Stages >= 3) Gather(down3_, l3, 4, l2);
    if constexpr (Stages >= 2) Gather(down2_, l2, 2, l1);
    return down1_.Down(l1[0], l1[1]);
  }

  int rateExponent_;
  int factor_;
  bool wide_ = false;

  // upN raises the rate at stage N (N = 1 next to the base rate); downN is its mirror.
  HalfbandStage<12> up1_{halfband::kStage1};
  HalfbandStage<4> up2_{halfband::kStage2};
  HalfbandStage<3> up3_{halfband::kStage3};
  HalfbandStage<2> up4_{halfband::kStage4};
  HalfbandStage<2> down4_{halfband::kStage4};
  HalfbandStage<3> down3_{halfband::kStage3};
  HalfbandStage<4> down2_{halfband::kStage2};
  HalfbandStage<12> down1_{halfband::kStage1};
};
