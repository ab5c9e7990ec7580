#pragma once

#include <emmintrin.h>
// AVX block forms where GCC or Clang target x86-64, but not on Windows, where MinGW's GCC cannot
// keep the stack aligned for spilled 256-bit vectors.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
#include <immintrin.h>
#define KORU_HALFBAND_AVX 1
#endif

#include <array>
#include <cmath>
#include <cstddef>

// One rate-doubling or rate-halving step: two parallel chains of first-order all-pass
// sections (c + z^-1) / (1 + c z^-1) running at the lower rate. Coefficients are dealt
// alternately: chain 0 takes c[0], c[2], ..., chain 1 takes c[1], c[3], ....
// Value type; no allocation, audio thread only.
template <std::size_t N>
class HalfbandStage
{
public:
  explicit HalfbandStage(const std::array<double, N>& coefficients) : mCoefficients(coefficients)
  {
    Reset();
  }

  void Reset()
  {
    mLastInputs.fill(0.0);
    mLastOutputs.fill(0.0);
  }

  // False once a memory holds a non-number or an infinity.
  bool IsFinite() const
  {
    for (std::size_t i = 0; i < N; ++i)
      if (!std::isfinite(mLastInputs[i]) || !std::isfinite(mLastOutputs[i])) return false;
    return true;
  }

  // Up-stage: one sample in, two out; chain 0 gives the earlier sample, chain 1 the later.
  void Up(double s, double& first, double& second)
  {
    first = Chain(0, s);
    second = Chain(1, s);
  }

  // Down-stage: two samples in (s0 earlier, s1 later), one out. The later sample goes
  // through chain 0 so that the two paths line up again.
  double Down(double s0, double s1)
  {
    const double y0 = Chain(0, s1);
    const double y1 = Chain(1, s0);
    return (y0 + y1) * 0.5;
  }

  // In a chain, section i's input is section i - 2's output, so once any sample went through
  // (or after Reset, when all are 0) mLastInputs[i] == mLastOutputs[i - 2] for i >= 2, bit for bit.
  // The vector forms below keep only ym and the two chain inputs, which halves the memories they
  // carry.

  // A left and a right stage worked together, left in the low lane of each SSE2 vector and
  // right in the high lane; each lane does exactly the scalar operations of its own stage.
  // Holds copies of both stages' memories; Store writes them back.
  class Pair
  {
  public:
    static constexpr int kLag = 0; // a frame comes out in the pass it goes in

    Pair(const HalfbandStage& left, const HalfbandStage& right)
    {
      for (std::size_t k = 0; k < N; ++k)
      {
        mLastOutputs[k] = _mm_set_pd(right.mLastOutputs[k], left.mLastOutputs[k]);
        mCoefficients[k] = _mm_set_pd(right.mCoefficients[k], left.mCoefficients[k]);
      }
      for (std::size_t k = 0; k < 2 && k < N; ++k)
        mLastInputs[k] = _mm_set_pd(right.mLastInputs[k], left.mLastInputs[k]);
    }
    void Store(HalfbandStage& left, HalfbandStage& right) const
    {
      for (std::size_t k = 0; k < N; ++k)
      {
        const __m128d x = k < 2 ? mLastInputs[k] : mLastOutputs[k - 2];
        _mm_storel_pd(&left.mLastInputs[k], x);
        _mm_storeh_pd(&right.mLastInputs[k], x);
        _mm_storel_pd(&left.mLastOutputs[k], mLastOutputs[k]);
        _mm_storeh_pd(&right.mLastOutputs[k], mLastOutputs[k]);
      }
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
        const __m128d y = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(s, previous), mCoefficients[k]), x);
        x = previous;
        mLastOutputs[k] = y;
        s = y;
      }
      return s;
    }

    __m128d mLastOutputs[N], mCoefficients[N];
    __m128d mLastInputs[2];
  };

#if KORU_HALFBAND_AVX
  // The same with AVX, for stages whose two chains are equally long (N even): in each 256-bit
  // vector, chain 0 of left and right fills the low half and chain 1 the high half, so one
  // operation serves four sections, each lane still doing exactly the scalar operations (no
  // fused multiply-add). Use only where the processor has AVX.
  // The sections can be split into Groups groups that work one frame apart: in each call group g
  // takes the frame that went into group 0 g calls earlier, from the output group g - 1 left in
  // the previous call. The groups of one call are independent of each other, so a call's chain
  // of dependent operations is one group long instead of the whole stage; a frame comes out
  // kLag = Groups - 1 calls after it went in. Each section still sees its own inputs in order:
  // the same bits. Up and Down take frame f into group 0 and write what comes out of the last
  // group (frame f - kLag); with Checked only the groups whose frame lies in [0, n) move (the
  // pipeline's fill and drain). Between runs every group has taken the same frames, as the
  // scalar stage keeps them.
  template <std::size_t Groups>
  class GroupedQuad
  {
  public:
    static constexpr std::size_t kSections = N / 2;
    static constexpr std::size_t kPerGroup = kSections / Groups;
    static constexpr int kLag = static_cast<int>(Groups) - 1;
    static_assert(N % 2 == 0 && kSections % Groups == 0, "equal chains in equal groups");

    // Section j of both chains: lanes (chain 0 left, chain 0 right, chain 1 left, chain 1 right).
    __attribute__((target("avx"))) GroupedQuad(const HalfbandStage& l, const HalfbandStage& r)
    {
      for (std::size_t j = 0; j < kSections; ++j)
      {
        mLastOutputs[j] = _mm256_set_pd(r.mLastOutputs[2 * j + 1], l.mLastOutputs[2 * j + 1],
                                        r.mLastOutputs[2 * j], l.mLastOutputs[2 * j]);
        mCoefficients[j] = _mm256_set_pd(r.mCoefficients[2 * j + 1], l.mCoefficients[2 * j + 1],
                                         r.mCoefficients[2 * j], l.mCoefficients[2 * j]);
      }
      for (std::size_t g = 0; g < Groups; ++g)
      {
        const std::size_t j = g * kPerGroup;
        mLastInputs[g] = _mm256_set_pd(r.mLastInputs[2 * j + 1], l.mLastInputs[2 * j + 1],
                                       r.mLastInputs[2 * j], l.mLastInputs[2 * j]);
      }
    }
    __attribute__((target("avx"))) void Store(HalfbandStage& l, HalfbandStage& r) const
    {
      for (std::size_t j = 0; j < kSections; ++j)
      {
        double y[4], x[4];
        _mm256_storeu_pd(y, mLastOutputs[j]);
        _mm256_storeu_pd(x, j % kPerGroup == 0 ? mLastInputs[j / kPerGroup] : mLastOutputs[j - 1]);
        l.mLastOutputs[2 * j] = y[0];
        r.mLastOutputs[2 * j] = y[1];
        l.mLastOutputs[2 * j + 1] = y[2];
        r.mLastOutputs[2 * j + 1] = y[3];
        l.mLastInputs[2 * j] = x[0];
        r.mLastInputs[2 * j] = x[1];
        l.mLastInputs[2 * j + 1] = x[2];
        r.mLastInputs[2 * j + 1] = x[3];
      }
    }
    // As the scalar Up and Down, for a stage in one group (no lag).
    __attribute__((target("avx"))) void Up(__m128d s, __m128d* out)
    {
      static_assert(Groups == 1, "a grouped stage takes its frame number");
      Up<false>(s, 0, 1, out);
    }
    __attribute__((target("avx"))) __m128d Down(const __m128d* in)
    {
      static_assert(Groups == 1, "a grouped stage takes its frame number");
      __m128d y;
      Down<false>(in, 0, 1, &y);
      return y;
    }

    template <bool Checked>
    __attribute__((target("avx"))) void Up(__m128d s, int f, int n, __m128d* out)
    {
      const __m256d y =
          Advance<Checked>(_mm256_insertf128_pd(_mm256_castpd128_pd256(s), s, 1), f, n);
      out[0] = _mm256_castpd256_pd128(y);
      out[1] = _mm256_extractf128_pd(y, 1);
    }
    // The later sample into chain 0, the earlier into chain 1; then (y0 + y1) * 0.5.
    template <bool Checked>
    __attribute__((target("avx"))) void Down(const __m128d* in, int f, int n, __m128d* out)
    {
      const __m256d y =
          Advance<Checked>(_mm256_insertf128_pd(_mm256_castpd128_pd256(in[1]), in[0], 1), f, n);
      *out = _mm_mul_pd(_mm_add_pd(_mm256_castpd256_pd128(y), _mm256_extractf128_pd(y, 1)),
                        _mm_set1_pd(0.5));
    }

  private:
    template <bool Checked>
    __attribute__((target("avx"))) __m256d Advance(__m256d in, int f, int n)
    {
      // Every group's input is what the group before it left last time.
      __m256d input[Groups];
      input[0] = in;
      for (std::size_t g = 1; g < Groups; ++g) input[g] = mLastOutputs[g * kPerGroup - 1];
#pragma GCC unroll 8
      for (std::size_t g = 0; g < Groups; ++g)
      {
        const int frame = f - static_cast<int>(g);
        if (Checked && !(frame >= 0 && frame < n)) continue;
        __m256d s = input[g];
        __m256d x = mLastInputs[g];
        mLastInputs[g] = s;
#pragma GCC unroll 8
        for (std::size_t j = g * kPerGroup; j < (g + 1) * kPerGroup; ++j)
        {
          const __m256d previous = mLastOutputs[j];
          const __m256d y =
              _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(s, previous), mCoefficients[j]), x);
          x = previous;
          mLastOutputs[j] = y;
          s = y;
        }
      }
      return mLastOutputs[kSections - 1];
    }

    __m256d mLastOutputs[kSections], mCoefficients[kSections];
    __m256d mLastInputs[Groups]; // each group's first section's previous input
  };
  using Quad = GroupedQuad<1>;
#endif

private:
  double Chain(std::size_t first, double s)
  {
    for (std::size_t i = first; i < N; i += 2)
    {
      const double y = (s - mLastOutputs[i]) * mCoefficients[i] + mLastInputs[i];
      mLastInputs[i] = s;
      mLastOutputs[i] = y;
      s = y;
    }
    return s;
  }

  std::array<double, N> mCoefficients;
  std::array<double, N> mLastInputs{};
  std::array<double, N> mLastOutputs{};
};
