#include "harness/ProcessBuffers.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

using namespace Steinberg;

namespace harness {

ProcessBuffers::ProcessBuffers(int32 sampleSize, std::vector<int32> inputBusChannels,
                               std::vector<int32> outputBusChannels, int32 maxFrames,
                               Memory memory)
    : sampleSize_(sampleSize), maxFrames_(maxFrames < 0 ? 0 : maxFrames), memory_(memory) {
  const auto frames = static_cast<std::size_t>(maxFrames_);
  auto build = [&](const std::vector<int32>& channels, std::vector<Bus>& buses) {
    for (int32 count : channels) {
      Bus bus;
      for (int32 c = 0; c < count; ++c) {
        if (Is64())
          bus.samples64.emplace_back(frames, 0.0);
        else
          bus.samples32.emplace_back(frames, 0.0f);
      }
      buses.push_back(std::move(bus));
    }
  };
  build(inputBusChannels, inputs_);
  build(outputBusChannels, outputs_);

  auto point = [&](Bus& bus) {
    const std::size_t count = Is64() ? bus.samples64.size() : bus.samples32.size();
    for (std::size_t c = 0; c < count; ++c)
      bus.storage.push_back(Is64() ? static_cast<void*>(bus.samples64[c].data())
                                   : static_cast<void*>(bus.samples32[c].data()));
  };
  for (Bus& bus : inputs_) point(bus);
  for (std::size_t b = 0; b < outputs_.size(); ++b) {
    point(outputs_[b]);
    if (memory_ != Memory::kInPlace || b >= inputs_.size()) continue;
    for (std::size_t c = 0; c < outputs_[b].storage.size() && c < inputs_[b].storage.size(); ++c)
      outputs_[b].storage[c] = inputs_[b].storage[c];
  }
  Wire();

  data_.processMode = Vst::kRealtime;
  data_.symbolicSampleSize = sampleSize_;
  data_.numSamples = maxFrames_;
}

ProcessBuffers ProcessBuffers::Single(int32 sampleSize, int32 inChannels, int32 outChannels,
                                      int32 maxFrames, Memory memory) {
  return ProcessBuffers(sampleSize, {inChannels}, {outChannels}, maxFrames, memory);
}

void ProcessBuffers::Wire() {
  auto wire = [](std::vector<Bus>& buses, std::vector<Vst::AudioBusBuffers>& buffers) {
    buffers.assign(buses.size(), Vst::AudioBusBuffers());
    for (std::size_t b = 0; b < buses.size(); ++b) {
      buses[b].pointers = buses[b].storage;
      buffers[b].numChannels = static_cast<int32>(buses[b].storage.size());
      buffers[b].silenceFlags = 0;
      // The union member written decides nothing: both views alias the same pointer array.
      buffers[b].channelBuffers32 = reinterpret_cast<Vst::Sample32**>(buses[b].pointers.data());
    }
  };
  wire(inputs_, inputBuffers_);
  wire(outputs_, outputBuffers_);
  data_.numInputs = static_cast<int32>(inputBuffers_.size());
  data_.inputs = inputBuffers_.empty() ? nullptr : inputBuffers_.data();
  data_.numOutputs = static_cast<int32>(outputBuffers_.size());
  data_.outputs = outputBuffers_.empty() ? nullptr : outputBuffers_.data();
}

double ProcessBuffers::Read(const Bus& bus, int channel, int frame) const {
  const void* memory = bus.storage.at(static_cast<std::size_t>(channel));
  if (frame < 0 || frame >= maxFrames_) return 0.0;
  return Is64() ? static_cast<const double*>(memory)[frame]
                : static_cast<double>(static_cast<const float*>(memory)[frame]);
}

void ProcessBuffers::Write(Bus& bus, int channel, int frame, double value) {
  void* memory = bus.storage.at(static_cast<std::size_t>(channel));
  if (frame < 0 || frame >= maxFrames_) return;
  if (Is64())
    static_cast<double*>(memory)[frame] = value;
  else
    static_cast<float*>(memory)[frame] = static_cast<float>(value);
}

void ProcessBuffers::SetInput(int bus, int channel, int frame, double value) {
  Write(inputs_.at(static_cast<std::size_t>(bus)), channel, frame, value);
}

double ProcessBuffers::Input(int bus, int channel, int frame) const {
  return Read(inputs_.at(static_cast<std::size_t>(bus)), channel, frame);
}

void ProcessBuffers::SetOutput(int bus, int channel, int frame, double value) {
  Write(outputs_.at(static_cast<std::size_t>(bus)), channel, frame, value);
}

double ProcessBuffers::Output(int bus, int channel, int frame) const {
  return Read(outputs_.at(static_cast<std::size_t>(bus)), channel, frame);
}

void ProcessBuffers::FillInput(int bus, const std::function<double(int, int)>& fn) {
  Bus& target = inputs_.at(static_cast<std::size_t>(bus));
  for (std::size_t c = 0; c < target.storage.size(); ++c)
    for (int32 i = 0; i < maxFrames_; ++i)
      Write(target, static_cast<int>(c), i, fn(static_cast<int>(c), i));
}

void ProcessBuffers::FillInputs(double value) {
  for (std::size_t b = 0; b < inputs_.size(); ++b)
    FillInput(static_cast<int>(b), [value](int, int) { return value; });
}

void ProcessBuffers::FillOutputs(double value) {
  for (Bus& bus : outputs_)
    for (std::size_t c = 0; c < bus.storage.size(); ++c)
      for (int32 i = 0; i < maxFrames_; ++i) Write(bus, static_cast<int>(c), i, value);
}

void* ProcessBuffers::ChannelPointer(Vst::BusDirection dir, int bus, int channel) const {
  const std::vector<Bus>& buses = dir == Vst::kInput ? inputs_ : outputs_;
  return buses.at(static_cast<std::size_t>(bus)).pointers.at(static_cast<std::size_t>(channel));
}

void ProcessBuffers::NullBuffers(Vst::BusDirection dir, int bus) {
  std::vector<Bus>& buses = dir == Vst::kInput ? inputs_ : outputs_;
  for (void*& pointer : buses.at(static_cast<std::size_t>(bus)).pointers) pointer = nullptr;
}

void ProcessBuffers::RestorePointers() {
  // Copied element by element: the AudioBusBuffers keep pointing at the same arrays.
  for (std::vector<Bus>* buses : {&inputs_, &outputs_})
    for (Bus& bus : *buses) std::copy(bus.storage.begin(), bus.storage.end(), bus.pointers.begin());
  data_.numInputs = static_cast<int32>(inputBuffers_.size());
  data_.inputs = inputBuffers_.empty() ? nullptr : inputBuffers_.data();
  data_.numOutputs = static_cast<int32>(outputBuffers_.size());
  data_.outputs = outputBuffers_.empty() ? nullptr : outputBuffers_.data();
}

void ProcessBuffers::DropBuses(Vst::BusDirection dir) {
  if (dir == Vst::kInput) {
    data_.numInputs = 0;
    data_.inputs = nullptr;
  } else {
    data_.numOutputs = 0;
    data_.outputs = nullptr;
  }
}

}  // namespace harness
