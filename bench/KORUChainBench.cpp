// ns per stereo frame of the shipped KORU chain, called directly through ProcessBlock, on each
// vector path (on a processor that lacks a path, the widest it has runs instead).
#include "ChainBenchSupport.h"
#include "effect/KORU.h"

#include <memory>
#include <string>

namespace
{
struct ShippedChain
{
  std::unique_ptr<KORU> plug = std::make_unique<KORU>();

  explicit ShippedChain(VectorIsa isa)
  {
    plug->LimitVectorIsa(isa);
    plug->SetSampleRate(chainbench::kSampleRate);
    plug->SetMaxBlockSize(chainbench::kMaxBlockFrames);
  }
  double AutomationValue(int, double plain) const { return plain; }
  void Automate(int index, double plain)
  {
    plug->Param(index)->ClampSet(plain);
    plug->ParamChanged(index);
  }
  void ProcessBlock(double** inputs, double** outputs, int frames)
  {
    plug->ProcessBlock(inputs, outputs, frames);
  }
};

void Shipped(benchmark::State& state, VectorIsa isa, chainbench::Case which)
{
  ShippedChain chain(isa);
  chainbench::Run<double>(state, chain, which);
}

const bool kRegistered = []
{
  for (VectorIsa isa : {VectorIsa::kAvx512, VectorIsa::kAvx, VectorIsa::kSse2})
    for (chainbench::Case which : chainbench::kCases)
    {
      const std::string name =
          std::string("Chain/") + VectorIsaName(isa) + "/" + chainbench::CaseName(which);
      benchmark::RegisterBenchmark(name.c_str(), Shipped, isa, which)
          ->Apply(chainbench::BlockSizes);
    }
  return true;
}();
} // namespace
