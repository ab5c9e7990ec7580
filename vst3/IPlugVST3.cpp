// IPlugVST3: construction, initialisation, buses, processing set-up and transport.
#include "vst3/IPlugVST3.h"

#include "framework/HostKind.h"
#include "framework/Truncate.h"
#include "vst3/HostParamIds.h"
#include "vst3/HostText.h"
#include "vst3/IPlugParameter.h"
#include "vst3/IPlugVST3View.h"
#include "vst3/SpeakerArrangement.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "public.sdk/source/vst/vstparameters.h"

#include <algorithm>
#include <cmath>
#include <new>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// Bus names are 128 units: 127 characters and the terminator.
constexpr size_t kBusNameUnits = 127;

// Host names are read into 128 bytes, the last always the terminator.
constexpr size_t kHostNameBytes = 128;

AudioBus* AddBus(BusList& list, const char* label, SpeakerArrangement arrangement)
{
  String128 name = {};
  WidenText(name, label, kBusNameUnits);
  auto* bus = new AudioBus(name, kMain, BusInfo::kDefaultActive, arrangement);
  list.emplace_back(bus, false);
  return bus;
}

// Replaces the list's buses by one of the new arrangement. The new bus keeps the activation
// the host gave the first old one: hosts activate a bus once and do not expect a changed
// arrangement to undo that.
void ReplaceBuses(BusList& list, const char* label, SpeakerArrangement arrangement)
{
  const bool wasActive = !list.empty() && list[0] && list[0]->isActive();
  list.clear();
  AddBus(list, label, arrangement)->setActive(wasActive);
}

int FirstBusChannels(BusList& list)
{
  if (list.empty() || !list[0]) return -1;
  auto* bus = FCast<AudioBus>(list[0].get());
  return bus ? ChannelsOfArrangement(bus->getArrangement()) : -1;
}
} // namespace

IPlugVST3::IPlugVST3(int nParams, const char* channelIOText, int nPresets, const char* effectName,
                     const char* productName, const char* makerName, int32_t version,
                     int32_t uniqueId, int32_t makerId, int latency, bool doesMidi,
                     bool isInstrument, int apiKind)
  : IPlugBase(nParams, channelIOText, nPresets, effectName, productName, makerName, version,
              uniqueId, makerId, latency, doesMidi, isInstrument, apiKind)
{
  ConnectInputs(0, InputChannelCount(), true);
  ConnectOutputs(0, OutputChannelCount(), true);
  if (InputChannelCount() > 0)
    CreateDelayLine(InputChannelCount(), OutputChannelCount(), Latency());
  InputBusLabels()[0] = "Main Input";
  OutputBusLabels()[0] = "Output";
  mTransport = ProcessContext{};

  const size_t channels = static_cast<size_t>(std::max(InputChannelCount(), OutputChannelCount()));
  mChunk32.assign(channels, nullptr);
  mChunk64.assign(channels, nullptr);
}

IPlugVST3::~IPlugVST3() = default;

// --- Initialisation -----------------------------------------------------------------------

tresult PLUGIN_API IPlugVST3::initialize(FUnknown* context)
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  tresult result = SingleComponentEffect::initialize(context);
  // A host that initialises twice without a context gets the base's success twice; the
  // buses and parameters must still exist only once.
  if (result == kResultOk && mHostObjectsBuilt) result = kResultFalse;

  if (context)
  {
    IHostApplication* app = nullptr;
    if (context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&app)) ==
            kResultOk &&
        app)
    {
      String128 name = {};
      char narrow[kHostNameBytes] = {};
      if (app->getName(name) == kResultOk)
      {
        name[127] = 0;
        NarrowText(narrow, sizeof(narrow), name);
      }
      SetHost(IdentifyHost(narrow), 0);
      app->release();
    }
  }

  if (result == kResultOk)
  {
    const int nIn = InputChannelCount() - mSideChainChannels;
    const SpeakerArrangement inArr = SpeakerArrangementForChannels(nIn);
    if (inArr != 0) AddBus(audioInputs, InputBusLabels()[0].c_str(), inArr);
    AddBus(audioOutputs, OutputBusLabels()[0].c_str(),
           SpeakerArrangementForChannels(OutputChannelCount()));

    if (PresetCount() > 0)
      parameters.addParameter(STR16("Preset"), nullptr, PresetCount(), 0.0,
                              ParameterInfo::kIsProgramChange, kPresetParamId, kRootUnitId);
    if (!IsInstrument())
    {
      auto* bypass = new StringListParameter(STR16("Bypass"), kBypassParamId, nullptr,
                                             ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                                                 ParameterInfo::kIsBypass,
                                             kRootUnitId);
      bypass->appendString(STR16("off"));
      bypass->appendString(STR16("on"));
      parameters.addParameter(bypass);
    }

    // Units: 0 is the root; each distinct non-empty group becomes the next one.
    std::vector<std::string>& groups = GroupNames();
    groups.clear();
    for (int i = 0; i < ParamCount(); ++i)
    {
      const IParamSlot* slot = Param(i);
      UnitID unit = kRootUnitId;
      if (slot->Group()[0] != '\0')
      {
        const auto found = std::find(groups.begin(), groups.end(), slot->Group());
        if (found == groups.end())
        {
          groups.emplace_back(slot->Group());
          unit = static_cast<UnitID>(groups.size());
        }
        else
        {
          unit = static_cast<UnitID>(found - groups.begin()) + 1;
        }
      }
      parameters.addParameter(new IPlugParameter(slot, static_cast<ParamID>(i), unit));
    }
    mHostObjectsBuilt = true;
  }

  HostIdentified();
  LoadPreset(0);
  return result;
}

tresult PLUGIN_API IPlugVST3::terminate()
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  mHostObjectsBuilt = false;
  return SingleComponentEffect::terminate();
}

// --- Buses --------------------------------------------------------------------------------

tresult PLUGIN_API IPlugVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts)
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  // Nothing to compare against without both arrangements and both buses.
  if (numIns < 1 || numOuts < 1 || !inputs || !outputs) return kResultFalse;
  if (audioInputs.empty() || audioOutputs.empty()) return kResultFalse;

  ConnectInputs(0, InputChannelCount(), false);
  ConnectOutputs(0, OutputChannelCount(), false);

  const int nIn = ChannelsOfArrangement(inputs[0]);
  const int nOut = ChannelsOfArrangement(outputs[0]);
  if (!LegalIO(nIn, nOut)) return kResultFalse;

  if (FirstBusChannels(audioInputs) != nIn)
    ReplaceBuses(audioInputs, "Input", SpeakerArrangementForChannels(nIn));
  if (FirstBusChannels(audioOutputs) != nOut)
    ReplaceBuses(audioOutputs, "Output", SpeakerArrangementForChannels(nOut));
  return numIns == 1 ? kResultOk : kResultFalse;
}

tresult PLUGIN_API IPlugVST3::activateBus(MediaType type, BusDirection dir, int32 index,
                                          TBool state)
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  return SingleComponentEffect::activateBus(type, dir, index, state);
}

// --- Processing set-up --------------------------------------------------------------------

tresult PLUGIN_API IPlugVST3::setActive(TBool state)
{
  ActivationChanged(state != 0);
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultOk
                                                                            : kResultFalse;
}

tresult PLUGIN_API IPlugVST3::setupProcessing(ProcessSetup& setup)
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultOk) return kResultFalse;
  // The chain's coefficients need a real rate and the scratch buffers a real size; a set-up
  // without them is refused and the previous one stays.
  if (!std::isfinite(setup.sampleRate) || !(setup.sampleRate > 0.0)) return kInvalidArgument;
  if (setup.maxSamplesPerBlock < 1) return kInvalidArgument;

  if (setup.maxSamplesPerBlock != MaxBlockSize())
  {
    try
    {
      mSilence.assign(static_cast<size_t>(setup.maxSamplesPerBlock), 0.0);
      SetMaxBlockSize(setup.maxSamplesPerBlock);
    }
    catch (const std::bad_alloc&)
    {
      // The buffers keep at least the old size, which stays the stored one.
      return kOutOfMemory;
    }
  }
  SetSampleRate(setup.sampleRate);
  SetBypassedFromHost(false);
  ResetProcessing();
  SingleComponentEffect::setupProcessing(setup);
  return kResultOk;
}

uint32 PLUGIN_API IPlugVST3::getLatencySamples() { return static_cast<uint32>(Latency()); }
uint32 PLUGIN_API IPlugVST3::getTailSamples() { return static_cast<uint32>(TailLength()); }

void IPlugVST3::SetBypassedFromHost(bool bypassed)
{
  SetBypassed(bypassed);
  mBypassForHost.store(bypassed, std::memory_order_relaxed);
}

// --- Framework hooks ----------------------------------------------------------------------

void IPlugVST3::SetLatencySamples(int samples)
{
  IPlugBase::SetLatencySamples(samples);
  if (IComponentHandler* handler = getComponentHandler())
    handler->restartComponent(kLatencyChanged);
}

void IPlugVST3::ShowHostParamMenu(int index, int x, int y)
{
  IComponentHandler* handler = getComponentHandler();
  IPlugVST3View* view = EditorView();
  if (!handler || !view) return;
  IComponentHandler3* handler3 = nullptr;
  if (handler->queryInterface(IComponentHandler3::iid, reinterpret_cast<void**>(&handler3)) !=
          kResultOk ||
      !handler3)
    return;
  const ParamID id = static_cast<ParamID>(index);
  if (IContextMenu* menu = handler3->createContextMenu(view, &id))
  {
    menu->popup(x, y);
    menu->release();
  }
  handler3->release();
}

void IPlugVST3::RemoveView(IPlugVST3View* view)
{
  mViews.erase(std::remove(mViews.begin(), mViews.end(), view), mViews.end());
}

IPlugVST3View* IPlugVST3::EditorView() const
{
  for (IPlugVST3View* view : mViews)
    if (view->ShowsEditor()) return view;
  return mViews.empty() ? nullptr : mViews[0];
}

void IPlugVST3::ResizeEditor(int width, int height)
{
  IPlugVST3View* view = EditorView();
  if (!GetGUI() || !view) return;
  view->RequestResize(width, height);
}

bool IPlugVST3::IsOffline() const { return processSetup.processMode == kOffline; }

int IPlugVST3::SamplePosition() const
{
  return TruncateToInt32(static_cast<double>(mTransport.projectTimeSamples));
}

double IPlugVST3::Tempo() const { return mTransport.tempo; }

void IPlugVST3::TimeSignature(int& numerator, int& denominator) const
{
  numerator = mTransport.timeSigNumerator;
  denominator = mTransport.timeSigDenominator;
}

void IPlugVST3::TransportInfo(ITimeInfo& info) const
{
  info.tempo = mTransport.tempo;
  info.samplePos = static_cast<double>(mTransport.projectTimeSamples);
  info.ppqPos = mTransport.projectTimeMusic;
  info.lastBar = mTransport.barPositionMusic;
  info.cycleStart = mTransport.cycleStartMusic;
  info.cycleEnd = mTransport.cycleEndMusic;
  info.numerator = mTransport.timeSigNumerator;
  info.denominator = mTransport.timeSigDenominator;
  info.transportIsRunning = (mTransport.state & ProcessContext::kPlaying) != 0;
  info.transportLoopEnabled = (mTransport.state & ProcessContext::kCycleActive) != 0;
}
