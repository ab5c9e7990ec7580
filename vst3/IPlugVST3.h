#pragma once

#include "framework/IPlugBase.h"
#include "vst3/SingleComponentEffect.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <atomic>
#include <vector>

class IPlugVST3View;

// The VST3 binding of IPlugBase: one object that is the host's audio component, audio
// processor, edit controller and unit-information provider at once. The effect derives from
// it and overrides only the framework's hooks.
//
// Threads and lock.
// - process() runs on the host's audio thread and holds the instance mutex for the whole call;
//   parameter hooks, preset and state loading take it again on the same thread.
// - Everything else runs on the host's user-interface thread. getState/setState hold the mutex.
//   initialize, terminate, setBusArrangements, setupProcessing and activateBus take it too,
//   because they move the buffers and buses process() reads: a host that calls them while
//   processing waits instead of pulling memory from under the audio thread.
// - The value conversions and setParamNormalized take no lock: setParamNormalized writes the
//   record's double directly and the value takes effect at its next use.
// Nothing here throws across a host call.
class IPlugVST3 : public IPlugBase, public Steinberg::Vst::SingleComponentEffect
{
public:
  using ParamID = Steinberg::Vst::ParamID;
  using ParamValue = Steinberg::Vst::ParamValue;
  using String128 = Steinberg::Vst::String128;
  using tresult = Steinberg::tresult;

  // The IPlugBase arguments. Connects every channel and names the buses "Main Input" and
  // "Output".
  IPlugVST3(int nParams, const char* channelIOText, int nPresets, const char* effectName,
            const char* productName, const char* makerName, int32_t version, int32_t uniqueId,
            int32_t makerId, int latency, bool doesMidi, bool isInstrument, int apiKind);
  ~IPlugVST3() override;

  // --- IPluginBase (the same body for the component, the controller and IPluginBase) ----
  // Identifies the host, then on the first call builds the buses and the host-visible
  // parameters; loads preset 0 on every call. A repeated call without terminate answers
  // kResultFalse.
  tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
  tresult PLUGIN_API terminate() SMTG_OVERRIDE;

  // --- IComponent ------------------------------------------------------------------------
  tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
  tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                 Steinberg::int32 index, Steinberg::TBool state) SMTG_OVERRIDE;

  // --- IAudioProcessor -------------------------------------------------------------------
  tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                        Steinberg::int32 numIns,
                                        Steinberg::Vst::SpeakerArrangement* outputs,
                                        Steinberg::int32 numOuts) SMTG_OVERRIDE;
  tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
  tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
  tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE;

  // --- IEditController -------------------------------------------------------------------
  tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  // kResultFalse for an index outside 0 .. count - 1.
  tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                      Steinberg::Vst::ParameterInfo& info) SMTG_OVERRIDE;
  // The host state stream: one little-endian double per parameter, then a 32-bit bypass
  // flag. The component's own state call shares these bodies (both interfaces declare the
  // same signature).
  tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue normalized,
                                           String128 string) SMTG_OVERRIDE;
  ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plain) SMTG_OVERRIDE;
  ParamValue PLUGIN_API getParamNormalized(ParamID id) SMTG_OVERRIDE;
  tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue normalized) SMTG_OVERRIDE;
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) SMTG_OVERRIDE;

  // --- IEditController2 ------------------------------------------------------------------
  tresult PLUGIN_API setKnobMode(Steinberg::Vst::KnobMode mode) SMTG_OVERRIDE;
  tresult PLUGIN_API openHelp(Steinberg::TBool onlyCheck) SMTG_OVERRIDE;
  tresult PLUGIN_API openAboutBox(Steinberg::TBool onlyCheck) SMTG_OVERRIDE;

  // --- IUnitInfo: the root unit, one unit per parameter group, one program list ----------
  Steinberg::int32 PLUGIN_API getUnitCount() SMTG_OVERRIDE;
  tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                 Steinberg::Vst::UnitInfo& info) SMTG_OVERRIDE;
  Steinberg::int32 PLUGIN_API getProgramListCount() SMTG_OVERRIDE;
  tresult PLUGIN_API getProgramListInfo(Steinberg::int32 listIndex,
                                        Steinberg::Vst::ProgramListInfo& info) SMTG_OVERRIDE;
  tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                    Steinberg::int32 programIndex, String128 name) SMTG_OVERRIDE;
  tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                    Steinberg::int32 programIndex,
                                    Steinberg::Vst::CString attributeId,
                                    String128 attributeValue) SMTG_OVERRIDE;
  tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                          Steinberg::int32 programIndex) SMTG_OVERRIDE;
  tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                         Steinberg::int32 programIndex, Steinberg::int16 midiPitch,
                                         String128 name) SMTG_OVERRIDE;
  Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() SMTG_OVERRIDE;
  tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) SMTG_OVERRIDE;
  tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                  Steinberg::int32 busIndex, Steinberg::int32 channel,
                                  Steinberg::Vst::UnitID& unitId) SMTG_OVERRIDE;
  tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                        Steinberg::int32 programIndex,
                                        Steinberg::IBStream* data) SMTG_OVERRIDE;

  // --- Framework hooks that talk to the host ---------------------------------------------
  void ShowHostParamMenu(int index, int x, int y) override;
  // Edit notifications to the host's component handler (no-ops without one).
  void BeginHostEdit(int index) override;
  void PerformHostEdit(int index, double normalized) override;
  void EndHostEdit(int index) override;
  // Transport, from the last context the host passed to process().
  bool IsOffline() const override;
  int SamplePosition() const override;
  double Tempo() const override;
  void TimeSignature(int& numerator, int& denominator) const override;
  void TransportInfo(ITimeInfo& info) const override;
  void SetLatencySamples(int samples) override;
  // Asks the host, through the editor view's frame, to resize it.
  void ResizeEditor(int width, int height) override;

  // --- Views (user-interface thread) -------------------------------------------------------
  const std::vector<IPlugVST3View*>& Views() const { return mViews; }
  // A view going away leaves the list; the others stay (a host may open the next view before
  // it releases the last one).
  void RemoveView(IPlugVST3View* view);
  // The view whose window shows the editor now; the first view when none does (a host may ask
  // for the menu or a resize before it attaches); null without views.
  IPlugVST3View* EditorView() const;

  OBJ_METHODS(IPlugVST3, SingleComponentEffect)

private:
  void SetBypassedFromHost(bool bypassed);
  void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
  // One run of the block hook over frames [offset, offset + nFrames) of the host's buffers;
  // nFrames is at most MaxBlockSize() (or 0).
  void ProcessChunk(Steinberg::Vst::ProcessData& data, int offset, int nFrames, bool is64);
  // The usual layout in a few stores: 64-bit samples, with the first input bus and the first
  // output bus (active) carrying every channel, each with its buffer. Connects and attaches as
  // the two calls below would; answers false, having changed nothing, for any other layout.
  bool AttachPlainChunk64(Steinberg::Vst::ProcessData& data, int offset);
  void AttachInputChunk(Steinberg::Vst::ProcessData& data, int offset, int nFrames, bool is64);
  void AttachOutputChunk(Steinberg::Vst::ProcessData& data, int offset, bool is64);
  bool OutputBusActive(int bus) const;
  void SilenceHostOutputs(Steinberg::Vst::ProcessData& data, bool is64);

  int mSideChainChannels = 0;
  bool mSideChainActive = false;
  Steinberg::Vst::ProcessContext mTransport{};
  // The views the host opened; not owned.
  std::vector<IPlugVST3View*> mViews;

  // The buses and host parameters exist (initialize ran, terminate did not).
  bool mHostObjectsBuilt = false;
  // The bypass flag as the user-interface thread reads it; written with the framework's.
  std::atomic<bool> mBypassForHost{false};
  // Zeros for input channels the host does not feed; MaxBlockSize() frames.
  std::vector<double> mSilence;
  // Per-chunk host pointers, sized at construction so process() allocates nothing.
  std::vector<float*> mChunk32;
  std::vector<double*> mChunk64;
};
