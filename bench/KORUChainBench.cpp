// ns per stereo frame of the shipped KORU chain, called directly through ProcessBlock.
#include "ChainBenchSupport.h"
#include "effect/KORU.h"

#include <memory>

namespace
{
struct ShippedChain
{
  std::unique_ptr<KORU> plug = std::make_unique<KORU>();

  explicit ShippedChain(VectorIsa isa = VectorIsa::kAvx512)
  {
    plug->LimitVectorIsa(isa);
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

// The narrower vector paths, for processors without AVX-512 (or AVX). On a processor that lacks
// them they run the widest it has.
void ShippedAvx(benchmark::State& state, chainbench::Case which)
{
  ShippedChain chain(VectorIsa::kAvx);
  chainbench::Run(state, chain, which);
}
void ShippedSse2(benchmark::State& state, chainbench::Case which)
{
  ShippedChain chain(VectorIsa::kSse2);
  chainbench::Run(state, chain, which);
}
} // namespace

BENCHMARK_CAPTURE(Shipped, Defaults, chainbench::Case::kDefaults);
BENCHMARK_CAPTURE(Shipped, Compressor48, chainbench::Case::kCompressor48);
BENCHMARK_CAPTURE(Shipped, AllMoving, chainbench::Case::kAllMoving);
BENCHMARK_CAPTURE(ShippedAvx, Defaults, chainbench::Case::kDefaults);
BENCHMARK_CAPTURE(ShippedAvx, Compressor48, chainbench::Case::kCompressor48);
BENCHMARK_CAPTURE(ShippedAvx, AllMoving, chainbench::Case::kAllMoving);
BENCHMARK_CAPTURE(ShippedSse2, Defaults, chainbench::Case::kDefaults);
BENCHMARK_CAPTURE(ShippedSse2, Compressor48, chainbench::Case::kCompressor48);
BENCHMARK_CAPTURE(ShippedSse2, AllMoving, chainbench::Case::kAllMoving);
