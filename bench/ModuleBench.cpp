// ns per stereo frame of KORU through the module, as a host runs it: the bundle loaded
// through its entry points, the effect created by the factory, set up for 64-bit samples at
// 48 kHz in 512-frame blocks, and every block one process call. The same three cases as the
// chain benchmark; in the moving case each control's new value reaches the effect through
// the block's parameter queues, converted from plain by the controller as a host's
// automation lane would be.
#include "ChainBenchSupport.h"

#include "harness/HostApplication.h"
#include "harness/ModuleLoader.h"
#include "harness/ParameterChanges.h"
#include "vst3/KoruClassId.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <stdexcept>
#include <string>

namespace
{
using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kEffectParams = 9;

class ModuleChain
{
public:
  ModuleChain()
  {
    if (!mLoader.Load(KORU_BUNDLE_PATH)) throw std::runtime_error(mLoader.Error());
    void* object = nullptr;
    if (mLoader.Factory()->createInstance(reinterpret_cast<FIDString>(KoruClassId::kBytes),
                                          IComponent::iid, &object) != kResultOk)
      throw std::runtime_error("the factory did not create KORU");
    mComponent = static_cast<IComponent*>(object);
    mComponent->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&mProcessor));
    mComponent->queryInterface(IEditController::iid, reinterpret_cast<void**>(&mController));
    if (!mProcessor || !mController || mComponent->initialize(&mHost) != kResultOk)
      throw std::runtime_error("KORU did not initialise");
    mComponent->activateBus(kAudio, kInput, 0, true);
    mComponent->activateBus(kAudio, kOutput, 0, true);
    SpeakerArrangement in = SpeakerArr::kStereo, out = SpeakerArr::kStereo;
    mProcessor->setBusArrangements(&in, 1, &out, 1);
    ProcessSetup setup{kRealtime, kSample64, chainbench::kBlockFrames, chainbench::kSampleRate};
    if (mProcessor->setupProcessing(setup) != kResultOk || mComponent->setActive(true) != kResultOk)
      throw std::runtime_error("KORU did not set up");
    mProcessor->setProcessing(true);

    // One queue per parameter, made before timing; a block's changes refill them in place.
    for (int i = 0; i < kEffectParams; ++i) mQueues[i] = &mChanges.AddQueue(static_cast<ParamID>(i));

    mInput.numChannels = 2;
    mOutput.numChannels = 2;
    mData.processMode = kRealtime;
    mData.symbolicSampleSize = kSample64;
    mData.numInputs = 1;
    mData.numOutputs = 1;
    mData.inputs = &mInput;
    mData.outputs = &mOutput;
  }

  ~ModuleChain()
  {
    mProcessor->setProcessing(false);
    mComponent->setActive(false);
    mComponent->terminate();
    mController->release();
    mProcessor->release();
    mComponent->release();
  }

  ModuleChain(const ModuleChain&) = delete;
  ModuleChain& operator=(const ModuleChain&) = delete;

  // Delivered with the next block, at its start.
  void SetParam(int index, double plain)
  {
    mQueues[index]->Clear();
    mQueues[index]->Add(0, mController->plainParamToNormalized(static_cast<ParamID>(index), plain));
    mPending = true;
  }

  void ProcessBlock(double** inputs, double** outputs, int frames)
  {
    mInput.channelBuffers64 = inputs;
    mOutput.channelBuffers64 = outputs;
    mData.numSamples = frames;
    mData.inputParameterChanges = mPending ? &mChanges : &mNoChanges;
    mProcessor->process(mData);
    if (mPending)
    {
      for (harness::ParamValueQueue* queue : mQueues) queue->Clear();
      mPending = false;
    }
  }

private:
  harness::ModuleLoader mLoader;
  harness::HostApplication mHost{"koru-bench"};
  IComponent* mComponent = nullptr;
  IAudioProcessor* mProcessor = nullptr;
  IEditController* mController = nullptr;
  harness::ParameterChanges mChanges;
  harness::ParameterChanges mNoChanges;
  harness::ParamValueQueue* mQueues[kEffectParams] = {};
  bool mPending = false;
  AudioBusBuffers mInput{};
  AudioBusBuffers mOutput{};
  ProcessData mData{};
};

void Module(benchmark::State& state, chainbench::Case which)
{
  try
  {
    ModuleChain chain;
    chainbench::Run(state, chain, which);
  }
  catch (const std::exception& e)
  {
    state.SkipWithError(e.what());
  }
}
} // namespace

BENCHMARK_CAPTURE(Module, Defaults, chainbench::Case::kDefaults);
BENCHMARK_CAPTURE(Module, Compressor48, chainbench::Case::kCompressor48);
BENCHMARK_CAPTURE(Module, AllMoving, chainbench::Case::kAllMoving);
