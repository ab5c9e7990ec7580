#pragma once

#include "harness/ComponentHandler.h"
#include "harness/HostApplication.h"
#include "harness/ModuleLoader.h"
#include "harness/ParameterChanges.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <cstdint>
#include <string>
#include <vector>

// One KORU instance hosted the way a DAW hosts it: the bundle loaded through its entry
// points, the class created by the factory, the component, processor and controller taken
// from that one object, and the calls in a host's order. Single-threaded: the caller's
// thread is both the host's user-interface and audio thread. Every failing step answers
// false with Error() saying what went wrong; nothing throws.
class HostedEffect
{
public:
  struct Parameter
  {
    Steinberg::Vst::ParamID id = 0;
    std::string title;
    std::string units;
    double minPlain = 0.0; // plain value at normalised 0
    double maxPlain = 1.0; // plain value at normalised 1
  };

  static constexpr Steinberg::Vst::ParamID kBypassId = 0x62706173; // "bpas"

  explicit HostedEffect(const std::string& hostName);
  ~HostedEffect();
  HostedEffect(const HostedEffect&) = delete;
  HostedEffect& operator=(const HostedEffect&) = delete;

  // Loads the bundle, creates the KORU class and initialises it with the host context.
  bool Open(const std::string& bundlePath);
  // The parameters as the controller lists them, in its order.
  const std::vector<Parameter>& Parameters() const { return mParameters; }
  const Parameter* FindParameter(const std::string& title) const;
  double PlainToNormalized(Steinberg::Vst::ParamID id, double plain);
  double NormalizedToPlain(Steinberg::Vst::ParamID id, double normalized);

  // Keeps the instance to at most the named vector path ("SSE2", "AVX" or "AVX512", any case)
  // through KORU's own interface for it; call before Start.
  bool LimitVectorPath(const std::string& name);
  // Bus arrangement for the channel count (1 or 2, the same in and out), offline set-up at
  // the rate and block size, activation, processing on.
  bool Start(int channels, int sampleSize, int maxBlock, double sampleRate);
  // The controller's state stream: its size now (the size setState expects), its bytes,
  // and a load.
  bool SaveState(std::vector<std::uint8_t>& bytes);
  bool LoadState(const std::vector<std::uint8_t>& bytes);
  // A change the next Process call delivers, at sample offset 0. Queues for one id are
  // delivered in the order given, so the last one wins.
  void QueueChange(Steinberg::Vst::ParamID id, double normalized);
  // One block in the sample size given to Start: frames samples per channel from inputs
  // into outputs (float** for 32-bit, double** for 64-bit).
  bool Process(void** inputs, void** outputs, int frames);
  // Processing off, deactivation. Harmless when not started.
  void Stop();

  const std::string& Error() const { return mError; }

private:
  bool Fail(const std::string& message);
  void Close();
  bool ReadParameters();

  harness::ModuleLoader mLoader;
  harness::HostApplication mHost;
  harness::ComponentHandler mHandler;
  harness::ParameterChanges mChanges;
  harness::ParameterChanges mNoChanges;
  bool mChangesPending = false;
  Steinberg::Vst::IComponent* mComponent = nullptr;
  Steinberg::Vst::IAudioProcessor* mProcessor = nullptr;
  Steinberg::Vst::IEditController* mController = nullptr;
  bool mInitialized = false;
  bool mActive = false;
  bool mProcessing = false;
  int mChannels = 0;
  Steinberg::int32 mSampleSize = Steinberg::Vst::kSample64;
  Steinberg::Vst::ProcessContext mContext{};
  std::vector<Parameter> mParameters;
  std::string mError;
};
