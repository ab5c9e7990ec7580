#pragma once

#include "HostedEffect.h"

// A hosted instance seen as the benchmarks' chain: automation values the controller normalises
// and delivers in the next block's queues at its start, as a host's automation lane holds them,
// and blocks processed through the module.
class HostedChain
{
public:
  explicit HostedChain(HostedEffect& effect) : mEffect(effect) {}

  double AutomationValue(int index, double plain)
  {
    return mEffect.PlainToNormalized(static_cast<Steinberg::Vst::ParamID>(index), plain);
  }
  void Automate(int index, double normalized)
  {
    mEffect.QueueChange(static_cast<Steinberg::Vst::ParamID>(index), normalized);
  }
  template <class Sample>
  void ProcessBlock(Sample** inputs, Sample** outputs, int frames)
  {
    mEffect.Process(reinterpret_cast<void**>(inputs), reinterpret_cast<void**>(outputs), frames);
  }

private:
  HostedEffect& mEffect;
};
