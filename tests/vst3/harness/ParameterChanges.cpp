#include "harness/ParameterChanges.h"

using namespace Steinberg;

namespace harness
{

ParamValueQueue& ParamValueQueue::Add(int32 sampleOffset, Vst::ParamValue value)
{
  mPoints.emplace_back(sampleOffset, value);
  return *this;
}

int32 PLUGIN_API ParamValueQueue::getPointCount() { return static_cast<int32>(mPoints.size()); }

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset,
                                             Vst::ParamValue& value)
{
  if (index < 0 || index >= getPointCount()) return kResultFalse;
  sampleOffset = mPoints[static_cast<std::size_t>(index)].first;
  value = mPoints[static_cast<std::size_t>(index)].second;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, Vst::ParamValue value,
                                             int32& index)
{
  index = getPointCount();
  Add(sampleOffset, value);
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IParamValueQueue)
  QUERY_INTERFACE(iid, obj, Vst::IParamValueQueue::iid, IParamValueQueue)
  *obj = nullptr;
  return kNoInterface;
}

ParamValueQueue& ParameterChanges::AddQueue(Vst::ParamID id)
{
  if (mCount == mQueues.size())
    mQueues.push_back(std::make_unique<ParamValueQueue>(id));
  else
    mQueues[mCount]->Reuse(id);
  return *mQueues[mCount++];
}

ParamValueQueue& ParameterChanges::Add(Vst::ParamID id, Vst::ParamValue value, int32 sampleOffset)
{
  return AddQueue(id).Add(sampleOffset, value);
}

int32 PLUGIN_API ParameterChanges::getParameterCount() { return static_cast<int32>(mCount); }

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
  if (index < 0 || index >= getParameterCount()) return nullptr;
  return mQueues[static_cast<std::size_t>(index)].get();
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const Vst::ParamID& id,
                                                                     int32& index)
{
  for (std::size_t i = 0; i < mCount; ++i)
  {
    if (mQueues[i]->getParameterId() == id)
    {
      index = static_cast<int32>(i);
      return mQueues[i].get();
    }
  }
  index = getParameterCount();
  return &AddQueue(id);
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IParameterChanges)
  QUERY_INTERFACE(iid, obj, Vst::IParameterChanges::iid, IParameterChanges)
  *obj = nullptr;
  return kNoInterface;
}

} // namespace harness
