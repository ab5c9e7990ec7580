// The single-component base on its own: one object answering every host interface, its
// buses, stored set-up, life cycle and reference count.
#include "vst3/SingleComponentEffect.h"

#include "harness/HostApplication.h"
#include "harness/TestStream.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <gtest/gtest.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

// Exposes the protected state and reports its own destruction.
class Effect : public SingleComponentEffect
{
public:
  explicit Effect(bool* destroyed = nullptr) : mDestroyed(destroyed) {}
  ~Effect() override
  {
    if (mDestroyed) *mDestroyed = true;
  }
  const ProcessSetup& Setup() const { return processSetup; }
  int32 ParameterCount() { return parameters.getParameterCount(); }
  void AddParameter() { parameters.addParameter(STR16("Gain"), nullptr, 0, 0.5, 0, 7); }

private:
  bool* mDestroyed;
};

std::u16string BusName(const BusInfo& info)
{
  return std::u16string(reinterpret_cast<const char16_t*>(info.name));
}

class SingleComponentEffectTest : public ::testing::Test
{
protected:
  void TearDown() override { mEffect->release(); }
  Effect* mEffect = new Effect;
};

} // namespace

TEST_F(SingleComponentEffectTest, InitialProcessingSetup)
{
  EXPECT_EQ(mEffect->Setup().processMode, kRealtime);
  EXPECT_EQ(mEffect->Setup().symbolicSampleSize, kSample32);
  EXPECT_EQ(mEffect->Setup().maxSamplesPerBlock, 1024);
  EXPECT_EQ(mEffect->Setup().sampleRate, 44100.0);
}

TEST_F(SingleComponentEffectTest, AnswersEveryHostInterfaceAsOneObject)
{
  for (const FUID* iid : {&FUnknown::iid, &IPluginBase::iid, &IComponent::iid,
                          &IAudioProcessor::iid, &IEditController::iid, &IEditController2::iid,
                          &IUnitInfo::iid, &IConnectionPoint::iid, &IDependent::iid})
  {
    void* obj = nullptr;
    ASSERT_EQ(mEffect->queryInterface(*iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    // Every interface leads back to the same object and shares its count.
    EXPECT_EQ(mEffect->getRefCount(), 2);
    static_cast<FUnknown*>(obj)->release();
    EXPECT_EQ(mEffect->getRefCount(), 1);
  }
  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(mEffect->queryInterface(IBStream::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);

  EXPECT_TRUE(mEffect->isTypeOf("SingleComponentEffect"));
  EXPECT_TRUE(mEffect->isTypeOf("EditControllerEx1"));
  EXPECT_TRUE(mEffect->isTypeOf("EditController"));
  EXPECT_TRUE(mEffect->isTypeOf("ComponentBase"));
  EXPECT_TRUE(mEffect->isTypeOf("FObject"));
  EXPECT_STREQ(mEffect->isA(), "SingleComponentEffect");
}

TEST_F(SingleComponentEffectTest, LastReleaseThroughAnyInterfaceDestroys)
{
  bool destroyed = false;
  auto* effect = new Effect(&destroyed);
  IAudioProcessor* processor = effect;
  IComponent* component = nullptr;
  ASSERT_EQ(processor->queryInterface(IComponent::iid, reinterpret_cast<void**>(&component)),
            kResultOk);
  EXPECT_EQ(processor->release(), 1u);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(component->release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST_F(SingleComponentEffectTest, InitializeStoresTheContextOnceWhicheverInterfaceIsUsed)
{
  harness::HostApplication host;
  FUnknown* context = static_cast<IHostApplication*>(&host);
  IComponent* component = mEffect;
  IEditController* controller = mEffect;
  EXPECT_EQ(component->initialize(context), kResultOk);
  EXPECT_EQ(mEffect->getHostContext(), context);
  EXPECT_EQ(controller->initialize(context), kResultFalse);
  IPluginBase* base = nullptr;
  ASSERT_EQ(mEffect->queryInterface(IPluginBase::iid, reinterpret_cast<void**>(&base)), kResultOk);
  EXPECT_EQ(base->initialize(context), kResultFalse);
  base->release();
  EXPECT_EQ(host.RefCount(), 2);

  EXPECT_EQ(component->terminate(), kResultOk);
  EXPECT_EQ(mEffect->getHostContext(), nullptr);
  EXPECT_EQ(host.RefCount(), 1);
  EXPECT_EQ(controller->initialize(context), kResultOk);
  EXPECT_EQ(controller->terminate(), kResultOk);
}

TEST_F(SingleComponentEffectTest, TerminateDropsBusesAndParameters)
{
  mEffect->addAudioInput(STR16("In"), SpeakerArr::kStereo);
  mEffect->addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
  mEffect->addEventInput(STR16("Events"));
  mEffect->AddParameter();
  ASSERT_EQ(mEffect->ParameterCount(), 1);
  EXPECT_EQ(mEffect->terminate(), kResultOk);
  EXPECT_EQ(mEffect->ParameterCount(), 0);
  EXPECT_EQ(mEffect->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(mEffect->getBusCount(kAudio, kOutput), 0);
  EXPECT_EQ(mEffect->getBusCount(kEvent, kInput), 0);
}

TEST_F(SingleComponentEffectTest, BusListsAndTheirInformation)
{
  AudioBus* in = mEffect->addAudioInput(STR16("Main Input"), SpeakerArr::kStereo);
  mEffect->addAudioOutput(STR16("Output"), SpeakerArr::kMono, kMain, 0);
  mEffect->addAudioOutput(STR16("Side"), SpeakerArr::kStereo, kAux);
  mEffect->addEventInput(STR16("Notes"), 4);
  mEffect->addEventOutput(STR16("Out Notes"));
  ASSERT_NE(in, nullptr);

  EXPECT_EQ(mEffect->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(mEffect->getBusCount(kAudio, kOutput), 2);
  EXPECT_EQ(mEffect->getBusCount(kEvent, kInput), 1);
  EXPECT_EQ(mEffect->getBusCount(kEvent, kOutput), 1);
  EXPECT_EQ(mEffect->getBusCount(7, kInput), 0);

  BusInfo info{};
  ASSERT_EQ(mEffect->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
  EXPECT_EQ(info.mediaType, kAudio);
  EXPECT_EQ(info.direction, kInput);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(BusName(info), u"Main Input");
  EXPECT_EQ(info.busType, kMain);
  EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));
  ASSERT_EQ(mEffect->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(info.flags, 0u);
  ASSERT_EQ(mEffect->getBusInfo(kAudio, kOutput, 1, info), kResultTrue);
  EXPECT_EQ(info.busType, kAux);
  ASSERT_EQ(mEffect->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 4);
  EXPECT_EQ(BusName(info), u"Notes");

  EXPECT_EQ(mEffect->getBusInfo(kAudio, kInput, 1, info), kInvalidArgument);
  EXPECT_EQ(mEffect->getBusInfo(kAudio, kInput, -1, info), kInvalidArgument);
  EXPECT_EQ(mEffect->getBusInfo(7, kInput, 0, info), kInvalidArgument);

  EXPECT_FALSE(in->isActive());
  EXPECT_EQ(mEffect->activateBus(kAudio, kInput, 0, true), kResultTrue);
  EXPECT_TRUE(in->isActive());
  EXPECT_EQ(mEffect->activateBus(kAudio, kInput, 1, true), kInvalidArgument);

  EXPECT_EQ(mEffect->removeAudioBusses(), kResultOk);
  EXPECT_EQ(mEffect->getBusCount(kAudio, kOutput), 0);
  EXPECT_EQ(mEffect->getBusCount(kEvent, kInput), 1);
  EXPECT_EQ(mEffect->removeEventBusses(), kResultOk);
  EXPECT_EQ(mEffect->getBusCount(kEvent, kOutput), 0);
}

TEST_F(SingleComponentEffectTest, DefaultArrangementHandling)
{
  mEffect->addAudioInput(STR16("In"), SpeakerArr::kStereo);
  mEffect->addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
  SpeakerArrangement mono = SpeakerArr::kMono;
  SpeakerArrangement twoMono[2] = {SpeakerArr::kMono, SpeakerArr::kMono};

  EXPECT_EQ(mEffect->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  SpeakerArrangement arr = 0;
  ASSERT_EQ(mEffect->getBusArrangement(kInput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kMono);
  ASSERT_EQ(mEffect->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kMono);
  EXPECT_EQ(mEffect->setBusArrangements(twoMono, 2, &mono, 1), kResultFalse);
  EXPECT_EQ(mEffect->setBusArrangements(&mono, -1, &mono, 1), kInvalidArgument);
  EXPECT_EQ(mEffect->getBusArrangement(kInput, 1, arr), kInvalidArgument);
}

TEST_F(SingleComponentEffectTest, SetupIsStoredForAcceptedSampleSizes)
{
  EXPECT_EQ(mEffect->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(mEffect->canProcessSampleSize(kSample64), kResultFalse);
  ProcessSetup setup{kOffline, kSample32, 512, 96000.0};
  EXPECT_EQ(mEffect->setupProcessing(setup), kResultOk);
  EXPECT_EQ(mEffect->Setup().processMode, kOffline);
  EXPECT_EQ(mEffect->Setup().maxSamplesPerBlock, 512);
  EXPECT_EQ(mEffect->Setup().sampleRate, 96000.0);
  ProcessSetup wide{kRealtime, kSample64, 64, 48000.0};
  EXPECT_EQ(mEffect->setupProcessing(wide), kResultFalse);
  EXPECT_EQ(mEffect->Setup().sampleRate, 96000.0);
}

TEST_F(SingleComponentEffectTest, DefaultAnswersOfTheRemainingCalls)
{
  ProcessData data;
  harness::TestStream stream;
  RoutingInfo in{}, out{};
  TUID cid = {};
  EXPECT_EQ(mEffect->process(data), kNotImplemented);
  EXPECT_EQ(mEffect->setProcessing(true), kNotImplemented);
  EXPECT_EQ(mEffect->setActive(true), kResultOk);
  EXPECT_EQ(mEffect->getLatencySamples(), 0u);
  EXPECT_EQ(mEffect->getTailSamples(), kNoTail);
  EXPECT_EQ(mEffect->getRoutingInfo(in, out), kNotImplemented);
  EXPECT_EQ(mEffect->getControllerClassId(cid), kNotImplemented);
  EXPECT_EQ(mEffect->setIoMode(kSimple), kNotImplemented);
  EXPECT_EQ(static_cast<IComponent*>(mEffect)->setState(&stream), kNotImplemented);
  EXPECT_EQ(static_cast<IEditController*>(mEffect)->getState(&stream), kNotImplemented);
  EXPECT_EQ(stream.ReadCalls() + stream.WriteCalls(), 0);
}
