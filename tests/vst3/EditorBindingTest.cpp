// The editor in the VST3 binding: edits reach the host as balanced gestures, queued parameter
// changes move the controls while direct value sets do not, restores move every control, the
// right button opens the host's parameter menu, and editor resizes go through the first view.
#include "EditorHost.h"
#include "EffectHost.h"
#include "vst3/IPlugVST3View.h"

using namespace editor_test;
using Kind = harness::ComponentHandler::Kind;

namespace
{
const IMouseMod kLeft{true};
const IMouseMod kRight{false, true};
constexpr int kInputKnob = 1;   // parameter 0, (14, 496) - (58, 540)
constexpr int kMidGainKnob = 5; // parameter 4
constexpr int kEQLamp = 8;      // parameter 7, (5, 336) - (24, 356)

// Every begin has its end before the same parameter begins again, and every perform lies
// between a begin and an end of its parameter.
::testing::AssertionResult Balanced(const std::vector<harness::ComponentHandler::Call>& calls)
{
  std::vector<ParamID> open;
  for (const auto& call : calls)
  {
    auto it = std::find(open.begin(), open.end(), call.id);
    if (call.kind == Kind::kBeginEdit)
    {
      if (it != open.end()) return ::testing::AssertionFailure() << "begin twice " << call.id;
      open.push_back(call.id);
    }
    else if (call.kind == Kind::kEndEdit)
    {
      if (it == open.end()) return ::testing::AssertionFailure() << "end without begin " << call.id;
      open.erase(it);
    }
    else if (call.kind == Kind::kPerformEdit && it == open.end())
    {
      return ::testing::AssertionFailure() << "perform outside a gesture " << call.id;
    }
  }
  if (!open.empty()) return ::testing::AssertionFailure() << "gesture left open " << open[0];
  return ::testing::AssertionSuccess();
}
} // namespace

TEST(EditorGestures, ADragIsOneGestureWithItsEdits)
{
  EditorHost host;
  host.Graphics().PointerDown(36, 518, kLeft);
  host.Graphics().PointerDrag(36, 507, kLeft); // a quarter of the knob's height, up
  host.Graphics().PointerDrag(36, 507, kLeft);
  host.Graphics().PointerUp(36, 507, kLeft);
  EXPECT_EQ(host.Kinds(),
            (std::vector<Kind>{Kind::kBeginEdit, Kind::kPerformEdit, Kind::kEndEdit}));
  const auto calls = host.handler.Calls();
  EXPECT_EQ(calls[1].id, 0u);
  EXPECT_DOUBLE_EQ(calls[1].value, 0.5 + 0.25 / 4.0);
  EXPECT_DOUBLE_EQ(host.koru->Param(0)->Value(), -24.0 + 48.0 * (0.5 + 0.0625));
  EXPECT_TRUE(Balanced(calls));
}

TEST(EditorGestures, RightButtonsAndDoubleClicksStayBalanced)
{
  EditorHost host;
  // Right button: the host's menu, and its release ends nothing.
  host.Graphics().PointerDown(36, 518, kRight);
  host.Graphics().PointerUp(36, 518, kRight);
  EXPECT_TRUE(host.handler.Calls().empty());

  // A drag away from the default, then a double click: press, release, double click, release.
  host.Graphics().PointerDown(36, 518, kLeft);
  host.Graphics().PointerDrag(36, 500, kLeft);
  host.Graphics().PointerUp(36, 500, kLeft);
  host.handler.Clear();
  host.Graphics().PointerDown(36, 518, kLeft);
  host.Graphics().PointerUp(36, 518, kLeft);
  host.Graphics().PointerDoubleClick(36, 518, kLeft);
  host.Graphics().PointerUp(36, 518, kLeft);
  const auto calls = host.handler.Calls();
  EXPECT_TRUE(Balanced(calls));
  EXPECT_EQ(host.Kinds(), (std::vector<Kind>{Kind::kBeginEdit, Kind::kEndEdit, Kind::kBeginEdit,
                                             Kind::kPerformEdit, Kind::kEndEdit}));
  EXPECT_EQ(calls[3].value, 0.5); // the default
  EXPECT_EQ(host.koru->Param(0)->Value(), 0.0);

  // A lamp's double click steps twice, each step inside a gesture.
  host.handler.Clear();
  host.Graphics().PointerDown(14, 346, kLeft);
  host.Graphics().PointerUp(14, 346, kLeft);
  host.Graphics().PointerDoubleClick(14, 346, kLeft);
  host.Graphics().PointerUp(14, 346, kLeft);
  EXPECT_TRUE(Balanced(host.handler.Calls()));
  EXPECT_EQ(host.handler.Count(Kind::kPerformEdit), 2u);
  EXPECT_EQ(host.koru->Param(7)->Value(), 0.0);
}

TEST(EditorGestures, TheRightButtonOpensTheHostsParameterMenu)
{
  EditorHost host;
  // Without a view there is nothing to anchor the menu to.
  host.Graphics().PointerDown(75, 79, kRight);
  EXPECT_TRUE(host.handler.menuIds.empty());

  IPlugView* view = host.koru->createView(ViewType::kEditor);
  ASSERT_NE(view, nullptr);
  host.Graphics().PointerDown(75, 79, kRight);
  host.Graphics().PointerUp(75, 79, kRight);
  ASSERT_EQ(host.handler.menuIds, (std::vector<int>{4}));
  EXPECT_EQ(host.handler.menuViews[0], view);
  EXPECT_EQ(host.handler.menu.popups, (std::vector<std::pair<int, int>>{{75, 79}}));
  EXPECT_EQ(host.handler.menu.refs, 1); // released after the popup
  EXPECT_EQ(host.Graphics().CapturedIdx(), -1);
  EXPECT_EQ(host.handler.Count(Kind::kBeginEdit), 0u);
  view->release();
}

TEST(EditorValues, QueuedChangesMoveControlsDirectSetsDoNotRestoresMoveAll)
{
  EditorHost host;
  host.Setup();
  IControl& midGain = host.Control(kMidGainKnob);
  ASSERT_EQ(midGain.GetValue(), 0.5);

  host.koru->setParamNormalized(4, 0.2);
  EXPECT_EQ(midGain.GetValue(), 0.5); // the knob stays where it was

  harness::ParameterChanges changes;
  changes.Add(4, 0.75);
  ASSERT_EQ(host.Process(32, &changes), kResultOk);
  EXPECT_EQ(midGain.GetValue(), 0.75);
  EXPECT_TRUE(midGain.IsDirty());
  EXPECT_DOUBLE_EQ(host.koru->Param(4)->Value(), 0.7);
  EXPECT_TRUE(host.handler.Calls().empty()); // nothing goes back to the host

  // A restore moves every bound control to the restored values.
  harness::TestStream stream(
      koru_test::StateBytes({12.0, -6.0, 0.3, 0.7, 0.2, 0.5, 48.0, 1.0, 1.0}, 0));
  ASSERT_EQ(host.koru->setState(&stream), kResultOk);
  for (int i = 1; i <= 9; ++i)
  {
    IControl& control = host.Control(i);
    EXPECT_DOUBLE_EQ(control.GetValue(), host.koru->Param(control.ParamIdx())->Normalized())
        << "control " << i;
  }
  EXPECT_EQ(host.Control(kEQLamp).GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(host.Control(kInputKnob).GetValue(), 0.75);
}

TEST(EditorViews, ResizesGoThroughTheFirstViewsFrame)
{
  class RecordingFrame : public IPlugFrame
  {
  public:
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
    {
      views.push_back(view);
      sizes.push_back(*newSize);
      return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
      *obj = nullptr;
      return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    std::vector<IPlugView*> views;
    std::vector<ViewRect> sizes;
  };

  EditorHost host;
  host.koru->ResizeEditor(200, 300); // no view: nothing
  IPlugView* first = host.koru->createView(ViewType::kEditor);
  IPlugView* second = host.koru->createView(ViewType::kEditor);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(host.koru->Views().size(), 2u);
  host.koru->ResizeEditor(200, 300); // no frame yet: nothing
  RecordingFrame frame;
  EXPECT_EQ(second->setFrame(&frame), kResultOk);
  host.koru->ResizeEditor(200, 300); // the second view's frame is not asked
  EXPECT_TRUE(frame.views.empty());
  EXPECT_EQ(first->setFrame(&frame), kResultOk);

  // onSize without a request stores the rectangle and reports nothing.
  ViewRect any(0, 0, 10, 10);
  EXPECT_EQ(first->onSize(&any), kResultTrue);
  EXPECT_EQ(host.koru->resized, 0);

  host.koru->ResizeEditor(200, 300);
  ASSERT_EQ(frame.views.size(), 1u);
  EXPECT_EQ(frame.views[0], first);
  EXPECT_EQ(frame.sizes[0].right, 200);
  EXPECT_EQ(frame.sizes[0].bottom, 300);
  ViewRect granted(0, 0, 200, 300);
  EXPECT_EQ(first->onSize(&granted), kResultTrue);
  EXPECT_EQ(host.koru->resized, 1);
  EXPECT_EQ(first->onSize(&granted), kResultTrue); // only the requested one counts
  EXPECT_EQ(host.koru->resized, 1);

  // A released view leaves the list and the other stays in it: a host that opens its next
  // view before releasing the last one keeps resizes and the parameter menu working.
  IPlugView* third = host.koru->createView(ViewType::kEditor);
  first->release();
  ASSERT_EQ(host.koru->Views().size(), 2u);
  EXPECT_EQ(third->setFrame(&frame), kResultOk);
  EXPECT_EQ(second->setFrame(nullptr), kResultOk);
  host.koru->ResizeEditor(100, 100); // the first view now has no frame: nothing
  EXPECT_EQ(frame.views.size(), 1u);
  second->release();
  host.koru->ResizeEditor(100, 100);
  ASSERT_EQ(frame.views.size(), 2u);
  EXPECT_EQ(frame.views[1], third);
  third->release();
  EXPECT_TRUE(host.koru->Views().empty());
  host.koru->ResizeEditor(100, 100); // no view: nothing
  EXPECT_EQ(frame.views.size(), 2u);
}

TEST(EditorViews, AttachingWithoutAWindowFailsAndKeepsOpenAndCloseBalanced)
{
  EditorHost host;
  IPlugView* view = host.koru->createView(ViewType::kEditor);
  ASSERT_NE(view, nullptr);
  // The window layer cannot make a window inside this parent: the host is told so.
  int notAWindow = 0;
  EXPECT_EQ(view->attached(&notAWindow, IPlugVST3View::kPlatformType), kResultFalse);
  EXPECT_EQ(host.koru->opened, 0);
  EXPECT_EQ(view->attached(&notAWindow, "NSView"), kResultFalse);
  EXPECT_EQ(host.koru->opened, 0);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(host.koru->closed, 0);
  EXPECT_FALSE(host.Graphics().HasWindow());
  view->release();
}
