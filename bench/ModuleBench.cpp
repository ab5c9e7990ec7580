// ns per stereo frame of KORU through the module, on the path koru-render takes: the bundle
// loaded through its entry points, the effect created by the factory and hosted as a DAW
// hosts it (HostedEffect), 64-bit and 32-bit samples at 48 kHz, every block one process call.
// The same cases, paths and block sizes as the chain benchmark; each instance is kept to its
// path through KORU's own interface for it (IVectorPathLimit). In the moving case each
// control's new value reaches the effect through the block's parameter queues, normalised by the
// controller before the timing starts, as a host's automation lane holds it.
#include "ChainBenchSupport.h"
#include "HostedChain.h"
#include "effect/VectorIsa.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace
{
// One instance of the bundle, kept to its path and started.
class ModuleChain : public HostedChain
{
public:
  ModuleChain(VectorIsa isa, int sampleSize, int maxBlock) : HostedChain(mEffect)
  {
    const bool started = mEffect.Open(KORU_BUNDLE_PATH) &&
                         mEffect.LimitVectorPath(VectorIsaName(isa)) &&
                         mEffect.Start(2, sampleSize, maxBlock, chainbench::kSampleRate);
    if (!started) throw std::runtime_error(mEffect.Error());
  }

private:
  HostedEffect mEffect{"koru-bench"};
};

template <class Sample>
void Module(benchmark::State& state, VectorIsa isa, chainbench::Case which)
{
  try
  {
    const int sampleSize =
        sizeof(Sample) == 8 ? Steinberg::Vst::kSample64 : Steinberg::Vst::kSample32;
    ModuleChain chain(isa, sampleSize, static_cast<int>(state.range(0)));
    chainbench::Run<Sample>(state, chain, which);
  }
  catch (const std::exception& e)
  {
    state.SkipWithError(e.what());
  }
}

const bool kRegistered = []
{
  for (VectorIsa isa : {VectorIsa::kAvx512, VectorIsa::kAvx, VectorIsa::kSse2})
    for (chainbench::Case which : chainbench::kCases)
    {
      const std::string path = std::string("/") + VectorIsaName(isa) + "/";
      const std::string name64 = "Module64" + path + chainbench::CaseName(which);
      const std::string name32 = "Module32" + path + chainbench::CaseName(which);
      benchmark::RegisterBenchmark(name64.c_str(), Module<double>, isa, which)
          ->Apply(chainbench::BlockSizes);
      benchmark::RegisterBenchmark(name32.c_str(), Module<float>, isa, which)
          ->Apply(chainbench::BlockSizes);
    }
  return true;
}();
} // namespace
