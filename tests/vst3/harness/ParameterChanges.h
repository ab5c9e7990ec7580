#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <utility>
#include <vector>

namespace harness
{

// One parameter's changes within a block: (sample offset, normalised value) points in the
// order added. Owned by its ParameterChanges; release never deletes.
class ParamValueQueue : public Steinberg::Vst::IParamValueQueue
{
public:
  explicit ParamValueQueue(Steinberg::Vst::ParamID id) : mId(id) {}
  virtual ~ParamValueQueue() = default;

  ParamValueQueue& Add(Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value);
  void Clear() { mPoints.clear(); }
  // Empty again, for another parameter (the points' storage stays).
  void Reuse(Steinberg::Vst::ParamID id)
  {
    mId = id;
    mPoints.clear();
  }

  // --- IParamValueQueue ---
  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return mId; }
  Steinberg::int32 PLUGIN_API getPointCount() override;
  // kResultFalse for an index out of range (outputs untouched).
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                         Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
  Steinberg::Vst::ParamID mId;
  std::vector<std::pair<Steinberg::int32, Steinberg::Vst::ParamValue>> mPoints;
};

// The parameter changes of one block, as the host hands them to process: queues in the
// order added, several points per queue, empty queues allowed. Owned by the test; release
// never deletes. Queue references stay valid until Clear.
class ParameterChanges : public Steinberg::Vst::IParameterChanges
{
public:
  ParameterChanges() = default;
  virtual ~ParameterChanges() = default;

  // Always a new queue, even for an id that has one already (hosts may do that).
  ParamValueQueue& AddQueue(Steinberg::Vst::ParamID id);
  // Shorthand: a new queue with a single point.
  ParamValueQueue& Add(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value,
                       Steinberg::int32 sampleOffset = 0);
  // Empties the set; the queues' storage is kept for the next block, as a host keeps it.
  void Clear() { mCount = 0; }

  // --- IParameterChanges ---
  Steinberg::int32 PLUGIN_API getParameterCount() override;
  // nullptr for an index out of range.
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  // The existing queue of that id, or a new one appended.
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
  std::vector<std::unique_ptr<ParamValueQueue>> mQueues; // the first mCount are in use
  std::size_t mCount = 0;
};

} // namespace harness
