#pragma once

#include "effect/HalfbandCoefficients.h"
#include "effect/StereoHalfbandStage.h"
#include "effect/VectorIsa.h"

#include <algorithm>
#include <emmintrin.h>
#include <type_traits>

// Runs a function at 2^Stages times the base rate for a left and a right channel: half-band
// interpolators raise the rate in steps of two and the mirror-image decimators bring it back. The
// stages keep both channels' memories side by side, so the frame form below loads and stores
// them as vectors. Each channel gives exactly what the per-channel form (HalfbandOversampler,
// kept with the tests' reference chain) would, bit for bit, whichever form runs it. Value type; no
// allocation, no lock, audio thread only.
template <int Stages>
class StereoHalfbandOversampler
{
  static_assert(Stages >= 1 && Stages <= 4, "two to sixteen times the rate");

public:
  static constexpr int kFactor = 1 << Stages;

  // The frame form uses the widest vectors the processor has; LimitVectorIsa keeps it to at
  // most the given ones. Either way the results are the same bits.
  StereoHalfbandOversampler() : mIsa(ProcessorVectorIsa()) {}
  void LimitVectorIsa(VectorIsa highest) { mIsa = LimitedVectorIsa(highest); }
  VectorIsa VectorIsaInUse() const { return mIsa; }

  // Clears the memories of one channel (0 left, 1 right).
  void Reset(int channel)
  {
    mUp1.Reset(channel), mUp2.Reset(channel), mUp3.Reset(channel), mUp4.Reset(channel);
    mDown4.Reset(channel), mDown3.Reset(channel), mDown2.Reset(channel), mDown1.Reset(channel);
  }
  // False once a memory of the channel went non-finite.
  bool IsFinite(int channel) const
  {
    return mUp1.IsFinite(channel) && mUp2.IsFinite(channel) && mUp3.IsFinite(channel) &&
           mUp4.IsFinite(channel) && mDown4.IsFinite(channel) && mDown3.IsFinite(channel) &&
           mDown2.IsFinite(channel) && mDown1.IsFinite(channel);
  }

  // HalfbandOversampler::Process on one channel: one base-rate sample in, one out; fn
  // (double -> double) is called kFactor times in time order.
  template <class Fn>
  double Process(int channel, double x, Fn&& fn)
  {
    double l1[2];
    [[maybe_unused]] double l2[4];
    [[maybe_unused]] double l3[8];
    [[maybe_unused]] double l4[16];
    double* levels[] = {nullptr, l1, l2, l3, l4};
    mUp1.Up(channel, x, l1[0], l1[1]);
    if constexpr (Stages >= 2) Spread(mUp2, channel, l1, 2, l2);
    if constexpr (Stages >= 3) Spread(mUp3, channel, l2, 4, l3);
    if constexpr (Stages >= 4) Spread(mUp4, channel, l3, 8, l4);
    double* top = levels[Stages];
    for (int i = 0; i < kFactor; ++i) top[i] = fn(top[i]);
    if constexpr (Stages >= 4) Gather(mDown4, channel, l4, 8, l3);
    if constexpr (Stages >= 3) Gather(mDown3, channel, l3, 4, l2);
    if constexpr (Stages >= 2) Gather(mDown2, channel, l2, 2, l1);
    return mDown1.Down(channel, l1[0], l1[1]);
  }

  // Frame form, both channels at once, each in its own lane of an SSE2 pair (left low, right
  // high): out[i] gets what Process(channel, head(i), fn) would give each channel.
  // head(int frame) answers the frame's input pair; fnFrame(__m128d* samples, int frame,
  // std::integral_constant<int, kFactor>) replaces the frame's kFactor oversampled pairs in place;
  // tail(int frame) is called once out[frame] is final. Each is called for frames 0 .. n - 1 in
  // order, and a frame's head before its fnFrame, which comes before its tail. The stages run as a
  // pipeline: each step of the loop advances every stage by one frame, each stage one frame behind
  // the stage before it, so the steps of one loop pass are independent of each other and their
  // chains of dependent operations overlap. Every stage still sees the same samples in the same
  // order: the results are the same bits. work holds at least 2 * kFactor * n pairs. The pipeline
  // runs copies of head, fnFrame and tail and assigns them back at the end, so that whatever state
  // they carry by value (filter memories, a smoother) stays in registers throughout: they must be
  // copy-assignable (function objects, not lambdas).
  template <class HeadFn, class FrameFn, class TailFn>
  void ProcessFrames(HeadFn& head, __m128d* out, int n, __m128d* work, FrameFn& fnFrame,
                     TailFn& tail)
  {
    ProcessFramesInto(*this, head, out, n, work, fnFrame, tail);
  }
  // The same, leaving this oversampler as it was and the state after the frames in next (which
  // may be this one).
  template <class HeadFn, class FrameFn, class TailFn>
  void ProcessFramesInto(StereoHalfbandOversampler& next, HeadFn& head, __m128d* out, int n,
                         __m128d* work, FrameFn& fnFrame, TailFn& tail) const
  {
#if KORU_WIDE_VECTORS
    if (mIsa == VectorIsa::kAvx512) return RunAvx512(next, head, out, n, work, fnFrame, tail);
    if (mIsa == VectorIsa::kAvx) return RunAvx(next, head, out, n, work, fnFrame, tail);
#endif
    RunSse2(next, head, out, n, work, fnFrame, tail);
  }

private:
  using Up1 = StereoHalfbandStage<12, halfband::kStage1>;
  using Up2 = StereoHalfbandStage<4, halfband::kStage2>;
  using Up3 = StereoHalfbandStage<3, halfband::kStage3>;
  using Up4 = StereoHalfbandStage<2, halfband::kStage4>;

  template <class Stage>
  static void Spread(Stage& stage, int channel, const double* in, int n, double* out)
  {
    for (int i = 0; i < n; ++i) stage.Up(channel, in[i], out[2 * i], out[2 * i + 1]);
  }
  template <class Stage>
  static void Gather(Stage& stage, int channel, const double* in, int n, double* out)
  {
    for (int i = 0; i < n; ++i) out[i] = stage.Down(channel, in[2 * i], in[2 * i + 1]);
  }

  // Each pipeline is one function with its stages and the caller's functions inlined into it
  // (flatten), so the stage memories stay in registers across the whole loop.
  template <class HeadFn, class FrameFn, class TailFn>
  __attribute__((flatten)) void RunSse2(StereoHalfbandOversampler& next, HeadFn& head, __m128d* out,
                                        int n, __m128d* work, FrameFn& fnFrame, TailFn& tail) const
  {
    Pipeline<VectorIsa::kSse2>(next, head, out, n, work, fnFrame, tail);
  }
#if KORU_WIDE_VECTORS
  template <class HeadFn, class FrameFn, class TailFn>
  __attribute__((target("avx"), flatten)) void RunAvx(StereoHalfbandOversampler& next, HeadFn& head,
                                                      __m128d* out, int n, __m128d* work,
                                                      FrameFn& fnFrame, TailFn& tail) const
  {
    Pipeline<VectorIsa::kAvx>(next, head, out, n, work, fnFrame, tail);
  }
  // The same instructions, with sixteen more registers to hold the memories of the longest
  // stages split into groups a frame apart.
  template <class HeadFn, class FrameFn, class TailFn>
  __attribute__((target("avx,avx512f,avx512vl,avx512dq"), flatten)) void
  RunAvx512(StereoHalfbandOversampler& next, HeadFn& head, __m128d* out, int n, __m128d* work,
            FrameFn& fnFrame, TailFn& tail) const
  {
    Pipeline<VectorIsa::kAvx512>(next, head, out, n, work, fnFrame, tail);
  }
  // AVX serves the stages with equally long chains (12 and 4 coefficients); with AVX-512's
  // registers the longest ones run in groups.
  static constexpr std::size_t kLongStageGroups = 3;
  template <class Stage, VectorIsa Isa, std::size_t N>
  using VectorsOf =
      std::conditional_t<Isa == VectorIsa::kAvx512 && N == 12,
                         typename Stage::template GroupedQuad<kLongStageGroups>,
                         std::conditional_t<Isa != VectorIsa::kSse2 && N % 2 == 0 && N >= 4,
                                            typename Stage::Quad, typename Stage::Pair>>;
#else
  template <class Stage, VectorIsa Isa, std::size_t N>
  using VectorsOf = typename Stage::Pair;
#endif

  // A stage the pipeline does not run.
  struct Unused
  {
    template <class Stage>
    explicit Unused(const Stage&)
    {
    }
    template <class Stage>
    void Store(Stage&) const
    {
    }
  };
  template <class Stage, VectorIsa Isa, std::size_t N, int Level>
  using StageOf = std::conditional_t<Level <= Stages, VectorsOf<Stage, Isa, N>, Unused>;

  // The vector forms of the stages in use, copied for one pipeline run.
  template <VectorIsa Isa>
  struct StageVectors
  {
    explicit StageVectors(const StereoHalfbandOversampler& o)
      : up1(o.mUp1)
      , up2(o.mUp2)
      , up3(o.mUp3)
      , up4(o.mUp4)
      , down4(o.mDown4)
      , down3(o.mDown3)
      , down2(o.mDown2)
      , down1(o.mDown1)
    {
    }
    __attribute__((always_inline)) inline void Store(StereoHalfbandOversampler& o) const
    {
      up1.Store(o.mUp1), up2.Store(o.mUp2), up3.Store(o.mUp3), up4.Store(o.mUp4);
      down4.Store(o.mDown4), down3.Store(o.mDown3), down2.Store(o.mDown2), down1.Store(o.mDown1);
    }
    StageOf<Up1, Isa, 12, 1> up1;
    StageOf<Up2, Isa, 4, 2> up2;
    StageOf<Up3, Isa, 3, 3> up3;
    StageOf<Up4, Isa, 2, 4> up4;
    StageOf<Up4, Isa, 2, 4> down4;
    StageOf<Up3, Isa, 3, 3> down3;
    StageOf<Up2, Isa, 4, 2> down2;
    StageOf<Up1, Isa, 12, 1> down1;
  };

  // The pass in which each stage takes frame f is f plus its offset: each stage follows the one
  // before it by one pass, plus that one's lag. Level k holds the samples at 2^k times the base
  // rate (level 0 is in or out); one buffer per level serves both directions, as a down-stage
  // writes a frame's samples there only after the up-stage above read them.
  template <VectorIsa Isa>
  struct Schedule
  {
    static constexpr int kLag1 = VectorsOf<Up1, Isa, 12>::kLag; // next to the base rate
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

  // Up-stage k + 1 on frame f: the frame's samples of level k in, twice as many of level k + 1
  // out; the down-stage mirrors it. A stage whose output comes kLag passes late writes frame
  // f - kLag. With Checked, only what exists happens (the pipeline's fill and drain): a lagged
  // stage takes frames until f = n + kLag - 1 (silence past the end), and its groups move only
  // where their frames exist.
  // (Helpers rather than lambdas: a lambda's body would not take the AVX stages inline.)
  template <bool Checked, class Stage, class From>
  __attribute__((always_inline)) static inline void UpFrame(Stage& stage, const From& from,
                                                            __m128d* to, int f, int n, int samples)
  {
    if constexpr (std::is_same_v<Stage, Unused>)
    {
      return;
    }
    else if constexpr (Stage::kLag == 0)
    {
      if (Checked && !(f >= 0 && f < n)) return;
#pragma GCC unroll 8
      for (int i = 0; i < samples; ++i) stage.Up(from[samples * f + i], &to[2 * (samples * f + i)]);
    }
    else if constexpr (!Checked)
    {
      // One sample per frame.
      stage.Up(from[f], &to[2 * (f - Stage::kLag)]);
    }
    else
    {
      // What comes out before the first frame goes nowhere.
      if (!(f >= 0 && f < n + Stage::kLag)) return;
      __m128d nowhere[2];
      stage.Up(f >= n ? _mm_setzero_pd() : from[f], f, n,
               f < Stage::kLag ? nowhere : &to[2 * (f - Stage::kLag)]);
    }
  }
  template <bool Checked, class Stage>
  __attribute__((always_inline)) static inline void
  DownFrame(Stage& stage, const __m128d* from, __m128d* to, int f, int n, int samples)
  {
    if constexpr (std::is_same_v<Stage, Unused>)
    {
      return;
    }
    else if constexpr (Stage::kLag == 0)
    {
      if (Checked && !(f >= 0 && f < n)) return;
#pragma GCC unroll 8
      for (int i = 0; i < samples; ++i)
        to[samples * f + i] = stage.Down(&from[2 * (samples * f + i)]);
    }
    else if constexpr (!Checked)
    {
      to[f - Stage::kLag] = stage.Down(&from[2 * f]);
    }
    else
    {
      if (!(f >= 0 && f < n + Stage::kLag)) return;
      const __m128d silence[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
      const __m128d y = stage.Down(f >= n ? silence : &from[2 * f], f, n);
      if (f >= Stage::kLag) to[f - Stage::kLag] = y;
    }
  }

  // The frames of level 0 come from the head, once each.
  template <class HeadFn>
  struct FromHead
  {
    HeadFn& head;
    __m128d operator[](int frame) const { return head(frame); }
  };

  // One pass: every stage takes its frame (Checked: only stages whose frame exists).
  template <VectorIsa Isa, bool Checked, class Vectors, class HeadFn, class FrameFn, class TailFn>
  __attribute__((always_inline)) static inline void Pass(Vectors& st, __m128d* const* levels,
                                                         HeadFn& head, __m128d* out, int n,
                                                         int pass, FrameFn& fnFrame, TailFn& tail)
  {
    using S = Schedule<Isa>;
    auto has = [n, pass](int offset)
    { return !Checked || (pass - offset >= 0 && pass - offset < n); };
    UpFrame<Checked>(st.up1, FromHead<HeadFn>{head}, levels[1], pass - S::kUp1, n, 1);
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

  // In the steady state every stage has a frame in every pass; before it the pipeline fills,
  // after it it drains. (The fill and the drain stay loops: unrolled, the two pipelines' code no
  // longer fits the instruction cache together.)
  template <VectorIsa Isa, class HeadFn, class FrameFn, class TailFn>
  __attribute__((always_inline)) inline void Pipeline(StereoHalfbandOversampler& next, HeadFn& head,
                                                      __m128d* out, int n, __m128d* work,
                                                      FrameFn& fnFrame, TailFn& tail) const
  {
    static_assert(std::is_copy_assignable_v<HeadFn> && std::is_copy_assignable_v<FrameFn> &&
                      std::is_copy_assignable_v<TailFn>,
                  "the pipeline hands back copies of its functions");
    HeadFn headFn = head;
    FrameFn frameFn = fnFrame;
    TailFn tailFn = tail;
    __m128d* levels[5] = {nullptr, work};
    for (int k = 2; k <= Stages; ++k) levels[k] = levels[k - 1] + (1 << (k - 1)) * n;
    StageVectors<Isa> stages(*this);
    using S = Schedule<Isa>;
    const int passes = n + S::kTail;
    int pass = 0;
    for (; pass < std::min(S::kTail, passes); ++pass)
      Pass<Isa, true>(stages, levels, headFn, out, n, pass, frameFn, tailFn);
    for (; pass < n; ++pass)
      Pass<Isa, false>(stages, levels, headFn, out, n, pass, frameFn, tailFn);
    for (; pass < passes; ++pass)
      Pass<Isa, true>(stages, levels, headFn, out, n, pass, frameFn, tailFn);
    stages.Store(next);
    head = headFn;
    fnFrame = frameFn;
    tail = tailFn;
  }

  // A stage past the oversampler's rate: nothing to keep.
  struct NoStage
  {
    void Reset(int) {}
    bool IsFinite(int) const { return true; }
  };
  template <class Stage, int Level>
  using StageAt = std::conditional_t<Level <= Stages, Stage, NoStage>;

  VectorIsa mIsa;
  // upN raises the rate at stage N (N = 1 next to the base rate); downN is its mirror.
  Up1 mUp1;
  StageAt<Up2, 2> mUp2;
  StageAt<Up3, 3> mUp3;
  StageAt<Up4, 4> mUp4;
  StageAt<Up4, 4> mDown4;
  StageAt<Up3, 3> mDown3;
  StageAt<Up2, 2> mDown2;
  Up1 mDown1;
};
