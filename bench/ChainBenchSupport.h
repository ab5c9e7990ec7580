#pragma once

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

// Shared harness of the chain benchmarks: 48 kHz, stereo, 512-frame blocks of programme-like
// input (three sines and white noise, peaking at -12 dBFS), prepared before timing starts.
// A Chain offers SetParam(index, plain) and ProcessBlock(double** in, double** out, frames).
namespace chainbench
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockFrames = 512;
constexpr int kBlocksInSignal = 64;
constexpr int kContinuousControls = 7; // parameters 0..6
constexpr int kCompressor = 6;

enum class Case
{
  kDefaults,     // every parameter at its default
  kCompressor48, // "Compressor 1" at 48
  kAllMoving     // every continuous control gets a new value every block
};

struct ProgrammeSignal
{
  std::vector<double> left, right;

  ProgrammeSignal() : left(kBlockFrames * kBlocksInSignal), right(left.size())
  {
    const double twoPi = 2.0 * 3.14159265358979323846;
    std::mt19937 rng(20261207u);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    double peak = 0.0;
    for (size_t i = 0; i < left.size(); ++i)
    {
      const double t = static_cast<double>(i) / kSampleRate;
      const double tones = 0.5 * std::sin(twoPi * 110.0 * t) + 0.3 * std::sin(twoPi * 440.0 * t) +
                           0.15 * std::sin(twoPi * 2500.0 * t);
      left[i] = tones + 0.1 * noise(rng);
      right[i] = 0.8 * tones + 0.1 * noise(rng);
      peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
    }
    const double scale = std::pow(10.0, -12.0 / 20.0) / peak;
    for (size_t i = 0; i < left.size(); ++i)
    {
      left[i] *= scale;
      right[i] *= scale;
    }
  }
};

// Control values for the moving case: each control sweeps its range at its own rate.
struct Automation
{
  static constexpr double kMin[kContinuousControls] = {-24.0, -24.0, 0.12, 0.1, 0.1, 0.01, 0.0};
  static constexpr double kMax[kContinuousControls] = {24.0, 24.0, 0.88, 0.9, 0.9, 0.979, 96.0};
  std::vector<double> values; // kBlocksInSignal x kContinuousControls

  Automation() : values(kBlocksInSignal * kContinuousControls)
  {
    for (int block = 0; block < kBlocksInSignal; ++block)
      for (int i = 0; i < kContinuousControls; ++i)
      {
        const double phase = 2.0 * 3.14159265358979323846 * (block * (i + 1) / 64.0 + 0.1 * i);
        values[block * kContinuousControls + i] =
            kMin[i] + (kMax[i] - kMin[i]) * (0.5 + 0.5 * std::sin(phase));
      }
  }
  double At(int block, int index) const { return values[block * kContinuousControls + index]; }
};

template <class Chain>
void Run(benchmark::State& state, Chain& chain, Case which)
{
  static const ProgrammeSignal signal;
  static const Automation automation;
  if (which == Case::kCompressor48) chain.SetParam(kCompressor, 48.0);

  std::vector<double> outL(kBlockFrames), outR(kBlockFrames);
  double* outs[] = {outL.data(), outR.data()};
  int block = 0;
  for (auto _ : state)
  {
    if (which == Case::kAllMoving)
      for (int i = 0; i < kContinuousControls; ++i) chain.SetParam(i, automation.At(block, i));
    const size_t start = static_cast<size_t>(block) * kBlockFrames;
    double* ins[] = {const_cast<double*>(signal.left.data() + start),
                     const_cast<double*>(signal.right.data() + start)};
    chain.ProcessBlock(ins, outs, kBlockFrames);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
    block = (block + 1) % kBlocksInSignal;
  }
  const auto frames = static_cast<int64_t>(state.iterations()) * kBlockFrames;
  state.SetItemsProcessed(frames);
  // Seconds per frame; the report prints it with its SI prefix (for example "95.2ns").
  state.counters["ns_per_frame"] = benchmark::Counter(
      static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
} // namespace chainbench
