// IPlugVST3: the audio thread's entry, process().
//
// Runs under the instance mutex. Allocates nothing: every pointer array it fills was sized at
// construction or in setupProcessing.
#include "framework/Truncate.h"
#include "graphics/IGraphics.h"
#include "vst3/HostParamIds.h"
#include "vst3/IPlugVST3.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API IPlugVST3::process(ProcessData& data)
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  if (data.processContext) mTransport = *data.processContext;
  ApplyParameterChanges(data.inputParameterChanges);

  if (data.numSamples < 0) return kInvalidArgument;
  const int nFrames = data.numSamples;
  const int maxBlock = MaxBlockSize();
  // No set-up yet: no scratch to widen into or to process disconnected channels into. The
  // host has chosen no sample size either, so its buffers are taken as it describes them.
  if (maxBlock < 1 && nFrames > 0)
  {
    if (data.symbolicSampleSize == kSample32 || data.symbolicSampleSize == kSample64)
      SilenceHostOutputs(data, data.symbolicSampleSize == kSample64);
    return kNotInitialized;
  }

  // The buffers are laid out in the size the host gives here; reading them in the size set
  // up before would run past their ends. A call without frames touches no sample.
  if (nFrames > 0 && data.symbolicSampleSize != processSetup.symbolicSampleSize)
    return kInvalidArgument;
  const bool is64 = processSetup.symbolicSampleSize == kSample64;

  // Blocks longer than the announced maximum run in pieces the scratch buffers can hold.
  // The chain works sample by sample and its per-block constants depend only on the rate,
  // so the pieces give the same samples as one long block would. A 0-frame call still runs
  // the block hook once: hosts use it to deliver parameter changes.
  int offset = 0;
  do {
    const int n = std::min(nFrames - offset, maxBlock);
    ProcessChunk(data, offset, n, is64);
    offset += n;
  } while (offset < nFrames);
  return kResultOk;
}

void IPlugVST3::ApplyParameterChanges(IParameterChanges* changes)
{
  if (!changes) return;
  const int32 nQueues = changes->getParameterCount();
  for (int32 q = 0; q < nQueues; ++q)
  {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const int32 nPoints = queue->getPointCount();
    if (nPoints < 1) continue;
    // Only the last point counts, and it counts from the start of the block.
    int32 sampleOffset = 0;
    ParamValue value = 0.0;
    if (queue->getPoint(nPoints - 1, sampleOffset, value) != kResultOk) continue;
    // A non-number says nothing about where the value should go.
    if (std::isnan(value)) continue;

    const ParamID id = queue->getParameterId();
    if (id == kBypassParamId)
    {
      SetBypassedFromHost(value > 0.5);
    }
    else if (id == kPresetParamId)
    {
      LoadPreset(TruncateToInt32(value * PresetCount()));
    }
    else if (id < static_cast<ParamID>(ParamCount()))
    {
      const int index = static_cast<int>(id);
      Param(index)->ApplyNormalized(value);
      if (IGraphics* graphics = GetGUI()) graphics->PushNormalizedToControls(index, value);
      ParamChanged(index);
    }
  }
}

bool IPlugVST3::OutputBusActive(int bus) const
{
  // A bus the component does not have (none before initialize) is not processed into.
  if (bus < 0 || bus >= static_cast<int>(audioOutputs.size()) || !audioOutputs[bus]) return false;
  return audioOutputs[bus]->isActive();
}

void IPlugVST3::ProcessChunk(ProcessData& data, int offset, int nFrames, bool is64)
{
  if (!is64 || !AttachPlainChunk64(data, offset))
  {
    AttachInputChunk(data, offset, nFrames, is64);
    AttachOutputChunk(data, offset, is64);
  }
  if (IsBypassed())
    PassThrough(nFrames);
  else
    ProcessBlock(InputPointers(), OutputPointers(), nFrames);
  if (!is64) ConvertOutputs32(nFrames);
}

bool IPlugVST3::AttachPlainChunk64(ProcessData& data, int offset)
{
  const int nIn = InputChannelCount();
  const int nOut = OutputChannelCount();
  if (data.numInputs < 1 || !data.inputs || data.numOutputs < 1 || !data.outputs) return false;
  const AudioBusBuffers& in = data.inputs[0];
  const AudioBusBuffers& out = data.outputs[0];
  if (in.numChannels != nIn || out.numChannels != nOut || !in.channelBuffers64 ||
      !out.channelBuffers64 || !OutputBusActive(0))
    return false;
  for (int c = 0; c < nIn; ++c)
    if (!in.channelBuffers64[c]) return false;
  for (int c = 0; c < nOut; ++c)
    if (!out.channelBuffers64[c]) return false;
  ConnectInputs(0, nIn, true);
  ConnectOutputs(0, nOut, true);
  double** sources = InputPointers();
  double** destinations = OutputPointers();
  for (int c = 0; c < nIn; ++c) sources[c] = in.channelBuffers64[c] + offset;
  for (int c = 0; c < nOut; ++c) destinations[c] = out.channelBuffers64[c] + offset;
  return true;
}

void IPlugVST3::AttachInputChunk(ProcessData& data, int offset, int nFrames, bool is64)
{
  const int nIn = InputChannelCount();
  const AudioBusBuffers* bus = data.numInputs > 0 && data.inputs ? &data.inputs[0] : nullptr;
  const int fed = bus ? std::clamp(static_cast<int>(bus->numChannels), 0, nIn) : 0;

  ConnectInputs(0, fed, true);
  ConnectInputs(fed, nIn - fed, false);
  if (is64)
  {
    for (int c = 0; c < fed; ++c)
    {
      double* host = bus->channelBuffers64 ? bus->channelBuffers64[c] : nullptr;
      mChunk64[c] = host ? host + offset : mSilence.data();
    }
    AttachInputs64(0, nIn, mChunk64.data());
  }
  else
  {
    for (int c = 0; c < fed; ++c)
    {
      float* host = bus->channelBuffers32 ? bus->channelBuffers32[c] : nullptr;
      mChunk32[c] = host ? host + offset : nullptr; // a missing buffer widens to silence
    }
    AttachInputs32(0, nIn, mChunk32.data(), nFrames);
  }
  // A channel the host does not feed reads silence, not whatever its scratch last held: the
  // stereo-linked detector would otherwise follow a stale block after a stereo-to-mono switch.
  double** sources = InputPointers();
  for (int c = fed; c < nIn; ++c) sources[c] = mSilence.data();
}

void IPlugVST3::AttachOutputChunk(ProcessData& data, int offset, bool is64)
{
  const int nOut = OutputChannelCount();
  const int nBuses = data.outputs ? std::max(0, static_cast<int>(data.numOutputs)) : 0;
  // Channels no bus claims process into their scratch buffers.
  ConnectOutputs(0, nOut, false);

  int k = 0;
  for (int b = 0; b < nBuses && k < nOut; ++b)
  {
    const AudioBusBuffers& bus = data.outputs[b];
    const int c = std::clamp(static_cast<int>(bus.numChannels), 0, nOut - k);
    ConnectOutputs(k, c, OutputBusActive(b));
    ConnectOutputs(k + c, nOut - (k + c), false);
    if (is64)
    {
      for (int j = 0; j < c; ++j)
      {
        double* host = bus.channelBuffers64 ? bus.channelBuffers64[j] : nullptr;
        mChunk64[j] = host ? host + offset : nullptr;
      }
      AttachOutputs64(k, c, mChunk64.data());
    }
    else
    {
      for (int j = 0; j < c; ++j)
      {
        float* host = bus.channelBuffers32 ? bus.channelBuffers32[j] : nullptr;
        mChunk32[j] = host ? host + offset : nullptr;
      }
      AttachOutputs32(k, c, mChunk32.data());
    }
    k += c;
  }
}

void IPlugVST3::SilenceHostOutputs(ProcessData& data, bool is64)
{
  if (!data.outputs) return;
  const size_t frames = static_cast<size_t>(std::max(0, static_cast<int>(data.numSamples)));
  for (int32 b = 0; b < data.numOutputs; ++b)
  {
    const AudioBusBuffers& bus = data.outputs[b];
    if (!OutputBusActive(b) || !bus.channelBuffers32) continue;
    for (int32 c = 0; c < bus.numChannels; ++c)
    {
      if (is64)
      {
        if (double* dst = bus.channelBuffers64[c]) std::fill(dst, dst + frames, 0.0);
      }
      else
      {
        if (float* dst = bus.channelBuffers32[c]) std::fill(dst, dst + frames, 0.0f);
      }
    }
  }
}
