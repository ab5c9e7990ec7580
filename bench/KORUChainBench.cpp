// ns per stereo frame of the shipped KORU chain, called directly through ProcessBlock.
#include "ChainBenchSupport.h"

#include "effect/KORU.h"

#include <memory>

namespace
{
struct ShippedChain
{
  std::unique_ptr<KORU> plug = std::make_unique<KORU>();

  ShippedChain()
  {
    plug->SetSampleRate(chainbench::kSampleRate);
    plug->SetMaxBlockSize(chainbench::kBlockFrames);
  }
  void SetParam(int index, double plain)
  {
    plug->Param(index)->ClampSet(plain);
    plug->ParamChanged(index);
  }
  void ProcessBlock(double** inputs, double** outputs, int frames)
  {
    plug->ProcessBlock(inputs, outputs, frames);
  }
};

void Shipped(benchmark::State& state, chainbench::Case which)
{
  ShippedChain chain;
  chainbench::Run(state, chain, which);
}
} // namespace

BENCHMARK_CAPTURE(Shipped, Defaults, chainbench::Case::kDefaults);
BENCHMARK_CAPTURE(Shipped, Compressor48, chainbench::Case::kCompressor48);
BENCHMARK_CAPTURE(Shipped, AllMoving, chainbench::Case::kAllMoving);
