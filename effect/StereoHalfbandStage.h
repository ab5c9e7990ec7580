#pragma once

#include "effect/VectorIsa.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <emmintrin.h>
#if KORU_WIDE_VECTORS
#include <immintrin.h>
#endif

// One rate-doubling or rate-halving step for a left and a right channel: two parallel chains of
// first-order all-pass sections (c + z^-1) / (1 + c z^-1) at the lower rate, the coefficients
// kCoefficients dealt alternately (chain 0 takes c[0], c[2], ..., chain 1 c[1], c[3], ...). The
// memories are kept side by side the way the vector forms below load them: section k's memory of
// the left channel, then the right's. Each channel does exactly the operations of the per-channel
// form (HalfbandStage, kept with the tests' reference chain), in the same order, so the results
// are the same bits; Up and Down work on one channel, the vector forms on both at once.
// In a chain, section i's input is section i - 2's output, so once any sample went through (or
// after Reset, when all are 0) a HalfbandStage's last input of section i >= 2 equals the last
// output of section i - 2, bit for bit: only the first two sections' last inputs are kept.
// Value type; no allocation, audio thread only.
template <std::size_t N, const std::array<double, N>& kCoefficients>
class StereoHalfbandStage
{
public:
  void Reset(int channel)
  {
    for (std::size_t k = 0; k < N; ++k) mY[k][channel] = 0.0;
    for (std::size_t k = 0; k < 2 && k < N; ++k) mX[k][channel] = 0.0;
  }

  // False once a memory of the channel holds a non-number or an infinity.
  bool IsFinite(int channel) const
  {
    for (std::size_t k = 0; k < N; ++k)
      if (!std::isfinite(mY[k][channel])) return false;
    for (std::size_t k = 0; k < 2 && k < N; ++k)
      if (!std::isfinite(mX[k][channel])) return false;
    return true;
  }

  // As HalfbandStage::Up and Down on one channel (0 left, 1 right).
  void Up(int channel, double s, double& first, double& second)
  {
    first = Chain(0, channel, s);
    second = Chain(1, channel, s);
  }
  double Down(int channel, double s0, double s1)
  {
    const double y0 = Chain(0, channel, s1);
    const double y1 = Chain(1, channel, s0);
    return (y0 + y1) * 0.5;
  }

  // Both channels in SSE2 vectors (left in the low lane): section k in one vector. Works on
  // copies of the memories; Store writes them back.
  class Pair
  {
  public:
    static constexpr int kLag = 0; // a frame comes out in the pass it goes in

    explicit Pair(const StereoHalfbandStage& stage)
    {
      for (std::size_t k = 0; k < N; ++k) mLastOutputs[k] = _mm_load_pd(stage.mY[k]);
      for (std::size_t k = 0; k < 2 && k < N; ++k) mLastInputs[k] = _mm_load_pd(stage.mX[k]);
    }
    void Store(StereoHalfbandStage& stage) const
    {
      for (std::size_t k = 0; k < N; ++k) _mm_store_pd(stage.mY[k], mLastOutputs[k]);
      for (std::size_t k = 0; k < 2 && k < N; ++k) _mm_store_pd(stage.mX[k], mLastInputs[k]);
    }
    // As the scalar Up (out[0] earlier, out[1] later) and Down (in[0] earlier, in[1] later).
    void Up(__m128d s, __m128d* out)
    {
      out[0] = Chain<0>(s);
      out[1] = Chain<1>(s);
    }
    __m128d Down(const __m128d* in)
    {
      const __m128d y0 = Chain<0>(in[1]);
      const __m128d y1 = Chain<1>(in[0]);
      return _mm_mul_pd(_mm_add_pd(y0, y1), _mm_set1_pd(0.5));
    }

  private:
    template <std::size_t First>
    __m128d Chain(__m128d s)
    {
      __m128d x = mLastInputs[First]; // this section's previous input
      mLastInputs[First] = s;
#pragma GCC unroll 8
      for (std::size_t k = First; k < N; k += 2)
      {
        const __m128d previous = mLastOutputs[k];
        const __m128d y =
            _mm_add_pd(_mm_mul_pd(_mm_sub_pd(s, previous), _mm_load_pd(kPairs.c[k])), x);
        x = previous;
        mLastOutputs[k] = y;
        s = y;
      }
      return s;
    }

    __m128d mLastOutputs[N];
    __m128d mLastInputs[2];
  };

#if KORU_WIDE_VECTORS
  // The same with AVX, for stages whose two chains are equally long (N even): in each 256-bit
  // vector, chain 0 of left and right fills the low half and chain 1 the high half (sections 2j
  // and 2j + 1 side by side, as the stage keeps them), so one operation serves four sections,
  // each lane still doing exactly the scalar operations (no fused multiply-add). Use only where
  // the processor has AVX.
  // The sections can be split into Groups groups that work one frame apart: in each call group g
  // takes the frame that went into group 0 g calls earlier, from the output group g - 1 left in
  // the previous call. The groups of one call are independent of each other, so a call's chain
  // of dependent operations is one group long instead of the whole stage; a frame comes out
  // kLag = Groups - 1 calls after it went in. Each section still sees its own inputs in order:
  // the same bits. Between runs every group has taken the same frames, so group g > 0's last
  // input is group g - 1's last output, as the stage keeps it.
  template <std::size_t Groups>
  class GroupedQuad
  {
  public:
    static constexpr std::size_t kSections = N / 2;
    static constexpr std::size_t kPerGroup = kSections / Groups;
    static constexpr int kLag = static_cast<int>(Groups) - 1;
    static_assert(N % 2 == 0 && kSections % Groups == 0, "equal chains in equal groups");

    __attribute__((target("avx"))) explicit GroupedQuad(const StereoHalfbandStage& stage)
    {
      for (std::size_t j = 0; j < kSections; ++j) mLastOutputs[j] = _mm256_load_pd(stage.mY[2 * j]);
      mLastInputs[0] = _mm256_load_pd(stage.mX[0]);
      for (std::size_t g = 1; g < Groups; ++g) mLastInputs[g] = mLastOutputs[g * kPerGroup - 1];
    }
    __attribute__((target("avx"))) void Store(StereoHalfbandStage& stage) const
    {
      for (std::size_t j = 0; j < kSections; ++j) _mm256_store_pd(stage.mY[2 * j], mLastOutputs[j]);
      _mm256_store_pd(stage.mX[0], mLastInputs[0]);
    }

    // Frame in (both channels) and the frame kLag calls earlier out: Up gives its two samples
    // (earlier, later), Down takes two (in[0] earlier, in[1] later; the later one goes through
    // chain 0) and gives (y0 + y1) * 0.5.
    __attribute__((target("avx"))) void Up(__m128d s, __m128d* out)
    {
      const __m256d y = Advance(_mm256_insertf128_pd(_mm256_castpd128_pd256(s), s, 1));
      out[0] = _mm256_castpd256_pd128(y);
      out[1] = _mm256_extractf128_pd(y, 1);
    }
    __attribute__((target("avx"))) __m128d Down(const __m128d* in)
    {
      const __m256d y = Advance(_mm256_insertf128_pd(_mm256_castpd128_pd256(in[1]), in[0], 1));
      return _mm_mul_pd(_mm_add_pd(_mm256_castpd256_pd128(y), _mm256_extractf128_pd(y, 1)),
                        _mm_set1_pd(0.5));
    }
    // The same with the groups chosen at run time: group g moves if frame f - g lies in [0, n).
    __attribute__((target("avx"))) void Up(__m128d s, int f, int n, __m128d* out)
    {
      const __m256d y = Advance(_mm256_insertf128_pd(_mm256_castpd128_pd256(s), s, 1), f, n);
      out[0] = _mm256_castpd256_pd128(y);
      out[1] = _mm256_extractf128_pd(y, 1);
    }
    __attribute__((target("avx"))) __m128d Down(const __m128d* in, int f, int n)
    {
      const __m256d y =
          Advance(_mm256_insertf128_pd(_mm256_castpd128_pd256(in[1]), in[0], 1), f, n);
      return _mm_mul_pd(_mm_add_pd(_mm256_castpd256_pd128(y), _mm256_extractf128_pd(y, 1)),
                        _mm_set1_pd(0.5));
    }

  private:
    // Group g's step on its input.
    __attribute__((target("avx"), always_inline)) inline void Group(std::size_t g, __m256d s)
    {
      __m256d x = mLastInputs[g];
      mLastInputs[g] = s;
#pragma GCC unroll 8
      for (std::size_t j = g * kPerGroup; j < (g + 1) * kPerGroup; ++j)
      {
        const __m256d previous = mLastOutputs[j];
        const __m256d y = _mm256_add_pd(
            _mm256_mul_pd(_mm256_sub_pd(s, previous), _mm256_load_pd(kPairs.c[2 * j])), x);
        x = previous;
        mLastOutputs[j] = y;
        s = y;
      }
    }
    // Every group's input is what the group before it left last time.
    __attribute__((target("avx"), always_inline)) inline __m256d Advance(__m256d in)
    {
      __m256d input[Groups];
      input[0] = in;
      for (std::size_t g = 1; g < Groups; ++g) input[g] = mLastOutputs[g * kPerGroup - 1];
#pragma GCC unroll 8
      for (std::size_t g = 0; g < Groups; ++g) Group(g, input[g]);
      return mLastOutputs[kSections - 1];
    }
    __attribute__((target("avx"), always_inline)) inline __m256d Advance(__m256d in, int f, int n)
    {
      __m256d input[Groups];
      input[0] = in;
      for (std::size_t g = 1; g < Groups; ++g) input[g] = mLastOutputs[g * kPerGroup - 1];
#pragma GCC unroll 8
      for (std::size_t g = 0; g < Groups; ++g)
      {
        const int frame = f - static_cast<int>(g);
        if (frame >= 0 && frame < n) Group(g, input[g]);
      }
      return mLastOutputs[kSections - 1];
    }

    __m256d mLastOutputs[kSections];
    __m256d mLastInputs[Groups]; // each group's first section's previous input
  };
  using Quad = GroupedQuad<1>;
#endif

private:
  double Chain(std::size_t first, int channel, double s)
  {
    double x = mX[first][channel];
    mX[first][channel] = s;
    for (std::size_t k = first; k < N; k += 2)
    {
      const double previous = mY[k][channel];
      const double y = (s - previous) * kCoefficients[k] + x;
      x = previous;
      mY[k][channel] = y;
      s = y;
    }
    return s;
  }

  // The coefficients twice over, as the vectors take them.
  struct CoefficientPairs
  {
    alignas(32) double c[N][2];
  };
  static constexpr CoefficientPairs Pairs()
  {
    CoefficientPairs pairs{};
    for (std::size_t k = 0; k < N; ++k) pairs.c[k][0] = pairs.c[k][1] = kCoefficients[k];
    return pairs;
  }
  static constexpr CoefficientPairs kPairs = Pairs();

  alignas(32) double mY[N][2] = {}; // section k's last output, left and right
  alignas(32) double mX[2][2] = {}; // the last inputs of sections 0 and 1
};
