// The audio component as a host sets it up: initialisation, buses, arrangements, processing
// set-up, activation, and the calls it leaves unimplemented.
#include "EffectHost.h"
#include "effect/KORU.h"

#include "pluginterfaces/vst/vstspeaker.h"

using namespace koru_test;

namespace
{

constexpr SpeakerArrangement kMono = SpeakerArr::kMono;     // 0x80000
constexpr SpeakerArrangement kStereo = SpeakerArr::kStereo; // 0x3

struct BusView
{
  std::u16string name;
  int32 channels = -1;
  int32 busType = -1;
  uint32 flags = 0;
};

BusView BusOf(EffectHost& host, BusDirection dir, int32 index = 0)
{
  BusInfo info{};
  BusView view;
  if (host.component->getBusInfo(kAudio, dir, index, info) != kResultOk) return view;
  view.name = Text(info.name);
  view.channels = info.channelCount;
  view.busType = info.busType;
  view.flags = info.flags;
  return view;
}

class ComponentTest : public EffectTest
{
};

} // namespace

TEST_F(ComponentTest, InitializeBuildsOneStereoBusEachWayAndElevenParameters)
{
  EXPECT_EQ(host().component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(host().component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(host().component->getBusCount(kEvent, kInput), 0);
  EXPECT_EQ(host().component->getBusCount(kEvent, kOutput), 0);

  const BusView in = BusOf(host(), kInput);
  EXPECT_EQ(in.name, u"Main Input");
  EXPECT_EQ(in.channels, 2);
  EXPECT_EQ(in.busType, kMain);
  EXPECT_EQ(in.flags, BusInfo::kDefaultActive);
  const BusView out = BusOf(host(), kOutput);
  EXPECT_EQ(out.name, u"Output");
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.busType, kMain);
  EXPECT_EQ(out.flags, BusInfo::kDefaultActive);

  SpeakerArrangement arr = 0;
  EXPECT_EQ(host().processor->getBusArrangement(kInput, 0, arr), kResultOk);
  EXPECT_EQ(arr, kStereo);
  EXPECT_EQ(host().controller->getParameterCount(), 11);
}

TEST_F(ComponentTest, SecondInitializeAnswersFalseAndAddsNothing)
{
  EXPECT_EQ(host().component->initialize(&host().app), kResultFalse);
  // Also through the controller's side of the same object.
  EXPECT_EQ(host().controller->initialize(&host().app), kResultFalse);
  EXPECT_EQ(host().component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(host().component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(host().controller->getParameterCount(), 11);
}

TEST_F(ComponentTest, InitializeWithoutContextBuildsOnceOnly)
{
  auto bare = NewHost(false);
  EXPECT_EQ(bare->component->initialize(nullptr), kResultOk);
  EXPECT_EQ(bare->component->initialize(nullptr), kResultFalse);
  bare->initialized = true;
  EXPECT_EQ(bare->controller->getParameterCount(), 11);
  EXPECT_EQ(bare->component->getBusCount(kAudio, kOutput), 1);
}

TEST_F(ComponentTest, HostContextReferencesBalance)
{
  auto fresh = NewHost(false);
  EXPECT_EQ(fresh->Initialize(), kResultOk);
  EXPECT_GE(fresh->app.NameQueries(), 1);
  EXPECT_EQ(fresh->component->terminate(), kResultOk);
  fresh->initialized = false;
  EXPECT_EQ(fresh->app.RefCount(), 1);
}

TEST_F(ComponentTest, TerminateThenInitializeAgainRebuildsEverything)
{
  EXPECT_EQ(host().Setup(kSample64, 256), kResultOk);
  EXPECT_EQ(host().controller->setParamNormalized(kInputGain, 0.75), kResultOk);
  EXPECT_EQ(host().component->setActive(false), kResultOk);
  host().active = false;

  EXPECT_EQ(host().component->terminate(), kResultOk);
  EXPECT_EQ(host().component->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(host().component->getBusCount(kAudio, kOutput), 0);
  EXPECT_EQ(host().controller->getParameterCount(), 0);

  EXPECT_EQ(host().component->initialize(&host().app), kResultOk);
  EXPECT_EQ(host().component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(host().component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(host().controller->getParameterCount(), 11);
  // Initialisation loads the default preset again.
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.5);

  EXPECT_EQ(host().Setup(kSample64, 256), kResultOk);
  Channels out;
  EXPECT_EQ(ProcessStretch(host(), kSample64, 0, 256, out), kResultOk);
  for (double v : out[0]) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(ComponentTest, BusArrangementsStereoAndMonoAreAccepted)
{
  SpeakerArrangement in = kStereo, out = kStereo;
  EXPECT_EQ(host().processor->setBusArrangements(&in, 1, &out, 1), kResultOk);
  // Same channel count: the buses keep their names.
  EXPECT_EQ(BusOf(host(), kInput).name, u"Main Input");
  EXPECT_EQ(BusOf(host(), kOutput).name, u"Output");

  in = kMono;
  out = kMono;
  EXPECT_EQ(host().processor->setBusArrangements(&in, 1, &out, 1), kResultOk);
  EXPECT_EQ(BusOf(host(), kInput).name, u"Input");
  EXPECT_EQ(BusOf(host(), kInput).channels, 1);
  EXPECT_EQ(BusOf(host(), kOutput).name, u"Output");
  EXPECT_EQ(BusOf(host(), kOutput).channels, 1);
  SpeakerArrangement arr = 0;
  EXPECT_EQ(host().processor->getBusArrangement(kOutput, 0, arr), kResultOk);
  EXPECT_EQ(arr, kMono);

  in = kStereo;
  out = kStereo;
  EXPECT_EQ(host().processor->setBusArrangements(&in, 1, &out, 1), kResultOk);
  EXPECT_EQ(BusOf(host(), kInput).name, u"Input");
  EXPECT_EQ(BusOf(host(), kInput).channels, 2);
  EXPECT_EQ(BusOf(host(), kOutput).channels, 2);
  EXPECT_EQ(host().component->getBusCount(kAudio, kInput), 1);
}

TEST_F(ComponentTest, BusArrangementsThatDoNotFitAreRefused)
{
  SpeakerArrangement in = kMono, out = kStereo;
  EXPECT_EQ(host().processor->setBusArrangements(&in, 1, &out, 1), kResultFalse);
  EXPECT_EQ(BusOf(host(), kInput).name, u"Main Input");
  EXPECT_EQ(BusOf(host(), kInput).channels, 2);

  SpeakerArrangement five = SpeakerArr::k50;
  EXPECT_EQ(host().processor->setBusArrangements(&five, 1, &five, 1), kResultFalse);
  SpeakerArrangement none = 0;
  EXPECT_EQ(host().processor->setBusArrangements(&none, 1, &none, 1), kResultFalse);

  // No arrangements to compare against.
  EXPECT_EQ(host().processor->setBusArrangements(nullptr, 0, nullptr, 0), kResultFalse);
  EXPECT_EQ(host().processor->setBusArrangements(&in, 0, &out, 1), kResultFalse);
  EXPECT_EQ(host().processor->setBusArrangements(&in, 1, &out, 0), kResultFalse);
  EXPECT_EQ(host().processor->setBusArrangements(nullptr, 1, &out, 1), kResultFalse);
  EXPECT_EQ(host().processor->setBusArrangements(&in, 1, nullptr, 1), kResultFalse);
  EXPECT_EQ(BusOf(host(), kInput).channels, 2);
  EXPECT_EQ(BusOf(host(), kOutput).channels, 2);
}

TEST_F(ComponentTest, TwoInputArrangementsApplyTheFirstButAnswerFalse)
{
  SpeakerArrangement ins[2] = {kMono, kMono};
  SpeakerArrangement out = kMono;
  EXPECT_EQ(host().processor->setBusArrangements(ins, 2, &out, 1), kResultFalse);
  EXPECT_EQ(host().component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(BusOf(host(), kInput).name, u"Input");
  EXPECT_EQ(BusOf(host(), kInput).channels, 1);
}

TEST_F(ComponentTest, BusArrangementsBeforeInitializeAreRefused)
{
  auto bare = NewHost(false);
  SpeakerArrangement in = kStereo, out = kStereo;
  EXPECT_EQ(bare->processor->setBusArrangements(&in, 1, &out, 1), kResultFalse);
  EXPECT_EQ(bare->component->getBusCount(kAudio, kInput), 0);
}

TEST_F(ComponentTest, SampleSizes)
{
  EXPECT_EQ(host().processor->canProcessSampleSize(kSample32), kResultOk);
  EXPECT_EQ(host().processor->canProcessSampleSize(kSample64), kResultOk);
  EXPECT_EQ(host().processor->canProcessSampleSize(2), kResultFalse);
  EXPECT_EQ(host().processor->canProcessSampleSize(-1), kResultFalse);
}

TEST_F(ComponentTest, SetupProcessingAcceptsBothSampleSizesAndRefusesOthers)
{
  ProcessSetup setup{kRealtime, kSample64, 512, 96000.0};
  EXPECT_EQ(host().processor->setupProcessing(setup), kResultOk);
  setup.symbolicSampleSize = kSample32;
  EXPECT_EQ(host().processor->setupProcessing(setup), kResultOk);
  setup.symbolicSampleSize = 2;
  EXPECT_EQ(host().processor->setupProcessing(setup), kResultFalse);
}

// A refused set-up keeps the previous one: the instance then processes exactly like one that
// never saw the refused call.
TEST_F(ComponentTest, SetupProcessingRefusesUnusableRatesAndBlockSizes)
{
  ASSERT_EQ(host().Setup(kSample64, 512, 48000.0), kResultOk);
  for (double rate : {0.0, -44100.0, std::nan(""), HUGE_VAL, -HUGE_VAL})
  {
    ProcessSetup setup{kRealtime, kSample64, 512, rate};
    EXPECT_EQ(host().processor->setupProcessing(setup), kInvalidArgument) << rate;
  }
  for (int32 block : {0, -1})
  {
    ProcessSetup setup{kRealtime, kSample64, block, 22050.0};
    EXPECT_EQ(host().processor->setupProcessing(setup), kInvalidArgument) << block;
  }

  auto reference = NewHost();
  ASSERT_EQ(reference->Setup(kSample64, 512, 48000.0), kResultOk);
  Channels a, b;
  EXPECT_EQ(ProcessStretch(host(), kSample64, 0, 512, a), kResultOk);
  EXPECT_EQ(ProcessStretch(*reference, kSample64, 0, 512, b), kResultOk);
  EXPECT_EQ(a, b);
}

TEST_F(ComponentTest, LatencyAndTailAreZero)
{
  EXPECT_EQ(host().processor->getLatencySamples(), 0u);
  EXPECT_EQ(host().processor->getTailSamples(), 0u);
}

TEST_F(ComponentTest, ActivationAnswersOk)
{
  EXPECT_EQ(host().component->setActive(true), kResultOk);
  EXPECT_EQ(host().component->setActive(false), kResultOk);
  EXPECT_EQ(host().component->setActive(false), kResultOk);
}

TEST_F(ComponentTest, BusActivation)
{
  EXPECT_EQ(host().component->activateBus(kAudio, kOutput, 0, false), kResultOk);
  EXPECT_EQ(host().component->activateBus(kAudio, kOutput, 0, true), kResultOk);
  EXPECT_EQ(host().component->activateBus(kAudio, kInput, 0, true), kResultOk);
  EXPECT_EQ(host().component->activateBus(kAudio, kOutput, 3, true), kInvalidArgument);
  EXPECT_EQ(host().component->activateBus(kEvent, kInput, 0, true), kInvalidArgument);
}

TEST_F(ComponentTest, CallsLeftUnimplemented)
{
  TUID cid = {};
  EXPECT_EQ(host().component->getControllerClassId(cid), kNotImplemented);
  EXPECT_EQ(host().component->setIoMode(kSimple), kNotImplemented);
  RoutingInfo in{}, out{};
  EXPECT_EQ(host().component->getRoutingInfo(in, out), kNotImplemented);
  EXPECT_EQ(host().processor->setProcessing(true), kNotImplemented);
  harness::TestStream stream;
  EXPECT_EQ(host().controller->setComponentState(&stream), kNotImplemented);
}

// Class names are not visible through the interfaces; asked of an instance in this process.
TEST(ComponentClassTest, ClassNameAndAcceptedTypes)
{
  KORU effect;
  EXPECT_STREQ(effect.isA(), "IPlugVST3");
  for (const char* type : {"IPlugVST3", "SingleComponentEffect", "EditControllerEx1",
                           "EditController", "ComponentBase", "FObject"})
    EXPECT_TRUE(effect.isTypeOf(type)) << type;
  EXPECT_FALSE(effect.isTypeOf("Parameter"));
  EXPECT_FALSE(effect.isA("FObject"));
  EXPECT_TRUE(effect.isA("IPlugVST3"));
}

TEST(ComponentClassTest, ParameterClassNameAndAcceptedTypes)
{
  KORU effect;
  harness::HostApplication app;
  ASSERT_EQ(effect.initialize(&app), kResultOk);
  Parameter* parameter = effect.getParameterObject(kInputGain);
  ASSERT_NE(parameter, nullptr);
  EXPECT_STREQ(parameter->isA(), "IPlugParameter");
  for (const char* type : {"IPlugParameter", "Parameter", "FObject"})
    EXPECT_TRUE(parameter->isTypeOf(type)) << type;
  EXPECT_FALSE(parameter->isTypeOf("RangeParameter"));
  EXPECT_EQ(effect.terminate(), kResultOk);
}

TEST_F(ComponentTest, OneObjectAnswersEveryInterface)
{
  FUnknown* fromProcessor = nullptr;
  FUnknown* fromController = nullptr;
  ASSERT_EQ(
      host().processor->queryInterface(FUnknown::iid, reinterpret_cast<void**>(&fromProcessor)),
      kResultOk);
  ASSERT_EQ(
      host().controller->queryInterface(FUnknown::iid, reinterpret_cast<void**>(&fromController)),
      kResultOk);
  EXPECT_EQ(fromProcessor, fromController);
  fromProcessor->release();
  fromController->release();
}
