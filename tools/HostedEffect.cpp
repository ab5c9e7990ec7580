#include "HostedEffect.h"

#include "harness/TestStream.h"
#include "vst3/IVectorPathLimit.h"
#include "vst3/KoruClassId.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cctype>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// Host texts are UTF-16; KORU's are ASCII. Anything wider shows as '?'.
std::string Narrow(const char16* text)
{
  std::string out;
  for (; *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

std::string ResultText(tresult result)
{
  switch (result)
  {
  case kResultOk: return "kResultOk";
  case kResultFalse: return "kResultFalse";
  case kInvalidArgument: return "kInvalidArgument";
  case kNotImplemented: return "kNotImplemented";
  case kInternalError: return "kInternalError";
  case kNotInitialized: return "kNotInitialized";
  case kOutOfMemory: return "kOutOfMemory";
  case kNoInterface: return "kNoInterface";
  default: return "result " + std::to_string(result);
  }
}
} // namespace

HostedEffect::HostedEffect(const std::string& hostName) : mHost(hostName) {}

HostedEffect::~HostedEffect() { Close(); }

bool HostedEffect::Fail(const std::string& message)
{
  mError = message;
  return false;
}

bool HostedEffect::LimitVectorPath(const std::string& name)
{
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const char* const kNames[] = {"SSE2", "AVX", "AVX512"}; // IVectorPathLimit's numbering
  int path = -1;
  for (int i = 0; i < 3; ++i)
    if (upper == kNames[i]) path = i;
  if (path < 0) return Fail("no vector path is called \"" + name + "\"");
  if (!mComponent) return Fail("no instance to limit");
  IVectorPathLimit* limit = nullptr;
  if (mComponent->queryInterface(IVectorPathLimit::iid, reinterpret_cast<void**>(&limit)) !=
          kResultOk ||
      !limit)
    return Fail("the instance cannot be kept to a vector path");
  const tresult result = limit->limitVectorPath(path);
  limit->release();
  return result == kResultOk || Fail("limitVectorPath answered " + ResultText(result));
}

bool HostedEffect::Open(const std::string& bundlePath)
{
  if (!mLoader.Load(bundlePath))
    return Fail("cannot load \"" + bundlePath + "\": " + mLoader.Error());

  void* object = nullptr;
  const tresult created = mLoader.Factory()->createInstance(
      reinterpret_cast<FIDString>(KoruClassId::kBytes), IComponent::iid, &object);
  if (created != kResultOk || !object)
    return Fail("the factory did not create KORU (" + ResultText(created) + ")");
  mComponent = static_cast<IComponent*>(object);

  // One object is component, processor and controller; a host asks the component for the
  // other two.
  if (mComponent->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&mProcessor)) !=
          kResultOk ||
      !mProcessor)
    return Fail("the component offers no IAudioProcessor");
  if (mComponent->queryInterface(IEditController::iid, reinterpret_cast<void**>(&mController)) !=
          kResultOk ||
      !mController)
    return Fail("the component offers no IEditController");

  const tresult initialized = mComponent->initialize(&mHost);
  if (initialized != kResultOk) return Fail("initialize answered " + ResultText(initialized));
  mInitialized = true;
  mController->setComponentHandler(&mHandler);

  // Hosts switch on the buses the component marks default-active.
  for (BusDirection direction : {kInput, kOutput})
    for (int32 i = 0; i < mComponent->getBusCount(kAudio, direction); ++i)
    {
      BusInfo info{};
      if (mComponent->getBusInfo(kAudio, direction, i, info) == kResultOk &&
          (info.flags & BusInfo::kDefaultActive) != 0)
        mComponent->activateBus(kAudio, direction, i, true);
    }
  return ReadParameters();
}

bool HostedEffect::ReadParameters()
{
  mParameters.clear();
  const int32 count = mController->getParameterCount();
  for (int32 i = 0; i < count; ++i)
  {
    ParameterInfo info{};
    if (mController->getParameterInfo(i, info) != kResultOk)
      return Fail("getParameterInfo(" + std::to_string(i) + ") failed");
    Parameter parameter;
    parameter.id = info.id;
    parameter.title = Narrow(info.title);
    parameter.units = Narrow(info.units);
    parameter.minPlain = mController->normalizedParamToPlain(info.id, 0.0);
    parameter.maxPlain = mController->normalizedParamToPlain(info.id, 1.0);
    mParameters.push_back(parameter);
  }
  return true;
}

const HostedEffect::Parameter* HostedEffect::FindParameter(const std::string& title) const
{
  for (const Parameter& parameter : mParameters)
    if (parameter.title == title) return &parameter;
  return nullptr;
}

double HostedEffect::PlainToNormalized(ParamID id, double plain)
{
  return mController->plainParamToNormalized(id, plain);
}

double HostedEffect::NormalizedToPlain(ParamID id, double normalized)
{
  return mController->normalizedParamToPlain(id, normalized);
}

bool HostedEffect::Start(int channels, int sampleSize, int maxBlock, double sampleRate)
{
  if (!mInitialized) return Fail("the effect is not initialised");
  if (channels != 1 && channels != 2)
    return Fail("KORU takes mono or stereo audio, not " + std::to_string(channels) + " channels");
  SpeakerArrangement in = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
  SpeakerArrangement out = in;
  const tresult arranged = mProcessor->setBusArrangements(&in, 1, &out, 1);
  if (arranged != kResultOk)
    return Fail("setBusArrangements(" + std::string(channels == 1 ? "mono" : "stereo") +
                ") answered " + ResultText(arranged));

  if (mProcessor->canProcessSampleSize(sampleSize) != kResultOk)
    return Fail(std::string("the effect cannot process ") +
                (sampleSize == kSample64 ? "64" : "32") + "-bit samples");
  ProcessSetup setup{kOffline, sampleSize, maxBlock, sampleRate};
  const tresult setUp = mProcessor->setupProcessing(setup);
  if (setUp != kResultOk) return Fail("setupProcessing answered " + ResultText(setUp));

  const tresult activated = mComponent->setActive(true);
  if (activated != kResultOk) return Fail("setActive(true) answered " + ResultText(activated));
  mActive = true;
  // Optional for a plug-in: kNotImplemented is a valid answer.
  const tresult processing = mProcessor->setProcessing(true);
  if (processing != kResultOk && processing != kNotImplemented)
    return Fail("setProcessing(true) answered " + ResultText(processing));
  mProcessing = true;

  mChannels = channels;
  mSampleSize = sampleSize;
  mContext = ProcessContext{};
  mContext.state =
      ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kTimeSigValid;
  mContext.sampleRate = sampleRate;
  mContext.tempo = 120.0;
  mContext.timeSigNumerator = 4;
  mContext.timeSigDenominator = 4;
  return true;
}

bool HostedEffect::SaveState(std::vector<std::uint8_t>& bytes)
{
  if (!mInitialized) return Fail("the effect is not initialised");
  harness::TestStream stream;
  const tresult result = mController->getState(&stream);
  if (result != kResultOk) return Fail("getState answered " + ResultText(result));
  bytes = stream.Bytes();
  return true;
}

bool HostedEffect::LoadState(const std::vector<std::uint8_t>& bytes)
{
  if (!mInitialized) return Fail("the effect is not initialised");
  harness::TestStream stream(bytes);
  const tresult result = mController->setState(&stream);
  if (result != kResultOk) return Fail("setState answered " + ResultText(result));
  return true;
}

void HostedEffect::QueueChange(ParamID id, double normalized)
{
  mChanges.Add(id, normalized, 0);
  mChangesPending = true;
}

bool HostedEffect::Process(void** inputs, void** outputs, int frames)
{
  if (!mActive) return Fail("processing has not started");
  AudioBusBuffers in{};
  AudioBusBuffers out{};
  in.numChannels = out.numChannels = mChannels;
  in.channelBuffers64 = reinterpret_cast<Sample64**>(inputs);
  out.channelBuffers64 = reinterpret_cast<Sample64**>(outputs);

  ProcessData data{};
  data.processMode = kOffline;
  data.symbolicSampleSize = mSampleSize;
  data.numSamples = frames;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = mChangesPending ? &mChanges : &mNoChanges;
  data.processContext = &mContext;

  const tresult result = mProcessor->process(data);
  if (mChangesPending)
  {
    mChanges.Clear();
    mChangesPending = false;
  }
  mContext.projectTimeSamples += frames;
  mContext.continousTimeSamples += frames;
  if (result != kResultOk) return Fail("process answered " + ResultText(result));
  return true;
}

void HostedEffect::Stop()
{
  if (mProcessing) mProcessor->setProcessing(false);
  mProcessing = false;
  if (mActive) mComponent->setActive(false);
  mActive = false;
}

void HostedEffect::Close()
{
  Stop();
  if (mInitialized)
  {
    mController->setComponentHandler(nullptr);
    mComponent->terminate();
    mInitialized = false;
  }
  for (FUnknown* unknown : {static_cast<FUnknown*>(mController), static_cast<FUnknown*>(mProcessor),
                            static_cast<FUnknown*>(mComponent)})
    if (unknown) unknown->release();
  mController = nullptr;
  mProcessor = nullptr;
  mComponent = nullptr;
  mLoader.Unload();
}
