// ns per stereo frame of the literal reference chain, for comparison in the same run.
#include "ChainBenchSupport.h"
#include "reference/LiteralKORUChain.h"

namespace
{
struct ReferenceChain
{
  LiteralKORUChain chain;
  double AutomationValue(int, double plain) const { return plain; }
  void Automate(int index, double plain) { chain.SetParam(index, plain); }
  void ProcessBlock(double** inputs, double** outputs, int frames)
  {
    chain.ProcessBlock(inputs, outputs, frames);
  }
};

void Literal(benchmark::State& state, chainbench::Case which)
{
  ReferenceChain reference;
  reference.chain.SetSampleRate(chainbench::kSampleRate);
  chainbench::Run<double>(state, reference, which);
}
} // namespace

// Frame by frame, so the block size hardly matters: one size is enough.
BENCHMARK_CAPTURE(Literal, Defaults, chainbench::Case::kDefaults)
    ->ArgName("frames")
    ->Arg(512)
    ->Apply(chainbench::Best);
BENCHMARK_CAPTURE(Literal, Compressor48, chainbench::Case::kCompressor48)
    ->ArgName("frames")
    ->Arg(512)
    ->Apply(chainbench::Best);
BENCHMARK_CAPTURE(Literal, AllMoving, chainbench::Case::kAllMoving)
    ->ArgName("frames")
    ->Arg(512)
    ->Apply(chainbench::Best);
