#include "harness/ComponentHandler.h"

#include <utility>

using namespace Steinberg;

namespace harness
{

tresult ComponentHandler::Record(Call call)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCalls.push_back(std::move(call));
  return mResult.load();
}

std::vector<ComponentHandler::Call> ComponentHandler::Calls() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCalls;
}

std::vector<ComponentHandler::Call> ComponentHandler::CallsOf(Kind kind) const
{
  std::lock_guard<std::mutex> lock(mMutex);
  std::vector<Call> matching;
  for (const Call& call : mCalls)
    if (call.kind == kind) matching.push_back(call);
  return matching;
}

void ComponentHandler::Clear()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCalls.clear();
}

tresult PLUGIN_API ComponentHandler::beginEdit(Vst::ParamID id)
{
  Call call{Kind::kBeginEdit};
  call.id = id;
  return Record(call);
}

tresult PLUGIN_API ComponentHandler::performEdit(Vst::ParamID id, Vst::ParamValue valueNormalized)
{
  Call call{Kind::kPerformEdit};
  call.id = id;
  call.value = valueNormalized;
  return Record(call);
}

tresult PLUGIN_API ComponentHandler::endEdit(Vst::ParamID id)
{
  Call call{Kind::kEndEdit};
  call.id = id;
  return Record(call);
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags)
{
  Call call{Kind::kRestartComponent};
  call.flags = flags;
  return Record(call);
}

tresult PLUGIN_API ComponentHandler::setDirty(TBool state)
{
  Call call{Kind::kSetDirty};
  call.flags = state;
  return Record(call);
}

tresult PLUGIN_API ComponentHandler::requestOpenEditor(FIDString name)
{
  Call call{Kind::kRequestOpenEditor};
  if (name != nullptr) call.name = name;
  return Record(call);
}

tresult PLUGIN_API ComponentHandler::startGroupEdit()
{
  return Record(Call{Kind::kStartGroupEdit});
}

tresult PLUGIN_API ComponentHandler::finishGroupEdit()
{
  return Record(Call{Kind::kFinishGroupEdit});
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
  QUERY_INTERFACE(iid, obj, Vst::IComponentHandler::iid, IComponentHandler)
  if (mOffersHandler2)
  {
    QUERY_INTERFACE(iid, obj, Vst::IComponentHandler2::iid, IComponentHandler2)
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API ComponentHandler::addRef() { return static_cast<uint32>(++mRefCount); }

uint32 PLUGIN_API ComponentHandler::release() { return static_cast<uint32>(--mRefCount); }

} // namespace harness
