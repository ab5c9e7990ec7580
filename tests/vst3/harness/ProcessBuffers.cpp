#include "harness/ProcessBuffers.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

using namespace Steinberg;

namespace harness
{

ProcessBuffers::ProcessBuffers(int32 sampleSize, std::vector<int32> inputBusChannels,
                               std::vector<int32> outputBusChannels, int32 maxFrames, Memory memory)
  : mSampleSize(sampleSize)
  , mMaxFrames(maxFrames < 0 ? 0 : maxFrames)
  , mMemory(memory)
{
  const auto frames = static_cast<std::size_t>(mMaxFrames);
  auto build = [&](const std::vector<int32>& channels, std::vector<Bus>& buses)
  {
    for (int32 count : channels)
    {
      Bus bus;
      for (int32 c = 0; c < count; ++c)
      {
        if (Is64())
          bus.samples64.emplace_back(frames, 0.0);
        else
          bus.samples32.emplace_back(frames, 0.0f);
      }
      buses.push_back(std::move(bus));
    }
  };
  build(inputBusChannels, mInputs);
  build(outputBusChannels, mOutputs);

  auto point = [&](Bus& bus)
  {
    const std::size_t count = Is64() ? bus.samples64.size() : bus.samples32.size();
    for (std::size_t c = 0; c < count; ++c)
      bus.storage.push_back(Is64() ? static_cast<void*>(bus.samples64[c].data())
                                   : static_cast<void*>(bus.samples32[c].data()));
  };
  for (Bus& bus : mInputs) point(bus);
  for (std::size_t b = 0; b < mOutputs.size(); ++b)
  {
    point(mOutputs[b]);
    if (mMemory != Memory::kInPlace || b >= mInputs.size()) continue;
    for (std::size_t c = 0; c < mOutputs[b].storage.size() && c < mInputs[b].storage.size(); ++c)
      mOutputs[b].storage[c] = mInputs[b].storage[c];
  }
  Wire();

  mData.processMode = Vst::kRealtime;
  mData.symbolicSampleSize = mSampleSize;
  mData.numSamples = mMaxFrames;
}

ProcessBuffers ProcessBuffers::Single(int32 sampleSize, int32 inChannels, int32 outChannels,
                                      int32 maxFrames, Memory memory)
{
  return ProcessBuffers(sampleSize, {inChannels}, {outChannels}, maxFrames, memory);
}

void ProcessBuffers::Wire()
{
  auto wire = [](std::vector<Bus>& buses, std::vector<Vst::AudioBusBuffers>& buffers)
  {
    buffers.assign(buses.size(), Vst::AudioBusBuffers());
    for (std::size_t b = 0; b < buses.size(); ++b)
    {
      buses[b].pointers = buses[b].storage;
      buffers[b].numChannels = static_cast<int32>(buses[b].storage.size());
      buffers[b].silenceFlags = 0;
      // The union member written decides nothing: both views alias the same pointer array.
      buffers[b].channelBuffers32 = reinterpret_cast<Vst::Sample32**>(buses[b].pointers.data());
    }
  };
  wire(mInputs, mInputBuffers);
  wire(mOutputs, mOutputBuffers);
  mData.numInputs = static_cast<int32>(mInputBuffers.size());
  mData.inputs = mInputBuffers.empty() ? nullptr : mInputBuffers.data();
  mData.numOutputs = static_cast<int32>(mOutputBuffers.size());
  mData.outputs = mOutputBuffers.empty() ? nullptr : mOutputBuffers.data();
}

double ProcessBuffers::Read(const Bus& bus, int channel, int frame) const
{
  const void* memory = bus.storage.at(static_cast<std::size_t>(channel));
  if (frame < 0 || frame >= mMaxFrames) return 0.0;
  return Is64() ? static_cast<const double*>(memory)[frame]
                : static_cast<double>(static_cast<const float*>(memory)[frame]);
}

void ProcessBuffers::Write(Bus& bus, int channel, int frame, double value)
{
  void* memory = bus.storage.at(static_cast<std::size_t>(channel));
  if (frame < 0 || frame >= mMaxFrames) return;
  if (Is64())
    static_cast<double*>(memory)[frame] = value;
  else
    static_cast<float*>(memory)[frame] = static_cast<float>(value);
}

void ProcessBuffers::SetInput(int bus, int channel, int frame, double value)
{
  Write(mInputs.at(static_cast<std::size_t>(bus)), channel, frame, value);
}

double ProcessBuffers::Input(int bus, int channel, int frame) const
{
  return Read(mInputs.at(static_cast<std::size_t>(bus)), channel, frame);
}

void ProcessBuffers::SetOutput(int bus, int channel, int frame, double value)
{
  Write(mOutputs.at(static_cast<std::size_t>(bus)), channel, frame, value);
}

double ProcessBuffers::Output(int bus, int channel, int frame) const
{
  return Read(mOutputs.at(static_cast<std::size_t>(bus)), channel, frame);
}

void ProcessBuffers::FillInput(int bus, const std::function<double(int, int)>& fn)
{
  Bus& target = mInputs.at(static_cast<std::size_t>(bus));
  for (std::size_t c = 0; c < target.storage.size(); ++c)
    for (int32 i = 0; i < mMaxFrames; ++i)
      Write(target, static_cast<int>(c), i, fn(static_cast<int>(c), i));
}

void ProcessBuffers::FillInputs(double value)
{
  for (std::size_t b = 0; b < mInputs.size(); ++b)
    FillInput(static_cast<int>(b), [value](int, int) { return value; });
}

void ProcessBuffers::FillOutputs(double value)
{
  for (Bus& bus : mOutputs)
    for (std::size_t c = 0; c < bus.storage.size(); ++c)
      for (int32 i = 0; i < mMaxFrames; ++i) Write(bus, static_cast<int>(c), i, value);
}

void* ProcessBuffers::ChannelPointer(Vst::BusDirection dir, int bus, int channel) const
{
  const std::vector<Bus>& buses = dir == Vst::kInput ? mInputs : mOutputs;
  return buses.at(static_cast<std::size_t>(bus)).pointers.at(static_cast<std::size_t>(channel));
}

void ProcessBuffers::NullBuffers(Vst::BusDirection dir, int bus)
{
  std::vector<Bus>& buses = dir == Vst::kInput ? mInputs : mOutputs;
  for (void*& pointer : buses.at(static_cast<std::size_t>(bus)).pointers) pointer = nullptr;
}

void ProcessBuffers::RestorePointers()
{
  // Copied element by element: the AudioBusBuffers keep pointing at the same arrays.
  for (std::vector<Bus>* buses : {&mInputs, &mOutputs})
    for (Bus& bus : *buses) std::copy(bus.storage.begin(), bus.storage.end(), bus.pointers.begin());
  mData.numInputs = static_cast<int32>(mInputBuffers.size());
  mData.inputs = mInputBuffers.empty() ? nullptr : mInputBuffers.data();
  mData.numOutputs = static_cast<int32>(mOutputBuffers.size());
  mData.outputs = mOutputBuffers.empty() ? nullptr : mOutputBuffers.data();
}

void ProcessBuffers::DropBuses(Vst::BusDirection dir)
{
  if (dir == Vst::kInput)
  {
    mData.numInputs = 0;
    mData.inputs = nullptr;
  }
  else
  {
    mData.numOutputs = 0;
    mData.outputs = nullptr;
  }
}

} // namespace harness
