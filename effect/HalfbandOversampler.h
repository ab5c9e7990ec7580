#pragma once

#include "effect/HalfbandCoefficients.h"
#include "effect/HalfbandStage.h"
#include "effect/VectorIsa.h"

#include <algorithm>
#include <emmintrin.h>
#include <type_traits>

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

  // The pair form uses the widest vectors the processor has (checked at construction); this
  // keeps it to at most the given ones. Either way the results are the same bits.
  void LimitVectorIsa(VectorIsa highest) { mIsa = LimitedVectorIsa(highest); }
  VectorIsa VectorIsaInUse() const { return mIsa; }
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

  // Frame form for a left and a right oversampler of the same factor at once, each in its own
  // lane of an SSE2 pair (left low, right high): out[i] gets what Process(in[i], fn) would give.
  // fnFrame(__m128d* samples, int frame, std::integral_constant<int, Factor()>) replaces the
  // frame's Factor() oversampled pairs in place; tail(int frame) is called once out[frame] is
  // final. Both are called for frames 0 .. n - 1 in order. The stages run as a pipeline: each
  // step of the loop advances every stage by one frame, each stage one frame behind the stage
  // before it, so the steps of one loop pass are independent of each other and their chains of
  // dependent operations overlap. Every stage still sees the same samples in the same order:
  // the results are the same bits. work holds at least 2 * Factor() * n pairs; in and out may
  // be the same array.
  // The pipeline runs copies of fnFrame and tail and assigns them back at the end, so that
  // whatever state they carry by value (filter memories, a smoother) stays in registers
  // throughout: they must be copy-assignable (function objects, not lambdas).
  template <class FrameFn, class TailFn>
  static void ProcessFramesPair(HalfbandOversampler& left, HalfbandOversampler& right,
                                const __m128d* in, __m128d* out, int n, __m128d* work,
                                FrameFn& fnFrame, TailFn& tail)
  {
    switch (left.mFactor)
    {
    case 2: return RunFrames<1>(left, right, in, out, n, work, fnFrame, tail);
    case 4: return RunFrames<2>(left, right, in, out, n, work, fnFrame, tail);
    case 8: return RunFrames<3>(left, right, in, out, n, work, fnFrame, tail);
    case 16: return RunFrames<4>(left, right, in, out, n, work, fnFrame, tail);
    default:
      for (int i = 0; i < n; ++i)
      {
        work[i] = in[i];
        fnFrame(&work[i], i, std::integral_constant<int, 1>{});
        out[i] = work[i];
        tail(i);
      }
      return;
    }
  }

private:
  template <int Stages, class FrameFn, class TailFn>
  static void RunFrames(HalfbandOversampler& l, HalfbandOversampler& r, const __m128d* in,
                        __m128d* out, int n, __m128d* work, FrameFn& fnFrame, TailFn& tail)
  {
#if KORU_HALFBAND_AVX
    if (l.mIsa == VectorIsa::kAvx512)
      return RunFramesAvx512<Stages>(l, r, in, out, n, work, fnFrame, tail);
    if (l.mIsa == VectorIsa::kAvx)
      return RunFramesAvx<Stages>(l, r, in, out, n, work, fnFrame, tail);
#endif
    RunFramesSse2<Stages>(l, r, in, out, n, work, fnFrame, tail);
  }

  // Each pipeline is one function with its stages and the caller's functions inlined into it
  // (flatten), so the stage memories stay in registers across the whole loop.
  template <int Stages, class FrameFn, class TailFn>
  __attribute__((flatten)) static void RunFramesSse2(HalfbandOversampler& l, HalfbandOversampler& r,
                                                     const __m128d* in, __m128d* out, int n,
                                                     __m128d* work, FrameFn& fnFrame, TailFn& tail)
  {
    Pipeline<Stages, VectorIsa::kSse2>(l, r, in, out, n, work, fnFrame, tail);
  }

#if KORU_HALFBAND_AVX
  template <int Stages, class FrameFn, class TailFn>
  __attribute__((target("avx"), flatten)) static void
  RunFramesAvx(HalfbandOversampler& l, HalfbandOversampler& r, const __m128d* in, __m128d* out,
               int n, __m128d* work, FrameFn& fnFrame, TailFn& tail)
  {
    Pipeline<Stages, VectorIsa::kAvx>(l, r, in, out, n, work, fnFrame, tail);
  }
  // The same instructions, with sixteen more registers to hold the memories of the longest
  // stages split into groups a frame apart.
  template <int Stages, class FrameFn, class TailFn>
  __attribute__((target("avx,avx512f,avx512vl,avx512dq"), flatten)) static void
  RunFramesAvx512(HalfbandOversampler& l, HalfbandOversampler& r, const __m128d* in, __m128d* out,
                  int n, __m128d* work, FrameFn& fnFrame, TailFn& tail)
  {
    Pipeline<Stages, VectorIsa::kAvx512>(l, r, in, out, n, work, fnFrame, tail);
  }
  // AVX serves the stages with equally long chains (12 and 4 coefficients); with AVX-512's
  // registers the longest ones run in groups.
  static constexpr std::size_t kLongStageGroups = 3;
  template <std::size_t N, VectorIsa Isa>
  using PairOf = std::conditional_t<
      Isa == VectorIsa::kAvx512 && N == 12,
      typename HalfbandStage<N>::template GroupedQuad<kLongStageGroups>,
      std::conditional_t<Isa != VectorIsa::kSse2 && N % 2 == 0 && N >= 4,
                         typename HalfbandStage<N>::Quad, typename HalfbandStage<N>::Pair>>;
#else
  template <std::size_t N, VectorIsa Isa>
  using PairOf = typename HalfbandStage<N>::Pair;
#endif

  // Up-stage k + 1 on frame f: the frame's 2^k samples of level k in, twice as many of level
  // k + 1 out; the down-stage mirrors it. A stage whose output comes kLag passes late writes
  // frame f - kLag. With Checked, only what exists happens (the pipeline's fill and drain).
  // (Helpers rather than lambdas: a lambda's body would not take the AVX stages inline.)
  template <bool Checked, class Stage>
  __attribute__((always_inline)) static inline void UpFrame(Stage& stage, const __m128d* from,
                                                            __m128d* to, int f, int n, int samples)
  {
    if constexpr (Stage::kLag == 0)
    {
      if (Checked && !(f >= 0 && f < n)) return;
#pragma GCC unroll 8
      for (int i = 0; i < samples; ++i) stage.Up(from[samples * f + i], &to[2 * (samples * f + i)]);
    }
    else
    {
      // One sample per frame; what comes out before the first frame goes nowhere.
      if (Checked && !(f >= 0 && f < n + Stage::kLag)) return;
      const __m128d s = Checked && f >= n ? _mm_setzero_pd() : from[f];
      __m128d nowhere[2];
      stage.template Up<Checked>(s, f, n,
                                 Checked && f < Stage::kLag ? nowhere : &to[2 * (f - Stage::kLag)]);
    }
  }
  template <bool Checked, class Stage>
  __attribute__((always_inline)) static inline void
  DownFrame(Stage& stage, const __m128d* from, __m128d* to, int f, int n, int samples)
  {
    if constexpr (Stage::kLag == 0)
    {
      if (Checked && !(f >= 0 && f < n)) return;
#pragma GCC unroll 8
      for (int i = 0; i < samples; ++i)
        to[samples * f + i] = stage.Down(&from[2 * (samples * f + i)]);
    }
    else
    {
      if (Checked && !(f >= 0 && f < n + Stage::kLag)) return;
      const __m128d* s = Checked && f >= n ? from : &from[2 * f];
      __m128d nowhere;
      stage.template Down<Checked>(s, f, n,
                                   Checked && f < Stage::kLag ? &nowhere : &to[f - Stage::kLag]);
    }
  }

  // The stage pairs of a left and a right oversampler, copied for one pipeline run.
  template <VectorIsa Isa>
  struct StagePairs
  {
    StagePairs(HalfbandOversampler& l, HalfbandOversampler& r)
      : up1(l.mUp1, r.mUp1)
      , up2(l.mUp2, r.mUp2)
      , up3(l.mUp3, r.mUp3)
      , up4(l.mUp4, r.mUp4)
      , down4(l.mDown4, r.mDown4)
      , down3(l.mDown3, r.mDown3)
      , down2(l.mDown2, r.mDown2)
      , down1(l.mDown1, r.mDown1)
    {
    }
    template <int Stages>
    void Store(HalfbandOversampler& l, HalfbandOversampler& r) const
    {
      up1.Store(l.mUp1, r.mUp1);
      down1.Store(l.mDown1, r.mDown1);
      if constexpr (Stages >= 2) up2.Store(l.mUp2, r.mUp2), down2.Store(l.mDown2, r.mDown2);
      if constexpr (Stages >= 3) up3.Store(l.mUp3, r.mUp3), down3.Store(l.mDown3, r.mDown3);
      if constexpr (Stages >= 4) up4.Store(l.mUp4, r.mUp4), down4.Store(l.mDown4, r.mDown4);
    }
    PairOf<12, Isa> up1;
    PairOf<4, Isa> up2;
    PairOf<3, Isa> up3;
    PairOf<2, Isa> up4;
    PairOf<2, Isa> down4;
    PairOf<3, Isa> down3;
    PairOf<4, Isa> down2;
    PairOf<12, Isa> down1;
  };

  // The pass in which each stage takes frame f is f plus its offset: each stage follows the one
  // before it by one pass, plus that one's lag. Level k holds the samples at 2^k times the base
  // rate (level 0 is in or out); one buffer per level serves both directions, as a down-stage
  // writes a frame's samples there only after the up-stage above read them.
  template <int Stages, VectorIsa Isa>
  struct Schedule
  {
    static constexpr int kLag1 = PairOf<12, Isa>::kLag; // the stages next to the base rate
    static constexpr int kUp1 = 0;
    static constexpr int kUp2 = kUp1 + kLag1 + 1;
    static constexpr int kUp3 = kUp2 + 1;
    static constexpr int kUp4 = kUp3 + 1;
    static constexpr int kFrame = (Stages == 1 ? kUp1 + kLag1 : kUp1 + kLag1 + Stages - 1) + 1;
    static constexpr int kDown4 = kFrame + 1;
    static constexpr int kDown3 = kFrame + Stages - 2;
    static constexpr int kDown2 = kFrame + Stages - 1;
    static constexpr int kDown1 = kFrame + Stages;
    static constexpr int kTail = kDown1 + kLag1 + 1;
  };

  // In the steady state every stage has a frame in every pass; before it the pipeline fills,
  // after it it drains.
  template <int Stages, VectorIsa Isa, class FrameFn, class TailFn>
  __attribute__((always_inline)) static inline void
  Pipeline(HalfbandOversampler& l, HalfbandOversampler& r, const __m128d* in, __m128d* out, int n,
           __m128d* work, FrameFn& fnFrame, TailFn& tail)
  {
    static_assert(std::is_copy_assignable_v<FrameFn> && std::is_copy_assignable_v<TailFn>,
                  "the pipeline hands back copies of its functions");
    FrameFn frameFn = fnFrame;
    TailFn tailFn = tail;
    __m128d* levels[5] = {nullptr, work};
    for (int k = 2; k <= 4; ++k) levels[k] = levels[k - 1] + (1 << (k - 1)) * n;
    StagePairs<Isa> stages(l, r);
    using S = Schedule<Stages, Isa>;
    const int passes = n + S::kTail;
    int pass = 0;
    for (; pass < std::min(S::kTail, passes); ++pass)
      Pass<Stages, Isa, true>(stages, levels, in, out, n, pass, frameFn, tailFn);
    for (; pass < n; ++pass)
      Pass<Stages, Isa, false>(stages, levels, in, out, n, pass, frameFn, tailFn);
    for (; pass < passes; ++pass)
      Pass<Stages, Isa, true>(stages, levels, in, out, n, pass, frameFn, tailFn);
    stages.template Store<Stages>(l, r);
    fnFrame = frameFn;
    tail = tailFn;
  }

  // One pass: every stage takes its frame (Checked: only stages whose frame exists).
  template <int Stages, VectorIsa Isa, bool Checked, class Pairs, class FrameFn, class TailFn>
  __attribute__((always_inline)) static inline void Pass(Pairs& st, __m128d* const* levels,
                                                         const __m128d* in, __m128d* out, int n,
                                                         int pass, FrameFn& fnFrame, TailFn& tail)
  {
    using S = Schedule<Stages, Isa>;
    constexpr int kFactor = 1 << Stages;
    auto has = [n, pass](int offset)
    { return !Checked || (pass - offset >= 0 && pass - offset < n); };
    UpFrame<Checked>(st.up1, in, levels[1], pass - S::kUp1, n, 1);
    if constexpr (Stages >= 2) UpFrame<Checked>(st.up2, levels[1], levels[2], pass - S::kUp2, n, 2);
    if constexpr (Stages >= 3) UpFrame<Checked>(st.up3, levels[2], levels[3], pass - S::kUp3, n, 4);
    if constexpr (Stages >= 4) UpFrame<Checked>(st.up4, levels[3], levels[4], pass - S::kUp4, n, 8);
    if (has(S::kFrame))
      fnFrame(&levels[Stages][kFactor * (pass - S::kFrame)], pass - S::kFrame,
              std::integral_constant<int, kFactor>{});
    if constexpr (Stages >= 4)
      DownFrame<Checked>(st.down4, levels[4], levels[3], pass - S::kDown4, n, 8);
    if constexpr (Stages >= 3)
      DownFrame<Checked>(st.down3, levels[3], levels[2], pass - S::kDown3, n, 4);
    if constexpr (Stages >= 2)
      DownFrame<Checked>(st.down2, levels[2], levels[1], pass - S::kDown2, n, 2);
    DownFrame<Checked>(st.down1, levels[1], out, pass - S::kDown1, n, 1);
    if (has(S::kTail)) tail(pass - S::kTail);
  }

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
  VectorIsa mIsa = VectorIsa::kSse2;

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
