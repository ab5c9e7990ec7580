// ns per stereo frame of the literal reference chain, for comparison in the same run.
#include "ChainBenchSupport.h"
#include "reference/LiteralKORUChain.h"

namespace
{
void Literal(benchmark::State& state, chainbench::Case which)
{
  LiteralKORUChain chain;
  chain.SetSampleRate(chainbench::kSampleRate);
  chainbench::Run(state, chain, which);
}
} // namespace

BENCHMARK_CAPTURE(Literal, Defaults, chainbench::Case::kDefaults);
BENCHMARK_CAPTURE(Literal, Compressor48, chainbench::Case::kCompressor48);
BENCHMARK_CAPTURE(Literal, AllMoving, chainbench::Case::kAllMoving);
