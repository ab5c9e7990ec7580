#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <functional>
#include <vector>

namespace harness
{

// The audio half of a host's process call: buses of 32-bit or 64-bit channel buffers and
// the ProcessData that points at them. Any bus layout (mono, stereo, several buses, none);
// outputs either in their own memory or in place (output channel c of bus b shares the
// memory of input channel c of bus b where that exists). Values are read and written as
// doubles whatever the sample size; 32-bit storage rounds on the way in.
//
// The edge cases hosts produce: 0 frames, a bus whose channel pointers are null (an
// inactive bus), no buses at all, and parameter changes or a process context attached.
class ProcessBuffers
{
public:
  enum class Memory
  {
    kSeparate,
    kInPlace
  };

  // sampleSize: Steinberg::Vst::kSample32 or kSample64. Every channel holds maxFrames
  // samples, initially 0; the block length starts at maxFrames.
  ProcessBuffers(Steinberg::int32 sampleSize, std::vector<Steinberg::int32> inputBusChannels,
                 std::vector<Steinberg::int32> outputBusChannels, Steinberg::int32 maxFrames,
                 Memory memory = Memory::kSeparate);
  ProcessBuffers(const ProcessBuffers&) = delete;
  ProcessBuffers& operator=(const ProcessBuffers&) = delete;

  // Shorthand: one input bus and one output bus.
  static ProcessBuffers Single(Steinberg::int32 sampleSize, Steinberg::int32 inChannels,
                               Steinberg::int32 outChannels, Steinberg::int32 maxFrames,
                               Memory memory = Memory::kSeparate);
  ProcessBuffers(ProcessBuffers&&) = default;

  // The ProcessData to hand to process; stays valid while this object lives.
  Steinberg::Vst::ProcessData& Data() { return mData; }

  void SetFrames(Steinberg::int32 frames) { mData.numSamples = frames; }
  Steinberg::int32 Frames() const { return mData.numSamples; }
  Steinberg::int32 MaxFrames() const { return mMaxFrames; }
  bool Is64() const { return mSampleSize == Steinberg::Vst::kSample64; }
  bool InPlace() const { return mMemory == Memory::kInPlace; }

  void SetInput(int bus, int channel, int frame, double value);
  double Input(int bus, int channel, int frame) const;
  void SetOutput(int bus, int channel, int frame, double value);
  double Output(int bus, int channel, int frame) const;
  // fn(channel, frame) for every channel of the bus over all maxFrames samples.
  void FillInput(int bus, const std::function<double(int, int)>& fn);
  void FillInputs(double value);
  // Outputs preset to a marker, so untouched samples can be recognised afterwards. In
  // place this writes the shared input memory too.
  void FillOutputs(double value);

  // The host's pointer for one channel (float* or double*), as process sees it.
  void* ChannelPointer(Steinberg::Vst::BusDirection dir, int bus, int channel) const;
  // Channel pointers of one bus become null (the channel count stays); RestorePointers
  // undoes it for every bus.
  void NullBuffers(Steinberg::Vst::BusDirection dir, int bus);
  void RestorePointers();
  // The host announces no buses at all in one direction (count 0, array null).
  void DropBuses(Steinberg::Vst::BusDirection dir);

  void SetInputParameterChanges(Steinberg::Vst::IParameterChanges* changes)
  {
    mData.inputParameterChanges = changes;
  }
  void SetProcessContext(Steinberg::Vst::ProcessContext* context)
  {
    mData.processContext = context;
  }

private:
  struct Bus
  {
    std::vector<std::vector<float>> samples32;
    std::vector<std::vector<double>> samples64;
    std::vector<void*> storage;  // where each channel's samples live (float* or double*)
    std::vector<void*> pointers; // what the host hands out: storage, or null
  };

  double Read(const Bus& bus, int channel, int frame) const;
  void Write(Bus& bus, int channel, int frame, double value);
  void Wire();

  Steinberg::int32 mSampleSize;
  Steinberg::int32 mMaxFrames;
  Memory mMemory;
  std::vector<Bus> mInputs;
  std::vector<Bus> mOutputs;
  std::vector<Steinberg::Vst::AudioBusBuffers> mInputBuffers;
  std::vector<Steinberg::Vst::AudioBusBuffers> mOutputBuffers;
  Steinberg::Vst::ProcessData mData;
};

} // namespace harness
