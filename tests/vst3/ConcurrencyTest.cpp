// Two host threads at once: the audio thread processing while the user-interface thread
// reads and writes parameters and state; and instances created from several threads. Meant
// to run under ThreadSanitizer as well (the suite name starts with "Concurrency").
#include "EffectHost.h"

#include <atomic>
#include <thread>

using namespace koru_test;

namespace
{

class ConcurrencyTest : public EffectTest
{
};

constexpr int kBlocks = 300;
constexpr int kBlockFrames = 64;

// The audio thread's loop: blocks of Signal with an occasional automation point.
void AudioLoop(EffectHost& host, int32 sampleSize, std::atomic<bool>& allFinite)
{
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(sampleSize, 2, 2, kBlockFrames);
  for (int block = 0; block < kBlocks; ++block)
  {
    buffers.FillInput(0, [block](int c, int f) { return Signal(c, block * kBlockFrames + f); });
    harness::ParameterChanges changes;
    if (block % 7 == 0) changes.Add(kMidGain, (block % 11) / 10.0);
    if (block % 13 == 0) changes.Add(kBypassId, block % 2 == 0 ? 1.0 : 0.0);
    buffers.SetInputParameterChanges(&changes);
    if (host.Process(buffers) != kResultOk) allFinite = false;
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < kBlockFrames; ++f)
        if (!std::isfinite(buffers.Output(0, c, f))) allFinite = false;
  }
}

} // namespace

TEST_F(ConcurrencyTest, ParameterReadsAndWritesDuringProcessing)
{
  for (int32 sampleSize : {kSample32, kSample64})
  {
    ASSERT_EQ(host().Setup(sampleSize, kBlockFrames), kResultOk);
    std::atomic<bool> allFinite{true};
    std::atomic<bool> done{false};
    std::thread audio(
        [&]
        {
          AudioLoop(host(), sampleSize, allFinite);
          done = true;
        });

    int round = 0;
    bool valuesInRange = true;
    while (!done || round < 50)
    {
      const ParamID id = static_cast<ParamID>(round % kEffectParams);
      host().controller->setParamNormalized(id, (round % 17) / 16.0);
      const double v = host().controller->getParamNormalized(id);
      valuesInRange = valuesInRange && v >= 0.0 && v <= 1.0;
      const double bypass = host().controller->getParamNormalized(kBypassId);
      valuesInRange = valuesInRange && (bypass == 0.0 || bypass == 1.0);
      String128 text = {};
      host().controller->getParamStringByValue(id, v, text);
      ++round;
    }
    audio.join();
    EXPECT_TRUE(allFinite);
    EXPECT_TRUE(valuesInRange);
  }
}

TEST_F(ConcurrencyTest, StateSavesAndLoadsDuringProcessing)
{
  ASSERT_EQ(host().Setup(kSample64, kBlockFrames), kResultOk);
  const std::vector<uint8_t> bypassed =
      StateBytes({-6.0, 3.0, 0.3, 0.7, 0.2, 0.5, 30.0, 1.0, 0.0}, 1);
  const std::vector<uint8_t> processed =
      StateBytes({6.0, -3.0, 0.6, 0.4, 0.8, 0.2, 70.0, 0.0, 1.0}, 0);

  std::atomic<bool> allFinite{true};
  std::atomic<bool> done{false};
  std::thread audio(
      [&]
      {
        AudioLoop(host(), kSample64, allFinite);
        done = true;
      });
  int round = 0;
  bool statesWhole = true;
  while (!done || round < 50)
  {
    EXPECT_EQ(host().LoadState(round % 2 == 0 ? bypassed : processed), kResultOk);
    // A saved state is always one whole state: 76 bytes, every value in its range.
    const std::vector<uint8_t> bytes = host().State();
    statesWhole = statesWhole && bytes.size() == static_cast<size_t>(kStateBytes);
    ++round;
  }
  audio.join();
  EXPECT_TRUE(allFinite);
  EXPECT_TRUE(statesWhole);
}

TEST_F(ConcurrencyTest, PresetAndBypassChangesRaceStateReads)
{
  ASSERT_EQ(host().Setup(kSample32, kBlockFrames), kResultOk);
  std::atomic<bool> allFinite{true};
  std::atomic<bool> done{false};
  std::thread audio(
      [&]
      {
        harness::ProcessBuffers buffers =
            harness::ProcessBuffers::Single(kSample32, 2, 2, kBlockFrames);
        for (int block = 0; block < kBlocks; ++block)
        {
          buffers.FillInput(0,
                            [block](int c, int f) { return Signal(c, block * kBlockFrames + f); });
          harness::ParameterChanges changes;
          changes.Add(kPresetId, 0.0);
          changes.Add(kInputGain, (block % 5) / 4.0);
          buffers.SetInputParameterChanges(&changes);
          if (host().Process(buffers) != kResultOk) allFinite = false;
        }
        done = true;
      });
  int round = 0;
  while (!done || round < 50)
  {
    const std::vector<uint8_t> bytes = host().State();
    EXPECT_EQ(bytes.size(), static_cast<size_t>(kStateBytes));
    ++round;
  }
  audio.join();
  EXPECT_TRUE(allFinite);
}

TEST_F(ConcurrencyTest, InstancesCreatedAndRunFromSeveralThreads)
{
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
  {
    threads.emplace_back(
        [&, t]
        {
          EffectHost local(mModule.Factory());
          if (!local.Valid() || local.controller->getParameterCount() != 11) return;
          if (local.Setup(t % 2 == 0 ? kSample32 : kSample64, 128) != kResultOk) return;
          Channels out;
          if (ProcessStretch(local, t % 2 == 0 ? kSample32 : kSample64, 0, 512, out) != kResultOk)
            return;
          for (const auto& channel : out)
            for (double v : channel)
              if (!std::isfinite(v)) return;
          ++good;
        });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(good, 4);
}
