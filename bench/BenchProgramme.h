#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

// What every KORU timing plays: 48 kHz stereo programme-like input (three sines and white
// noise, peaking at -12 dBFS), the three cases and the block sizes, prepared before timing
// starts. Shared by the Google Benchmark program and the module timing tool, so that both (and
// both platforms) time the same work.
namespace chainbench
{
constexpr double kSampleRate = 48000.0;
constexpr int kSignalFrames = 32768;
// Block sizes from live playing to offline rendering.
constexpr int kBlockSizes[] = {32, 64, 128, 512, 2048};
constexpr int kMaxBlockFrames = 2048;
constexpr int kContinuousControls = 7; // parameters 0..6
constexpr int kCompressor = 6;
// Played before the timing starts: 4 s, in which the slowest smoothed control settles.
constexpr long kWarmUpFrames = 192000;

enum class Case
{
  kDefaults,     // every parameter at its default
  kCompressor48, // "Compressor 1" at 48
  kAllMoving     // every continuous control gets a new value every block
};
constexpr Case kCases[] = {Case::kDefaults, Case::kCompressor48, Case::kAllMoving};
inline const char* CaseName(Case which)
{
  switch (which)
  {
  case Case::kDefaults: return "Defaults";
  case Case::kCompressor48: return "Compressor48";
  case Case::kAllMoving: return "AllMoving";
  }
  return "?";
}

struct ProgrammeSignal
{
  std::vector<double> left, right;

  ProgrammeSignal() : left(kSignalFrames), right(left.size())
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

// Control values for the moving case: each control sweeps its range at its own rate, with the
// whole programme as the slowest control's period. A block takes the values at its first frame,
// so every block size moves the controls along the same curves.
struct Automation
{
  static constexpr double kMin[kContinuousControls] = {-24.0, -24.0, 0.12, 0.1, 0.1, 0.01, 0.0};
  static constexpr double kMax[kContinuousControls] = {24.0, 24.0, 0.88, 0.9, 0.9, 0.979, 96.0};
  static double At(long frame, int index)
  {
    const double cycles = static_cast<double>(frame) / kSignalFrames;
    const double phase = 2.0 * 3.14159265358979323846 * (cycles * (index + 1) + 0.1 * index);
    return kMin[index] + (kMax[index] - kMin[index]) * (0.5 + 0.5 * std::sin(phase));
  }
};

// Plays the programme through a chain in blocks of blockFrames, forever (the caller stops).
// Chain offers ProcessBlock(Sample** in, Sample** out, frames), Automate(index, value), which
// sets a parameter from the next block on, and AutomationValue(index, plain), the value
// Automate takes for a plain value: the automation is converted before the timing starts, as a
// host keeps its automation lanes in the values the plug-in takes.
template <class Chain, class Sample>
class Player
{
public:
  Player(Chain& chain, Case which, int blockFrames)
    : mChain(chain)
    , mWhich(which)
    , mBlockFrames(blockFrames)
    , mOutL(blockFrames)
    , mOutR(blockFrames)
  {
    static const ProgrammeSignal signal;
    mInL.assign(signal.left.begin(), signal.left.end());
    mInR.assign(signal.right.begin(), signal.right.end());
    if (which == Case::kCompressor48)
      chain.Automate(kCompressor, chain.AutomationValue(kCompressor, 48.0));
    for (long start = 0; start < kSignalFrames; start += blockFrames)
      for (int i = 0; i < kContinuousControls; ++i)
        mAutomation.push_back(chain.AutomationValue(i, Automation::At(start, i)));
  }

  void Block()
  {
    if (mWhich == Case::kAllMoving)
    {
      const int blocks = kSignalFrames / mBlockFrames;
      const double* values = &mAutomation[(mBlock % blocks) * kContinuousControls];
      for (int i = 0; i < kContinuousControls; ++i) mChain.Automate(i, values[i]);
    }
    const size_t start = static_cast<size_t>(mBlock) * mBlockFrames % mInL.size();
    Sample* ins[] = {mInL.data() + start, mInR.data() + start};
    Sample* outs[] = {mOutL.data(), mOutR.data()};
    mChain.ProcessBlock(ins, outs, mBlockFrames);
    ++mBlock;
  }
  const Sample* Output() const { return mOutL.data(); }

private:
  Chain& mChain;
  Case mWhich;
  int mBlockFrames;
  int mBlock = 0;
  std::vector<Sample> mInL, mInR, mOutL, mOutR;
  std::vector<double> mAutomation; // the automation's values, block by block
};
} // namespace chainbench
