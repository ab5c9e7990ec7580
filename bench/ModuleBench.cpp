// ns per stereo frame of KORU through the module, on the path koru-render takes: the bundle
// loaded through its entry points, the effect created by the factory and hosted as a DAW
// hosts it (HostedEffect), 64-bit samples at 48 kHz in 512-frame blocks, every block one
// process call. The same three cases as the chain benchmark; in the moving case each
// control's new value reaches the effect through the block's parameter queues, converted
// from plain by the controller as a host's automation lane would be.
#include "ChainBenchSupport.h"
#include "HostedEffect.h"

#include <stdexcept>

namespace
{
class ModuleChain
{
public:
  ModuleChain() : mEffect("koru-bench")
  {
    if (!mEffect.Open(KORU_BUNDLE_PATH) ||
        !mEffect.Start(2, Steinberg::Vst::kSample64, chainbench::kBlockFrames,
                       chainbench::kSampleRate))
      throw std::runtime_error(mEffect.Error());
  }

  // Delivered with the next block, at its start.
  void SetParam(int index, double plain)
  {
    const auto id = static_cast<Steinberg::Vst::ParamID>(index);
    mEffect.QueueChange(id, mEffect.PlainToNormalized(id, plain));
  }

  void ProcessBlock(double** inputs, double** outputs, int frames)
  {
    mEffect.Process(reinterpret_cast<void**>(inputs), reinterpret_cast<void**>(outputs), frames);
  }

private:
  HostedEffect mEffect;
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
