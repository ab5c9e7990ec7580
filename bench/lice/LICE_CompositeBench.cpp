// The editor's drawing paths in nanoseconds per pixel, on each row path the processor has:
// a full 150 x 550 opaque copy, a 150 x 550 source-alpha composite, one 57 x 57 knob frame with
// source alpha, and fills at weights 1.0 and 0.5. The source-alpha images have partial alpha in
// every pixel, so no run of fully transparent or opaque pixels is skipped.
//   taskset -c 1 build/bench/lice_bench --benchmark_repetitions=10
#include "lice/LICE_Composite.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_SysBitmap.h"
#include "lice/LICE_VectorPath.h"

#include <benchmark/benchmark.h>
#include <random>

namespace
{
constexpr int kWidth = 150, kHeight = 550, kKnob = 57, kFrames = 61;

void Randomise(LICE_IBitmap& bitmap, bool partialAlpha)
{
  std::mt19937 random(1);
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = 0; x < bitmap.pixelWidth(); ++x)
    {
      LICE_Pixel32 p = LICE_Pixel32(random());
      p = partialAlpha ? (p & 0x00FFFFFF) | ((1 + (p >> 24) % 254) << 24) : p | 0xFF000000;
      LICE_RowPointer(bitmap, y)[x] = p;
    }
}

// Runs body on the row path named by the benchmark's argument and reports ns per pixel.
template <class Body>
void Run(benchmark::State& state, int pixels, Body body)
{
  const auto level = lice::VectorLevel(state.range(0));
  if (level > lice::ProcessorVectorLevel())
  {
    state.SkipWithError("this processor lacks the path");
    return;
  }
  const lice::VectorLevel previous = lice::SetActiveVectorLevel(level);
  for (auto _ : state)
  {
    body();
    benchmark::ClobberMemory();
  }
  lice::SetActiveVectorLevel(previous);
  state.counters["ns_per_pixel"] = benchmark::Counter(
      pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void CopyOpaque(benchmark::State& state)
{
  LICE_SysBitmap surface(kWidth, kHeight);
  LICE_MemBitmap image(kWidth, kHeight);
  Randomise(image, false);
  Run(state, kWidth * kHeight,
      [&] { LICE_Composite(&surface, &image, 0, 0, nullptr, 1.0f, LICE_OP_COPY); });
}

void CompositeSourceAlpha(benchmark::State& state)
{
  LICE_SysBitmap surface(kWidth, kHeight);
  LICE_MemBitmap image(kWidth, kHeight);
  Randomise(image, true);
  Run(state, kWidth * kHeight,
      [&]
      { LICE_Composite(&surface, &image, 0, 0, nullptr, 1.0f, LICE_OP_COPY | LICE_OP_SRCALPHA); });
}

void KnobFrame(benchmark::State& state)
{
  LICE_SysBitmap surface(kWidth, kHeight);
  LICE_MemBitmap strip(kKnob, kKnob * kFrames);
  Randomise(strip, true);
  const LICE_Rect frame = {0, 30 * kKnob, kKnob, 31 * kKnob};
  Run(state, kKnob * kKnob,
      [&] {
        LICE_Composite(&surface, &strip, 47, 101, &frame, 1.0f, LICE_OP_COPY | LICE_OP_SRCALPHA);
      });
}

void Fill(benchmark::State& state, float weight)
{
  LICE_SysBitmap surface(kWidth, kHeight);
  Randomise(surface, false);
  Run(state, kWidth * kHeight,
      [&] { LICE_FillArea(&surface, 0, 0, kWidth, kHeight, 0xFF336699, weight, LICE_OP_COPY); });
}
void FillFull(benchmark::State& state) { Fill(state, 1.0f); }
void FillHalf(benchmark::State& state) { Fill(state, 0.5f); }

// 0 per-pixel reference, 1 SSE2, 2 AVX2.
#define LICE_BENCH(name) BENCHMARK(name)->ArgName("path")->DenseRange(0, 2)
LICE_BENCH(CopyOpaque);
LICE_BENCH(CompositeSourceAlpha);
LICE_BENCH(KnobFrame);
LICE_BENCH(FillFull);
LICE_BENCH(FillHalf);
} // namespace
