#pragma once

#include "effect/CircuitDesignTables.h"
#include "effect/CircuitSectionPair.h"

#include <cmath>
#include <cstring>

// The section designs of DesignHigh / DesignLow / DesignMid on N lanes at once (a GCC/Clang
// vector of doubles): each lane does exactly the scalar design's operations in the same order,
// so lanes can hold left and right and several frames. The circuit's zero terms are skipped at
// compile time, exactly where the scalar design skips them at run time.
template <int N>
struct LaneTypes;
template <>
struct LaneTypes<2>
{
  typedef double Values __attribute__((vector_size(16)));
};
template <>
struct LaneTypes<4>
{
  typedef double Values __attribute__((vector_size(32)));
};
template <>
struct LaneTypes<8>
{
  typedef double Values __attribute__((vector_size(64)));
};
template <int N>
using DoubleLanes = typename LaneTypes<N>::Values;

template <int N>
struct CircuitCoefficientLanes
{
  DoubleLanes<N> a0, a1, a2, b0, b1, b2;
};

namespace circuitlanes
{
// Wide lanes go in and out by reference: passed by value they would need the wide ABI.
template <int N>
__attribute__((always_inline)) inline void Broadcast(double x, DoubleLanes<N>& v)
{
  double lanes[N];
  for (int lane = 0; lane < N; ++lane) lanes[lane] = x;
  std::memcpy(&v, lanes, sizeof v);
}

// The row's terms summed in table order: 1, b, b^2, c, b*c, b^2*c.
template <const circuit::CircuitModel& Model, circuit::CoefficientTerms circuit::CircuitModel::*Row,
          int N>
__attribute__((always_inline)) inline void Evaluate(const DoubleLanes<N>& b,
                                                    const DoubleLanes<N>& c,
                                                    const DoubleLanes<N>& bb, DoubleLanes<N>& sum)
{
  constexpr circuit::CoefficientTerms t = Model.*Row;
  Broadcast<N>(t.one, sum);
  if constexpr (t.b != 0) sum = sum + t.b * b;
  if constexpr (t.bb != 0) sum = sum + t.bb * bb;
  if constexpr (t.c != 0) sum = sum + t.c * c;
  if constexpr (t.bc != 0) sum = sum + t.bc * (b * c);
  if constexpr (t.bbc != 0) sum = sum + t.bbc * (bb * c);
}
} // namespace circuitlanes

// K is the bilinear rate constant, K2 its square as the scalar design forms it.
template <const circuit::CircuitModel& Model, int N>
__attribute__((always_inline)) inline void
DesignLanes(const DoubleLanes<N>& K, const DoubleLanes<N>& K2, const DoubleLanes<N>& b,
            const DoubleLanes<N>& c, CircuitCoefficientLanes<N>& k)
{
  using circuit::CircuitModel;
  using circuitlanes::Evaluate;
  const DoubleLanes<N> bb = b * b;
  DoubleLanes<N> A2, A1, A0, B2, B1, B0;
  Evaluate<Model, &CircuitModel::A2, N>(b, c, bb, A2);
  Evaluate<Model, &CircuitModel::A1, N>(b, c, bb, A1);
  Evaluate<Model, &CircuitModel::A0, N>(b, c, bb, A0);
  Evaluate<Model, &CircuitModel::B2, N>(b, c, bb, B2);
  Evaluate<Model, &CircuitModel::B1, N>(b, c, bb, B1);
  Evaluate<Model, &CircuitModel::B0, N>(b, c, bb, B0);
  // a0 = A2 K2 + A1 K + A0, a1 = 2 (A0 - A2 K2), a2 = A2 K2 - A1 K + A0; b likewise.
  k.a0 = A2 * K2 + A1 * K + A0;
  k.a1 = 2 * (A0 - A2 * K2);
  k.a2 = A2 * K2 - A1 * K + A0;
  k.b0 = B2 * K2 + B1 * K + B0;
  k.b1 = 2 * (B0 - B2 * K2);
  k.b2 = B2 * K2 - B1 * K + B0;
}

// HasStablePoles of a left and a right section: a0 not 0, |p2| < 1 and |p1| < 1 + p2, where
// p1 = a1 / a0 and p2 = a2 / a0 (a lane whose a0 is 0 has divided by it, but its answer is false
// all the same). All ones where stable. (Comparisons stay on two lanes: wider generic vector
// comparisons are not kept vectorised when inlined into code for wider instructions.)
inline __m128d StablePolesPair(__m128d a0, __m128d p1, __m128d p2)
{
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d inside = _mm_and_pd(_mm_cmplt_pd(_mm_and_pd(p2, magnitude), one),
                                    _mm_cmplt_pd(_mm_and_pd(p1, magnitude), _mm_add_pd(one, p2)));
  return _mm_and_pd(_mm_cmpneq_pd(a0, _mm_setzero_pd()), inside);
}

// Designs frames 0 .. count - 1 (at most kMaxDesignFrames) of a left and a right section into
// out, N / 2 frames at a time. The inputs are laid out [frame][channel]; a null K2 means every
// lane has the rate constant K[0] (and its square is formed here, as the scalar design does).
// current holds the sections' coefficients on entry and the last frame's on return. With
// KeepLastStable a lane whose new design would be unstable keeps its previous coefficients, as
// DesignHighStable does.
constexpr int kMaxDesignFrames = 128; // frames per DesignFrames call
template <const circuit::CircuitModel& Model, bool KeepLastStable, int N>
__attribute__((always_inline)) inline void
DesignFrames(const double* K, const double* K2, const double* b, const double* c, int count,
             CircuitCoefficientsPair* out, CircuitCoefficientsPair& current)
{
  static_assert(N % 2 == 0, "a lane pair per frame");
  if (count > kMaxDesignFrames) count = kMaxDesignFrames; // the caller's chunks are no longer
  constexpr int kFrames = N / 2;
  const bool oneRate = K2 == nullptr;
  const double rateSquare = oneRate ? std::pow(K[0], 2.0) : 0.0;
  // The pole ratios a1 / a0 and a2 / a0 of each frame's new design, for the stability test.
  __m128d ratios[KeepLastStable ? kMaxDesignFrames : 1][2];
  for (int first = 0; first < count; first += kFrames)
  {
    const int frames = count - first < kFrames ? count - first : kFrames;
    DoubleLanes<N> lanesK, lanesK2, lanesB, lanesC;
    if (frames == kFrames)
    {
      std::memcpy(&lanesB, b + 2 * first, sizeof lanesB);
      std::memcpy(&lanesC, c + 2 * first, sizeof lanesC);
      if (oneRate)
      {
        circuitlanes::Broadcast<N>(K[0], lanesK);
        circuitlanes::Broadcast<N>(rateSquare, lanesK2);
      }
      else
      {
        std::memcpy(&lanesK, K + 2 * first, sizeof lanesK);
        std::memcpy(&lanesK2, K2 + 2 * first, sizeof lanesK2);
      }
    }
    else
    {
      // The last group repeats its last frame in the unused lanes.
      double k[N], k2[N], bs[N], cs[N];
      for (int lane = 0; lane < N; ++lane)
      {
        const int i = 2 * (first + (lane / 2 < frames ? lane / 2 : frames - 1)) + lane % 2;
        k[lane] = oneRate ? K[0] : K[i];
        k2[lane] = oneRate ? rateSquare : K2[i];
        bs[lane] = b[i];
        cs[lane] = c[i];
      }
      std::memcpy(&lanesK, k, sizeof lanesK);
      std::memcpy(&lanesK2, k2, sizeof lanesK2);
      std::memcpy(&lanesB, bs, sizeof lanesB);
      std::memcpy(&lanesC, cs, sizeof lanesC);
    }
    CircuitCoefficientLanes<N> k;
    DesignLanes<Model, N>(lanesK, lanesK2, lanesB, lanesC, k);
    DoubleLanes<N> p1, p2;
    if constexpr (KeepLastStable)
    {
      p1 = k.a1 / k.a0;
      p2 = k.a2 / k.a0;
    }
    for (int f = 0; f < frames; ++f)
    {
      CircuitCoefficientsPair& o = out[first + f];
      std::memcpy(&o.a0, reinterpret_cast<const char*>(&k.a0) + 16 * f, 16);
      std::memcpy(&o.a1, reinterpret_cast<const char*>(&k.a1) + 16 * f, 16);
      std::memcpy(&o.a2, reinterpret_cast<const char*>(&k.a2) + 16 * f, 16);
      std::memcpy(&o.b0, reinterpret_cast<const char*>(&k.b0) + 16 * f, 16);
      std::memcpy(&o.b1, reinterpret_cast<const char*>(&k.b1) + 16 * f, 16);
      std::memcpy(&o.b2, reinterpret_cast<const char*>(&k.b2) + 16 * f, 16);
      if constexpr (KeepLastStable)
      {
        std::memcpy(&ratios[first + f][0], reinterpret_cast<const char*>(&p1) + 16 * f, 16);
        std::memcpy(&ratios[first + f][1], reinterpret_cast<const char*>(&p2) + 16 * f, 16);
      }
    }
  }
  if constexpr (!KeepLastStable)
  {
    for (int n = 0; n < count; ++n) out[n].MarkNonZeroA0();
    if (count > 0) current = out[count - 1];
    return;
  }
  // Frame by frame: a lane whose new design is unstable keeps the previous frame's coefficients.
  // (Those are kept in a local: copying a whole pair back out of out[] would read what was just
  // stored in pieces, which the processor cannot forward.)
  CircuitCoefficientsPair previous = current;
  for (int n = 0; n < count; ++n)
  {
    CircuitCoefficientsPair& o = out[n];
    previous.TakeWhere(StablePolesPair(o.a0, ratios[n][0], ratios[n][1]), o);
    previous.MarkNonZeroA0();
    o = previous;
  }
  current = previous;
}
