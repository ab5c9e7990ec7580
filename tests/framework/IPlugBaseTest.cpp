#include "framework/IPlugBase.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <limits>
#include <thread>
#include <vector>

namespace
{
// A plug-in whose host binding records what the framework tells the host.
class RecordingPlug : public IPlugBase
{
public:
  explicit RecordingPlug(const char* io = "1-1 2-2", int nParams = 3)
    : IPlugBase(nParams, io, 1, "Test", "", "Maker", 0x00010000, FourCharCode("Tst1"),
                FourCharCode("Mkr1"), 0, false, false, kAPIVST3)
  {
    Param(0)->InitContinuous("Gain", 0.0, -24.0, 24.0, 0.01, "dB");
    Param(1)->InitStepped("Switch", 0.0, 0.0, 1.0);
    Param(2)->InitContinuous("Freq", 0.5, 0.0, 1.0, 0.01);
  }

  void ParamChanged(int index) override
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    changed.push_back(index);
  }
  void PerformHostEdit(int index, double normalized) override
  {
    edits.emplace_back(index, normalized);
  }

  std::vector<int> changed;
  std::vector<std::pair<int, double>> edits;
};
} // namespace

TEST(IPlugBase, ParsesChannelConfigurations)
{
  RecordingPlug plug;
  ASSERT_EQ(plug.LegalIOPairs().size(), 2u);
  EXPECT_EQ(plug.LegalIOPairs()[0], std::make_pair(1, 1));
  EXPECT_EQ(plug.LegalIOPairs()[1], std::make_pair(2, 2));
  EXPECT_EQ(plug.InputChannelCount(), 2);
  EXPECT_EQ(plug.OutputChannelCount(), 2);

  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_TRUE(plug.LegalIO(1, 1));
  EXPECT_TRUE(plug.LegalIO(-1, 2));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_FALSE(plug.LegalIO(0, 0));
}

TEST(IPlugBase, TwoBlanksInARowYieldAnEmptyPair)
{
  RecordingPlug plug("1-1  2-2");
  ASSERT_EQ(plug.LegalIOPairs().size(), 3u);
  EXPECT_EQ(plug.LegalIOPairs()[1], std::make_pair(0, 0));
  EXPECT_TRUE(plug.LegalIO(0, 0));

  RecordingPlug garbage("x-y 3");
  ASSERT_EQ(garbage.LegalIOPairs().size(), 2u);
  EXPECT_EQ(garbage.LegalIOPairs()[0], std::make_pair(0, 0));
  EXPECT_EQ(garbage.LegalIOPairs()[1], std::make_pair(3, 0));
}

TEST(IPlugBase, IdentityAndDefaults)
{
  RecordingPlug plug;
  EXPECT_STREQ(plug.EffectName(), "Test");
  EXPECT_EQ(plug.UniqueId(), 0x54737431);
  EXPECT_EQ(plug.HostKind(), -1);
  EXPECT_EQ(plug.SampleRate(), 44100.0);
  EXPECT_EQ(plug.MaxBlockSize(), 0);
  EXPECT_EQ(plug.PluginApi(), IPlugBase::kAPIVST3);
  EXPECT_EQ(plug.Param(3), nullptr);
  EXPECT_EQ(plug.Param(-1), nullptr);
  EXPECT_EQ(plug.GetGUI(), nullptr);
}

TEST(IPlugBase, SixtyFourBitBuffersAreUsedDirectlyAndDisconnectedChannelsReadScratch)
{
  RecordingPlug plug;
  plug.SetMaxBlockSize(4);
  std::vector<double> inL{1, 2, 3, 4}, inR{5, 6, 7, 8}, outL(4), outR(4);
  double* ins[] = {inL.data(), inR.data()};
  double* outs[] = {outL.data(), outR.data()};

  plug.ConnectInputs(0, 2, true);
  plug.ConnectOutputs(0, 2, true);
  plug.AttachInputs64(0, 2, ins);
  plug.AttachOutputs64(0, 2, outs);
  EXPECT_EQ(plug.InputPointers()[0], inL.data());
  EXPECT_EQ(plug.OutputPointers()[1], outR.data());
  plug.ProcessBlock(plug.InputPointers(), plug.OutputPointers(), 4);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);

  // Mono: the second channel reads its zeroed scratch and writes into scratch.
  plug.ConnectInputs(1, 1, false);
  plug.ConnectOutputs(1, 1, false);
  double* monoIns[] = {inL.data()};
  double* monoOuts[] = {outL.data()};
  std::fill(outR.begin(), outR.end(), -1.0);
  plug.AttachInputs64(0, 2, monoIns);
  plug.AttachOutputs64(0, 2, monoOuts);
  EXPECT_NE(plug.InputPointers()[1], inR.data());
  plug.PassThrough(4);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, std::vector<double>(4, -1.0));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(plug.OutputPointers()[1][i], 0.0);
}

TEST(IPlugBase, ThirtyTwoBitBuffersAreWidenedAndNarrowed)
{
  RecordingPlug plug;
  plug.SetMaxBlockSize(3);
  std::vector<float> inL{0.25f, -0.5f, 1e-3f}, inR{1, 2, 3}, outL(3), outR(3);
  float* ins[] = {inL.data(), inR.data()};
  float* outs[] = {outL.data(), outR.data()};
  plug.ConnectInputs(0, 2, true);
  plug.ConnectOutputs(0, 2, true);
  plug.AttachInputs32(0, 2, ins, 3);
  plug.AttachOutputs32(0, 2, outs);
  EXPECT_EQ(plug.InputPointers()[0][2], static_cast<double>(1e-3f));
  plug.PassThrough(3);
  EXPECT_EQ(outL, std::vector<float>(3, 0.0f)); // nothing narrowed yet
  plug.ConvertOutputs32(3);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);

  // A disconnected output keeps its host buffer untouched.
  plug.ConnectOutputs(1, 1, false);
  std::fill(outR.begin(), outR.end(), 9.0f);
  plug.AttachOutputs32(0, 2, outs);
  plug.PassThrough(3);
  plug.ConvertOutputs32(3);
  EXPECT_EQ(outR, std::vector<float>(3, 9.0f));

  // A connected channel whose host buffer is missing reads silence.
  float* noBuffers[] = {nullptr, nullptr};
  plug.AttachInputs32(0, 2, noBuffers, 3);
  EXPECT_EQ(plug.InputPointers()[0][0], 0.0);
}

// Sample by sample what a single conversion gives, pairs and the odd last sample alike: values
// past the float range become the largest float, non-numbers stay non-numbers, tiny values round
// as a single conversion rounds them.
TEST(IPlugBase, ConversionsGiveEachSampleItsOwnConversion)
{
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> values = {0.5,    -0.0,   1e39, -1e39, inf,   -inf,   nan, 1e-46,
                                      -1e-40, 3.4e38, 0.1,  -0.3,  1e300, 2e-320, 0.25};
  for (int frames = 1; frames <= static_cast<int>(values.size()); ++frames)
  {
    RecordingPlug plug;
    plug.SetMaxBlockSize(frames);
    std::vector<double> in(values.begin(), values.begin() + frames);
    std::vector<float> out(frames, 7.0f), unused(frames, 7.0f);
    double* ins[] = {in.data(), in.data()};
    float* outs[] = {out.data(), unused.data()};
    plug.ConnectInputs(0, 2, true);
    plug.ConnectOutputs(0, 2, true);
    plug.AttachInputs64(0, 2, ins);
    plug.AttachOutputs32(0, 2, outs);
    plug.PassThrough(frames);
    plug.ConvertOutputs32(frames);
    for (int i = 0; i < frames; ++i)
    {
      const float want = static_cast<float>(
          std::clamp(values[i], -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
      if (std::isnan(want))
        EXPECT_TRUE(std::isnan(out[i])) << i;
      else
        EXPECT_EQ(std::memcmp(&out[i], &want, sizeof want), 0) << i << " of " << frames;
    }
    // And back: each float widened on its own.
    float* floats[] = {out.data(), out.data()};
    plug.AttachInputs32(0, 2, floats, frames);
    for (int i = 0; i < frames; ++i)
    {
      const double want = static_cast<double>(out[i]);
      const double got = plug.InputPointers()[0][i];
      if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << i;
      else
        EXPECT_EQ(std::memcmp(&got, &want, sizeof want), 0) << i << " of " << frames;
    }
  }
}

TEST(IPlugBase, PassThroughZeroFillsOutputsWithoutInputs)
{
  RecordingPlug plug("1-2");
  plug.SetMaxBlockSize(2);
  std::vector<double> in{3, 4}, out0(2), out1{7, 7};
  double* ins[] = {in.data()};
  double* outs[] = {out0.data(), out1.data()};
  plug.ConnectInputs(0, 1, true);
  plug.ConnectOutputs(0, 2, true);
  plug.AttachInputs64(0, 1, ins);
  plug.AttachOutputs64(0, 2, outs);
  plug.PassThrough(2);
  EXPECT_EQ(out0, in);
  EXPECT_EQ(out1, std::vector<double>(2, 0.0));
}

TEST(IPlugBase, SetMaxBlockSizeZeroesScratchOnlyWhenTheSizeChanges)
{
  RecordingPlug plug;
  plug.SetMaxBlockSize(2);
  std::vector<float> in{0.5f, 0.75f};
  float* ins[] = {in.data(), in.data()};
  plug.ConnectInputs(0, 2, true);
  plug.AttachInputs32(0, 2, ins, 2);
  plug.ConnectInputs(0, 2, false); // slots point at the scratch buffers again
  plug.SetMaxBlockSize(2);
  EXPECT_EQ(plug.InputPointers()[0][1], 0.75);
  plug.SetMaxBlockSize(8);
  plug.ConnectInputs(0, 2, false);
  EXPECT_EQ(plug.MaxBlockSize(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(plug.InputPointers()[0][i], 0.0);
}

TEST(IPlugBase, EditorValuesReachTheRecordTheHostAndTheHook)
{
  RecordingPlug plug;
  plug.ParamFromEditor(1, 0.7);
  EXPECT_EQ(plug.Param(1)->Value(), 1.0); // rounded in the record
  ASSERT_EQ(plug.edits.size(), 1u);
  EXPECT_EQ(plug.edits[0], std::make_pair(1, 0.7)); // unrounded to the host
  EXPECT_EQ(plug.changed, std::vector<int>{1});

  plug.ParamFromEditor(99, 0.5); // out of range: nothing happens
  EXPECT_EQ(plug.edits.size(), 1u);
}

TEST(IPlugBase, TheInstanceMutexIsRecursiveAndExcludesOtherThreads)
{
  RecordingPlug plug;
  std::unique_lock<std::recursive_mutex> outer(plug.Mutex());
  // The owning thread takes it again through a hook.
  plug.ParamFromEditor(0, 0.5);
  EXPECT_EQ(plug.changed.size(), 1u);

  std::atomic<bool> entered{false};
  auto other = std::async(std::launch::async,
                          [&]
                          {
                            plug.ParamFromEditor(0, 0.25);
                            entered = true;
                          });
  EXPECT_EQ(other.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_FALSE(entered);
  outer.unlock();
  other.get();
  EXPECT_TRUE(entered);
  EXPECT_EQ(plug.Param(0)->Value(), 0.0 + -24.0 + 48.0 * 0.25);
}

TEST(IPlugBase, StateMatchesComparesInSinglePrecision)
{
  RecordingPlug plug;
  const double same[] = {99.0, 0.0, 0.0, 0.5};
  EXPECT_TRUE(plug.StateMatches(same, 1));
  const double close[] = {0.000001, 0.0, 0.5};
  EXPECT_TRUE(plug.StateMatches(close, 0));
  const double different[] = {0.0, 1.0, 0.5};
  EXPECT_FALSE(plug.StateMatches(different, 0));
}
