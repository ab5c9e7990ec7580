#pragma once
// One KORU instance in this process, driven as a host drives it (initialise, component handler,
// set-up, process with parameter queues), so that the editor it holds can be reached too: its
// pointer dispatch stands in for the window layer's messages. The host's end is the harness.

#include "effect/KORU.h"
#include "graphics/IGraphics.h"
#include "harness/ComponentHandler.h"
#include "harness/HostApplication.h"
#include "harness/ParameterChanges.h"
#include "harness/ProcessBuffers.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace editor_test
{

using namespace Steinberg;
using namespace Steinberg::Vst;

// KORU with the view-related hooks counted.
class ObservedKoru : public KORU
{
public:
  void EditorOpened() override { ++opened; }
  void EditorClosed() override { ++closed; }
  void EditorResized() override { ++resized; }

  std::atomic<int> opened{0}, closed{0}, resized{0};
};

// A context menu that records where it popped up.
class RecordingMenu : public IContextMenu
{
public:
  int32 PLUGIN_API getItemCount() override { return 0; }
  tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
  tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API popup(UCoord x, UCoord y) override
  {
    popups.emplace_back(x, y);
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IContextMenu)
    QUERY_INTERFACE(iid, obj, IContextMenu::iid, IContextMenu)
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return ++refs; }
  uint32 PLUGIN_API release() override { return --refs; }

  std::vector<std::pair<int, int>> popups;
  int refs = 1;
};

// The harness's recording handler, also offering the context-menu interface hosts offer.
class MenuHandler : public harness::ComponentHandler, public IComponentHandler3
{
public:
  IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override
  {
    menuViews.push_back(view);
    menuIds.push_back(id ? static_cast<int>(*id) : -1);
    menu.addRef();
    return &menu;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (obj && FUnknownPrivate::iidEqual(iid, IComponentHandler3::iid))
    {
      addRef();
      *obj = static_cast<IComponentHandler3*>(this);
      return kResultOk;
    }
    return harness::ComponentHandler::queryInterface(iid, obj);
  }
  uint32 PLUGIN_API addRef() override { return harness::ComponentHandler::addRef(); }
  uint32 PLUGIN_API release() override { return harness::ComponentHandler::release(); }

  RecordingMenu menu;
  std::vector<IPlugView*> menuViews;
  std::vector<int> menuIds;
};

class EditorHost
{
public:
  EditorHost() : koru(new ObservedKoru())
  {
    koru->initialize(&app);
    koru->setComponentHandler(&handler);
  }
  ~EditorHost()
  {
    if (active) koru->setActive(false);
    koru->terminate();
    koru->release();
  }
  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;

  IGraphics& Graphics() { return *koru->GetGUI(); }
  IControl& Control(int index) { return *koru->GetGUI()->GetControl(index); }

  void Setup(int32 maxBlock = 256)
  {
    ProcessSetup setup{kRealtime, kSample64, maxBlock, 48000.0};
    ASSERT_EQ(koru->setupProcessing(setup), kResultOk);
    active = koru->setActive(true) == kResultOk;
  }

  // One block of frames of a square wave loud enough to move both meters, with changes.
  tresult Process(int frames, IParameterChanges* changes = nullptr, double level = 0.5)
  {
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(kSample64, 2, 2, frames);
    buffers.FillInput(0, [level](int, int f) { return (f / 24) % 2 ? level : -level; });
    buffers.SetInputParameterChanges(changes);
    return koru->process(buffers.Data());
  }

  std::vector<harness::ComponentHandler::Kind> Kinds() const
  {
    std::vector<harness::ComponentHandler::Kind> kinds;
    for (const auto& call : handler.Calls()) kinds.push_back(call.kind);
    return kinds;
  }

  harness::HostApplication app{"KORU editor test host"};
  MenuHandler handler;
  ObservedKoru* koru;
  bool active = false;
};

} // namespace editor_test
