#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Steinberg
{
namespace Vst
{

// One object that is audio component, audio processor and edit controller at once: the
// host creates a single instance and queries every interface from it. Holds the bus lists,
// the parameter container (inherited from the controller), the processing set-up the host
// last stored and the host context.
//
// Threads. Everything but process() runs on the host's user-interface thread (or wherever
// the host calls the set-up methods while processing is stopped); process() runs on the
// audio thread. Nothing here takes a lock; a derived class that needs one brings its own.
// Reference counting is the FObject count of the controller base: the last release deletes.
//
// Derived classes override initialize (call this one first), setBusArrangements,
// setupProcessing (call this one to store the set-up), process, setActive and the state calls.
class SingleComponentEffect : public EditControllerEx1, public IComponent, public IAudioProcessor
{
public:
  SingleComponentEffect();
  ~SingleComponentEffect() override;

  // --- IPluginBase (reached through the component, the controller or IPluginBase) ------
  // Stores the host context; kResultFalse when one is stored already.
  tresult PLUGIN_API initialize(FUnknown* context) SMTG_OVERRIDE;
  // Drops parameters and buses, then the host context and the component handler.
  tresult PLUGIN_API terminate() SMTG_OVERRIDE;

  // --- IComponent --------------------------------------------------------------------
  tresult PLUGIN_API getControllerClassId(TUID classId) SMTG_OVERRIDE;
  tresult PLUGIN_API setIoMode(IoMode mode) SMTG_OVERRIDE;
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) SMTG_OVERRIDE;
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                BusInfo& info) SMTG_OVERRIDE;
  tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) SMTG_OVERRIDE;
  tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index,
                                 TBool state) SMTG_OVERRIDE;
  tresult PLUGIN_API setActive(TBool state) SMTG_OVERRIDE;
  // One body serves both the component's and the controller's state call: the two
  // interfaces declare the same signature, so a single override answers for both.
  tresult PLUGIN_API setState(IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API getState(IBStream* state) SMTG_OVERRIDE;

  // --- Bus set-up (user-interface thread, normally from initialize) --------------------
  // The new bus belongs to its list; the pointer stays valid until the list is cleared.
  AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  tresult removeAudioBusses();
  tresult removeEventBusses();
  tresult removeAllBusses();

  // --- IAudioProcessor ---------------------------------------------------------------
  // Default: applies the requested arrangements to the existing audio buses in order;
  // kResultFalse when more are requested than there are buses.
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                        SpeakerArrangement* outputs, int32 numOuts) SMTG_OVERRIDE;
  tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                       SpeakerArrangement& arr) SMTG_OVERRIDE;
  // Default: 32-bit samples only.
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) SMTG_OVERRIDE;
  uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
  // Stores the set-up when canProcessSampleSize accepts its sample size.
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) SMTG_OVERRIDE;
  tresult PLUGIN_API setProcessing(TBool state) SMTG_OVERRIDE;
  tresult PLUGIN_API process(ProcessData& data) SMTG_OVERRIDE;
  uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE;

  // --- FUnknown ----------------------------------------------------------------------
  OBJ_METHODS(SingleComponentEffect, EditControllerEx1)
  // IComponent and IAudioProcessor here; IUnitInfo, IEditController(2), IPluginBase,
  // IConnectionPoint, IDependent and FUnknown through the controller bases.
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
  REFCOUNT_METHODS(EditControllerEx1)

protected:
  // nullptr for a media type other than audio and event.
  BusList* getBusList(MediaType type, BusDirection dir);

  // Initially: real-time mode, 32-bit samples, 1024 samples per block, 44100 Hz.
  ProcessSetup processSetup;

  BusList audioInputs;
  BusList audioOutputs;
  BusList eventInputs;
  BusList eventOutputs;
};

} // namespace Vst
} // namespace Steinberg
