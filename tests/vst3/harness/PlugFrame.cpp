#include "PlugFrame.h"

using namespace Steinberg;

namespace harness
{

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
  if (!newSize) return kInvalidArgument;
  resizes.push_back(*newSize);
  return view ? view->onSize(newSize) : kResultOk;
}

tresult PLUGIN_API PlugFrame::queryInterface(const TUID iid, void** obj)
{
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IPlugFrame)
  QUERY_INTERFACE(iid, obj, IPlugFrame::iid, IPlugFrame)
#if SMTG_OS_LINUX
  if (mRunLoop && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
    return mRunLoop->queryInterface(iid, obj);
#endif
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API PlugFrame::addRef() { return static_cast<uint32>(++mRefCount); }
uint32 PLUGIN_API PlugFrame::release() { return static_cast<uint32>(--mRefCount); }

} // namespace harness
