#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <vector>

namespace harness
{

// The host's frame around an editor view: records resize requests and, on Linux, answers the
// run loop query with the loop it was given (none: a host without one). Owned by the test;
// release never deletes.
class PlugFrame : public Steinberg::IPlugFrame
{
public:
  explicit PlugFrame(Steinberg::FUnknown* runLoop = nullptr) : mRunLoop(runLoop) {}
  virtual ~PlugFrame() = default;

  std::vector<Steinberg::ViewRect> resizes;
  int RefCount() const { return mRefCount.load(); }

  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                           Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

private:
  Steinberg::FUnknown* mRunLoop;
  std::atomic<int> mRefCount{1};
};

} // namespace harness
