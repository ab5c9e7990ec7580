// process() as hosts call it: both sample sizes, parameter queues, bypass and presets, bus
// activation, in-place buffers, block sizes of every kind, missing buffers and buses, rates.
#include "EffectHost.h"
#include "effect/KORU.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <thread>

using namespace koru_test;

namespace
{

class ProcessTest : public EffectTest, public ::testing::WithParamInterface<int32>
{
protected:
  int32 SampleSize() const { return GetParam(); }
};

class ProcessPrecisionTest : public EffectTest
{
};

// Processing of everything the effect would do with silence in.
Channels SilenceThrough(EffectHost& host, int32 sampleSize, int frames)
{
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(sampleSize, 2, 2, frames);
  EXPECT_EQ(host.Process(buffers), kResultOk);
  Channels out(2);
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < frames; ++f) out[c].push_back(buffers.Output(0, c, f));
  return out;
}

bool AllFinite(const Channels& channels)
{
  for (const auto& channel : channels)
    for (double v : channel)
      if (!std::isfinite(v)) return false;
  return true;
}

double Peak(const Channels& channels)
{
  double peak = 0.0;
  for (const auto& channel : channels)
    for (double v : channel) peak = std::max(peak, std::fabs(v));
  return peak;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BothSampleSizes, ProcessTest, ::testing::Values(kSample32, kSample64),
                         [](const ::testing::TestParamInfo<int32>& info)
                         { return info.param == kSample32 ? "Bits32" : "Bits64"; });

TEST_P(ProcessTest, ProducesTheChainsOutput)
{
  ASSERT_EQ(host().Setup(SampleSize(), 512), kResultOk);
  Channels out;
  // The output smoother rises from 0 at 1 Hz: the level comes up over the first second.
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 24000, out), kResultOk);
  EXPECT_TRUE(AllFinite(out));
  EXPECT_GT(Peak(out), 0.1);
  EXPECT_LT(Peak(out), 2.0);
  // The chain colours the signal: it is no copy of the input.
  bool differs = false;
  for (int f = 0; f < 512; ++f) differs = differs || out[0][f] != Signal(0, f);
  EXPECT_TRUE(differs);
}

TEST_F(ProcessPrecisionTest, ThirtyTwoBitOutputIsTheSixtyFourBitOutputNarrowed)
{
  auto wide = NewHost();
  ASSERT_EQ(host().Setup(kSample32, 512), kResultOk);
  ASSERT_EQ(wide->Setup(kSample64, 512), kResultOk);
  Channels narrow, full;
  EXPECT_EQ(ProcessStretch(host(), kSample32, 0, 512, narrow), kResultOk);
  EXPECT_EQ(ProcessStretch(*wide, kSample64, 0, 512, full), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 512; ++f)
      ASSERT_EQ(narrow[c][f], static_cast<double>(static_cast<float>(full[c][f]))) << c << " " << f;
}

TEST_P(ProcessTest, LastPointOfEachQueueWinsAndOffsetsAreIgnored)
{
  auto single = NewHost();
  ASSERT_EQ(host().Setup(SampleSize(), 256), kResultOk);
  ASSERT_EQ(single->Setup(SampleSize(), 256), kResultOk);

  harness::ParameterChanges three;
  three.AddQueue(kInputGain).Add(0, 0.1).Add(10, 0.9).Add(200, 0.75);
  three.AddQueue(kCompressor).Add(0, 0.2).Add(255, 0.6);
  harness::ParameterChanges one;
  one.Add(kInputGain, 0.75, 0);
  one.Add(kCompressor, 0.6, 0);

  Channels a, b;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 256, a, 2, 2, &three), kResultOk);
  EXPECT_EQ(ProcessStretch(*single, SampleSize(), 0, 256, b, 2, 2, &one), kResultOk);
  EXPECT_EQ(a, b);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.75);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kCompressor), 0.6);
}

TEST_P(ProcessTest, EmptyUnknownAndNonNumberChangesAreSkipped)
{
  ASSERT_EQ(host().Setup(SampleSize(), 64), kResultOk);
  harness::ParameterChanges changes;
  changes.AddQueue(kInputGain);           // no points
  changes.Add(9, 1.0);                    // not a parameter
  changes.Add(0x12345678, 1.0);           // not a parameter
  changes.Add(kOutputGain, std::nan("")); // says nothing
  changes.Add(kBypassId, std::nan(""));
  changes.Add(kPresetId, std::nan(""));
  Channels out;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 64, out, 2, 2, &changes), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.5);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kOutputGain), 0.5);
  EXPECT_FALSE(host().Bypassed());
  EXPECT_TRUE(AllFinite(out));
}

TEST_P(ProcessTest, BypassAboveOneHalfPassesInputThroughUnchanged)
{
  ASSERT_EQ(host().Setup(SampleSize(), 256), kResultOk);
  harness::ParameterChanges half;
  half.Add(kBypassId, 0.5);
  Channels processed;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 256, processed, 2, 2, &half), kResultOk);
  EXPECT_FALSE(host().Bypassed());
  EXPECT_NE(processed[0][100], Signal(0, 100));

  harness::ParameterChanges above;
  above.Add(kBypassId, 0.51);
  Channels bypassed;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 256, 256, bypassed, 2, 2, &above), kResultOk);
  EXPECT_TRUE(host().Bypassed());
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 256; ++f) ASSERT_EQ(bypassed[c][f], Signal(c, 256 + f)) << c << " " << f;
}

TEST_P(ProcessTest, PresetChangeLoadsTheDefaults)
{
  ASSERT_EQ(host().Setup(SampleSize(), 64), kResultOk);
  EXPECT_EQ(host().SendChange(kInputGain, 0.9, SampleSize()), kResultOk);
  EXPECT_EQ(host().SendChange(kEQBypass, 1.0, SampleSize()), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.9);

  // With one preset, 1.0 names index 1, which does not exist: nothing changes.
  EXPECT_EQ(host().SendChange(kPresetId, 1.0, SampleSize()), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.9);

  EXPECT_EQ(host().SendChange(kPresetId, 0.99, SampleSize()), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.5);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kEQBypass), 0.0);

  // Afterwards the instance processes like a fresh one given the same history of audio.
  auto fresh = NewHost();
  ASSERT_EQ(fresh->Setup(SampleSize(), 64), kResultOk);
  Channels a, b;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 64, a), kResultOk);
  EXPECT_EQ(ProcessStretch(*fresh, SampleSize(), 0, 64, b), kResultOk);
  EXPECT_EQ(a, b);
}

TEST_P(ProcessTest, InactiveOutputBusIsLeftUntouched)
{
  ASSERT_EQ(host().Setup(SampleSize(), 128), kResultOk);
  ASSERT_EQ(host().component->activateBus(kAudio, Vst::kOutput, 0, false), kResultOk);
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 128);
  buffers.FillInput(0, Signal);
  buffers.FillOutputs(0.25);
  EXPECT_EQ(host().Process(buffers), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 128; ++f) ASSERT_EQ(buffers.Output(0, c, f), 0.25);

  // Bypassed as well: still nothing written.
  harness::ParameterChanges bypass;
  bypass.Add(kBypassId, 1.0);
  buffers.SetInputParameterChanges(&bypass);
  EXPECT_EQ(host().Process(buffers), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 128; ++f) ASSERT_EQ(buffers.Output(0, c, f), 0.25);
}

TEST_P(ProcessTest, InPlaceBuffersGiveTheSameOutput)
{
  auto separate = NewHost();
  ASSERT_EQ(host().Setup(SampleSize(), 300), kResultOk);
  ASSERT_EQ(separate->Setup(SampleSize(), 300), kResultOk);
  for (bool bypass : {false, true})
  {
    harness::ParameterChanges changes;
    changes.Add(kBypassId, bypass ? 1.0 : 0.0);
    changes.Add(kCompressor, 0.7);
    harness::ProcessBuffers shared = harness::ProcessBuffers::Single(
        SampleSize(), 2, 2, 300, harness::ProcessBuffers::Memory::kInPlace);
    ASSERT_EQ(shared.ChannelPointer(Vst::kInput, 0, 1), shared.ChannelPointer(Vst::kOutput, 0, 1));
    shared.FillInput(0, Signal);
    shared.SetInputParameterChanges(&changes);
    EXPECT_EQ(host().Process(shared), kResultOk);

    Channels expected;
    EXPECT_EQ(ProcessStretch(*separate, SampleSize(), 0, 300, expected, 2, 2, &changes), kResultOk);
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < 300; ++f)
        ASSERT_EQ(shared.Output(0, c, f), expected[c][f]) << bypass << " " << c << " " << f;
  }
}

// Whatever the block sizes, within or beyond the announced maximum, the samples are those of
// one long run.
TEST_P(ProcessTest, BlockSizesDoNotChangeTheSamples)
{
  constexpr int kTotal = 3000;
  auto odd = NewHost();
  auto beyond = NewHost();
  ASSERT_EQ(host().Setup(SampleSize(), 4096), kResultOk);
  ASSERT_EQ(odd->Setup(SampleSize(), 512), kResultOk);
  ASSERT_EQ(beyond->Setup(SampleSize(), 256), kResultOk);

  const Channels reference = ProcessInBlocks(host(), SampleSize(), kTotal, {kTotal});
  const Channels varied = ProcessInBlocks(*odd, SampleSize(), kTotal, {1, 7, 512, 0, 333, 64, 2});
  // 1000 frames per call with at most 256 announced.
  const Channels large = ProcessInBlocks(*beyond, SampleSize(), kTotal, {1000, 17, 1983});
  EXPECT_TRUE(AllFinite(reference));
  EXPECT_EQ(varied, reference);
  EXPECT_EQ(large, reference);
}

TEST_P(ProcessTest, ZeroFramesDeliversParameterChanges)
{
  ASSERT_EQ(host().Setup(SampleSize(), 128), kResultOk);
  auto direct = NewHost();
  ASSERT_EQ(direct->Setup(SampleSize(), 128), kResultOk);

  EXPECT_EQ(host().SendChange(kOutputGain, 0.25, SampleSize()), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kOutputGain), 0.25);

  harness::ParameterChanges changes;
  changes.Add(kOutputGain, 0.25);
  Channels a, b;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 128, a), kResultOk);
  EXPECT_EQ(ProcessStretch(*direct, SampleSize(), 0, 128, b, 2, 2, &changes), kResultOk);
  EXPECT_EQ(a, b);
}

TEST_P(ProcessTest, MissingInputsReadAsSilence)
{
  auto silent = NewHost();
  ASSERT_EQ(silent->Setup(SampleSize(), 128), kResultOk);
  const Channels expected = SilenceThrough(*silent, SampleSize(), 128);

  // Null channel pointers.
  {
    auto host = NewHost();
    ASSERT_EQ(host->Setup(SampleSize(), 128), kResultOk);
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 128);
    buffers.FillInput(0, Signal);
    buffers.NullBuffers(Vst::kInput, 0);
    EXPECT_EQ(host->Process(buffers), kResultOk);
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < 128; ++f) ASSERT_EQ(buffers.Output(0, c, f), expected[c][f]);
  }
  // No input bus at all.
  {
    auto host = NewHost();
    ASSERT_EQ(host->Setup(SampleSize(), 128), kResultOk);
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 128);
    buffers.DropBuses(Vst::kInput);
    EXPECT_EQ(host->Process(buffers), kResultOk);
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < 128; ++f) ASSERT_EQ(buffers.Output(0, c, f), expected[c][f]);
  }
  // An input bus with no channels.
  {
    auto host = NewHost();
    ASSERT_EQ(host->Setup(SampleSize(), 128), kResultOk);
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 0, 2, 128);
    EXPECT_EQ(host->Process(buffers), kResultOk);
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < 128; ++f) ASSERT_EQ(buffers.Output(0, c, f), expected[c][f]);
  }
}

TEST_P(ProcessTest, MissingOutputsAreSkipped)
{
  ASSERT_EQ(host().Setup(SampleSize(), 128), kResultOk);
  harness::ParameterChanges changes;
  changes.Add(kInputGain, 0.8);
  {
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 128);
    buffers.FillInput(0, Signal);
    buffers.NullBuffers(Vst::kOutput, 0);
    EXPECT_EQ(host().Process(buffers), kResultOk);
  }
  {
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 0, 128);
    buffers.FillInput(0, Signal);
    EXPECT_EQ(host().Process(buffers), kResultOk);
  }
  {
    // Parameter changes but no audio at all.
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 128);
    buffers.DropBuses(Vst::kInput);
    buffers.DropBuses(Vst::kOutput);
    buffers.SetInputParameterChanges(&changes);
    EXPECT_EQ(host().Process(buffers), kResultOk);
  }
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.8);
  Channels out;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 128, out), kResultOk);
  EXPECT_TRUE(AllFinite(out));
}

TEST_P(ProcessTest, ProcessingBeforeSetupGivesSilenceAndNotInitialized)
{
  harness::ParameterChanges changes;
  changes.Add(kInputGain, 0.8);
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 256);
  buffers.FillInput(0, Signal);
  buffers.FillOutputs(0.5);
  buffers.SetInputParameterChanges(&changes);
  EXPECT_EQ(host().Process(buffers), kNotInitialized);
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 256; ++f) ASSERT_EQ(buffers.Output(0, c, f), 0.0);
  // The changes still count, and a call without audio is fine.
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.8);
  EXPECT_EQ(host().SendChange(kInputGain, 0.6, SampleSize()), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.6);
}

TEST_P(ProcessTest, ProcessingWithoutInitializeTouchesNoOutput)
{
  auto bare = NewHost(false);
  ASSERT_EQ(bare->Setup(SampleSize(), 64), kResultOk);
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 64);
  buffers.FillInput(0, Signal);
  buffers.FillOutputs(0.5);
  EXPECT_EQ(bare->Process(buffers), kResultOk);
  for (int f = 0; f < 64; ++f) ASSERT_EQ(buffers.Output(0, 0, f), 0.5);
}

TEST_P(ProcessTest, BuffersOfTheOtherSampleSizeAreRefused)
{
  ASSERT_EQ(host().Setup(SampleSize(), 64), kResultOk);
  const int32 other = SampleSize() == kSample32 ? kSample64 : kSample32;
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(other, 2, 2, 64);
  buffers.FillInput(0, Signal);
  buffers.FillOutputs(0.5);
  EXPECT_EQ(host().Process(buffers), kInvalidArgument);
  for (int f = 0; f < 64; ++f) ASSERT_EQ(buffers.Output(0, 1, f), 0.5);
}

TEST_P(ProcessTest, NegativeFrameCountIsRefused)
{
  ASSERT_EQ(host().Setup(SampleSize(), 64), kResultOk);
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 64);
  buffers.FillOutputs(0.5);
  buffers.SetFrames(-5);
  EXPECT_EQ(host().Process(buffers), kInvalidArgument);
  EXPECT_EQ(buffers.Output(0, 0, 0), 0.5);
}

TEST_F(ProcessPrecisionTest, SampleRatesFromLowToAboveOneMegahertzGiveFiniteOutput)
{
  for (double rate : {22050.0, 44100.0, 96000.0, 192000.0, 384000.0, 1.0e6, 1.5e6})
  {
    for (bool extreme : {false, true})
    {
      auto host = NewHost();
      ASSERT_EQ(host->Setup(kSample64, 1024, rate), kResultOk);
      harness::ParameterChanges changes;
      if (extreme)
      {
        changes.Add(kInputGain, 1.0);
        changes.Add(kCompressor, 0.8);
        changes.Add(kHighGain, 1.0);
        changes.Add(kLowGain, 0.0);
        changes.Add(kMidGain, 1.0);
        changes.Add(kMidFrequency, 1.0);
      }
      Channels out;
      EXPECT_EQ(ProcessStretch(*host, kSample64, 0, 8192, out, 2, 2, &changes), kResultOk);
      EXPECT_TRUE(AllFinite(out)) << rate << " " << extreme;
    }
  }
}

TEST_P(ProcessTest, CommonSampleRatesGiveBoundedOutput)
{
  for (double rate : {22050.0, 44100.0, 48000.0, 88200.0, 96000.0})
  {
    auto host = NewHost();
    ASSERT_EQ(host->Setup(SampleSize(), 1024, rate), kResultOk);
    Channels out;
    EXPECT_EQ(ProcessStretch(*host, SampleSize(), 0, 8192, out), kResultOk);
    EXPECT_TRUE(AllFinite(out)) << rate;
    EXPECT_LT(Peak(out), 2.0) << rate;
  }
}

// The high band's model is unstable while its shape control rises from 0 after construction;
// at high rates (or with the band raised) that used to blow the output up.
TEST_P(ProcessTest, HighSampleRatesGiveBoundedOutput)
{
  for (double rate : {176400.0, 192000.0, 384000.0, 1.0e6})
  {
    auto host = NewHost();
    ASSERT_EQ(host->Setup(SampleSize(), 1024, rate), kResultOk);
    Channels out;
    EXPECT_EQ(ProcessStretch(*host, SampleSize(), 0, 32768, out), kResultOk);
    EXPECT_LT(Peak(out), 2.0) << rate;
  }
}

TEST_F(ProcessPrecisionTest, RateChangesBetweenBlocksStayFinite)
{
  Channels out;
  for (double rate : {48000.0, 1.2e6, 22050.0, 96000.0})
  {
    ASSERT_EQ(host().Setup(kSample64, 512, rate), kResultOk);
    EXPECT_EQ(ProcessStretch(host(), kSample64, 0, 512, out), kResultOk);
  }
  EXPECT_TRUE(AllFinite(out));
}

// A mono host feeds the left channel only; the right one reads silence, also after the
// instance ran in stereo, so the linked detector hears nothing stale.
TEST_P(ProcessTest, MonoAfterStereoMatchesStereoWithSilentRight)
{
  auto stereo = NewHost();
  ASSERT_EQ(host().Setup(SampleSize(), 256), kResultOk);
  ASSERT_EQ(stereo->Setup(SampleSize(), 256), kResultOk);
  harness::ParameterChanges squeeze;
  squeeze.Add(kCompressor, 0.9);
  Channels first, ignored;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 0, 256, first, 2, 2, &squeeze), kResultOk);
  EXPECT_EQ(ProcessStretch(*stereo, SampleSize(), 0, 256, ignored, 2, 2, &squeeze), kResultOk);

  ASSERT_EQ(host().component->setActive(false), kResultOk);
  SpeakerArrangement mono = SpeakerArr::kMono;
  ASSERT_EQ(host().processor->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
  ASSERT_EQ(host().Setup(SampleSize(), 256), kResultOk);
  ASSERT_EQ(host().component->setActive(true), kResultOk);

  harness::ProcessBuffers monoBuffers = harness::ProcessBuffers::Single(SampleSize(), 1, 1, 256);
  monoBuffers.FillInput(0, [](int, int f) { return Signal(0, 256 + f); });
  EXPECT_EQ(host().Process(monoBuffers), kResultOk);

  harness::ProcessBuffers leftOnly = harness::ProcessBuffers::Single(SampleSize(), 2, 2, 256);
  leftOnly.FillInput(0, [](int c, int f) { return c == 0 ? Signal(0, 256 + f) : 0.0; });
  EXPECT_EQ(stereo->Process(leftOnly), kResultOk);
  for (int f = 0; f < 256; ++f) ASSERT_EQ(monoBuffers.Output(0, 0, f), leftOnly.Output(0, 0, f));

  // And back to stereo.
  ASSERT_EQ(host().component->setActive(false), kResultOk);
  SpeakerArrangement pair = SpeakerArr::kStereo;
  ASSERT_EQ(host().processor->setBusArrangements(&pair, 1, &pair, 1), kResultOk);
  ASSERT_EQ(host().Setup(SampleSize(), 256), kResultOk);
  Channels again;
  EXPECT_EQ(ProcessStretch(host(), SampleSize(), 512, 256, again), kResultOk);
  EXPECT_TRUE(AllFinite(again));
}

TEST_P(ProcessTest, ProcessingOnAnotherThreadThanSetup)
{
  auto local = NewHost();
  ASSERT_EQ(host().Setup(SampleSize(), 512), kResultOk);
  ASSERT_EQ(local->Setup(SampleSize(), 512), kResultOk);
  Channels elsewhere, here;
  std::thread audio([&] { ProcessStretch(host(), SampleSize(), 0, 2048, elsewhere); });
  audio.join();
  EXPECT_EQ(ProcessStretch(*local, SampleSize(), 0, 2048, here), kResultOk);
  EXPECT_EQ(elsewhere, here);
}

TEST_P(ProcessTest, ExtraBusesAndChannelsAreLeftAlone)
{
  auto reference = NewHost();
  ASSERT_EQ(host().Setup(SampleSize(), 128), kResultOk);
  ASSERT_EQ(reference->Setup(SampleSize(), 128), kResultOk);
  // Four channels on each of two buses, where the component has one stereo bus each way.
  harness::ProcessBuffers buffers(SampleSize(), {4, 4}, {4, 4}, 128);
  buffers.FillInput(0, Signal);
  buffers.FillInput(1, [](int, int) { return 0.9; });
  buffers.FillOutputs(0.25);
  EXPECT_EQ(host().Process(buffers), kResultOk);

  Channels expected;
  EXPECT_EQ(ProcessStretch(*reference, SampleSize(), 0, 128, expected), kResultOk);
  for (int f = 0; f < 128; ++f)
  {
    ASSERT_EQ(buffers.Output(0, 0, f), expected[0][f]);
    ASSERT_EQ(buffers.Output(0, 1, f), expected[1][f]);
    ASSERT_EQ(buffers.Output(0, 2, f), 0.25);
    ASSERT_EQ(buffers.Output(0, 3, f), 0.25);
    for (int c = 0; c < 4; ++c) ASSERT_EQ(buffers.Output(1, c, f), 0.25);
  }
}

// Transport and mode reach the framework's hooks; no host call shows them, so they are read
// on an instance in this process.
TEST(ProcessTransportTest, ContextAndModeReachTheFrameworkHooks)
{
  KORU effect;
  harness::HostApplication app;
  ASSERT_EQ(effect.initialize(&app), kResultOk);
  EXPECT_FALSE(effect.IsOffline());
  ProcessSetup setup{kOffline, kSample64, 64, 48000.0};
  ASSERT_EQ(effect.setupProcessing(setup), kResultOk);
  EXPECT_TRUE(effect.IsOffline());

  ProcessContext context{};
  context.state = ProcessContext::kPlaying | ProcessContext::kCycleActive;
  context.tempo = 128.0;
  context.projectTimeSamples = 96000;
  context.projectTimeMusic = 8.5;
  context.barPositionMusic = 8.0;
  context.cycleStartMusic = 4.0;
  context.cycleEndMusic = 12.0;
  context.timeSigNumerator = 7;
  context.timeSigDenominator = 8;
  harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(kSample64, 2, 2, 0);
  buffers.SetProcessContext(&context);
  ASSERT_EQ(effect.process(buffers.Data()), kResultOk);

  EXPECT_EQ(effect.Tempo(), 128.0);
  EXPECT_EQ(effect.SamplePosition(), 96000);
  int numerator = 0, denominator = 0;
  effect.TimeSignature(numerator, denominator);
  EXPECT_EQ(numerator, 7);
  EXPECT_EQ(denominator, 8);
  ITimeInfo info;
  effect.TransportInfo(info);
  EXPECT_EQ(info.tempo, 128.0);
  EXPECT_EQ(info.samplePos, 96000.0);
  EXPECT_EQ(info.ppqPos, 8.5);
  EXPECT_EQ(info.lastBar, 8.0);
  EXPECT_EQ(info.cycleStart, 4.0);
  EXPECT_EQ(info.cycleEnd, 12.0);
  EXPECT_EQ(info.numerator, 7);
  EXPECT_EQ(info.denominator, 8);
  EXPECT_TRUE(info.transportIsRunning);
  EXPECT_TRUE(info.transportLoopEnabled);

  // A call without a context keeps the last one.
  buffers.SetProcessContext(nullptr);
  ASSERT_EQ(effect.process(buffers.Data()), kResultOk);
  EXPECT_EQ(effect.Tempo(), 128.0);
  EXPECT_EQ(effect.terminate(), kResultOk);
}

TEST(ProcessTransportTest, LatencyChangeAsksTheHostToRestart)
{
  KORU effect;
  harness::HostApplication app;
  harness::ComponentHandler handler;
  ASSERT_EQ(effect.initialize(&app), kResultOk);
  effect.SetLatencySamples(0); // no handler yet: nothing to tell
  ASSERT_EQ(effect.setComponentHandler(&handler), kResultOk);
  effect.SetLatencySamples(32);
  EXPECT_EQ(effect.getLatencySamples(), 32u);
  const auto restarts = handler.CallsOf(harness::ComponentHandler::Kind::kRestartComponent);
  ASSERT_EQ(restarts.size(), 1u);
  EXPECT_EQ(restarts[0].flags, kLatencyChanged);
  EXPECT_EQ(effect.terminate(), kResultOk);
}
