#pragma once

#include "BenchProgramme.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

// Shared harness of the Google Benchmark timings: one benchmark plays the programme through a
// chain in blocks of state.range(0) frames and reports nanoseconds per stereo frame; the
// repetitions' best is the "min" row.
namespace chainbench
{
template <class Sample, class Chain>
void Run(benchmark::State& state, Chain& chain, Case which)
{
  const int blockFrames = static_cast<int>(state.range(0));
  Player<Chain, Sample> player(chain, which, blockFrames);
  // Untimed first, so that the defaults are timed with their smoothers settled.
  for (long frame = 0; frame < kWarmUpFrames; frame += blockFrames) player.Block();
  for (auto _ : state)
  {
    player.Block();
    benchmark::DoNotOptimize(player.Output());
    benchmark::ClobberMemory();
  }
  const auto frames = static_cast<int64_t>(state.iterations()) * blockFrames;
  state.SetItemsProcessed(frames);
  // Seconds per frame; the report prints it with its SI prefix (for example "95.2ns").
  state.counters["ns_per_frame"] = benchmark::Counter(
      static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The best of the repetitions beside the mean.
inline void Best(benchmark::internal::Benchmark* b)
{
  b->ComputeStatistics("min", [](const std::vector<double>& v)
                       { return *std::min_element(v.begin(), v.end()); });
}
// Every block size.
inline void BlockSizes(benchmark::internal::Benchmark* b)
{
  b->ArgName("frames");
  for (int frames : kBlockSizes) b->Arg(frames);
  Best(b);
}
} // namespace chainbench
