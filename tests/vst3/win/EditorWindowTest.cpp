// KORU's editor in a real window, as a Windows host opens it: the module loaded through its
// entry points, the view attached to a top-level window of ours, the editor's own timer left to
// run, and pointer and key input posted to its window as the system would deliver it. What the
// window shows is held pixel for pixel against the editor drawn off screen.
#include "EditorSnapshot.h"
#include "effect/KORU.h"
#include "graphics/win/WindowTestSupport.h"
#include "vst3/EditorHost.h"
#include "vst3/EffectHost.h"

#include "pluginterfaces/gui/iplugview.h"

#include <algorithm>

using namespace koru_test;
using namespace window_test;

namespace
{
// The "Compressor 1" knob (57 x 57 at 47, 419) and the "EQ Bypass 1" lamp (19 x 20 at 5, 336).
constexpr int kKnobX = 75, kKnobY = 447;
constexpr int kLampX = 14, kLampY = 346;

// KORU made in this process and drawn off screen by the editor's own core and controls.
class Reference
{
public:
  Reference() : mKoru(new KORU()) {}
  ~Reference() { mKoru->release(); }
  Reference(const Reference&) = delete;
  Reference& operator=(const Reference&) = delete;
  KORU& operator*() { return *mKoru; }
  KORU* operator->() { return mKoru; }

private:
  KORU* mKoru;
};

// One instance with its view attached to a window of ours.
class AttachedEditor
{
public:
  explicit AttachedEditor(IPluginFactory* factory) : host(factory)
  {
    host.controller->setComponentHandler(&handler);
    view = host.controller->createView(ViewType::kEditor);
  }
  ~AttachedEditor()
  {
    if (view)
    {
      view->removed();
      view->release();
    }
    host.controller->setComponentHandler(nullptr);
  }
  AttachedEditor(const AttachedEditor&) = delete;
  AttachedEditor& operator=(const AttachedEditor&) = delete;

  tresult Attach() { return view->attached(parent.Handle(), kPlatformTypeHWND); }
  HWND Window() const { return parent.Child(); }

  // Waits until the window shows what the editor draws off screen for the same values.
  bool ShowsSnapshotOf(KORU& reference)
  {
    LICE_IBitmap* expected = RenderEditor(reference);
    return expected &&
           PumpUntil([&] { return DifferingPixels(Capture(Window()), *expected) == 0; });
  }

  void Click(UINT down, UINT up, WPARAM keys, int x, int y)
  {
    PostMessageA(Window(), down, keys, Point(x, y));
    PostMessageA(Window(), up, 0, Point(x, y));
    Pump(20);
  }

  std::vector<harness::ComponentHandler::Kind> Kinds() const
  {
    std::vector<harness::ComponentHandler::Kind> kinds;
    for (const auto& call : handler.Calls()) kinds.push_back(call.kind);
    return kinds;
  }

  EffectHost host;
  editor_test::MenuHandler handler;
  ParentWindow parent;
  IPlugView* view = nullptr;
};

using Kind = harness::ComponentHandler::Kind;

class EditorWindowTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mModule.Loaded()) << mModule.Error();
    editor = std::make_unique<AttachedEditor>(mModule.Factory());
    ASSERT_TRUE(editor->host.Valid());
    ASSERT_NE(editor->view, nullptr);
    ASSERT_EQ(editor->Attach(), kResultOk);
    ASSERT_NE(editor->Window(), nullptr);
  }

  Module mModule;
  std::unique_ptr<AttachedEditor> editor;
};
} // namespace

TEST_F(EditorWindowTest, WindowShowsTheOffScreenEditorPixelForPixel)
{
  RECT client = {};
  GetClientRect(editor->Window(), &client);
  EXPECT_EQ(client.right, 150);
  EXPECT_EQ(client.bottom, 550);
  Reference reference;
  EXPECT_TRUE(editor->ShowsSnapshotOf(*reference));
}

TEST_F(EditorWindowTest, VerticalDragOnTheCompressorKnobEditsUpwardAndTurnsIt)
{
  HWND window = editor->Window();
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(kKnobX, kKnobY));
  for (int step = 1; step <= 4; ++step)
    PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, Point(kKnobX, kKnobY - 10 * step));
  PostMessageA(window, WM_LBUTTONUP, 0, Point(kKnobX, kKnobY - 40));
  Pump(50);

  const auto calls = editor->handler.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().kind, Kind::kBeginEdit);
  EXPECT_EQ(calls.back().kind, Kind::kEndEdit);
  double last = 0.0;
  for (size_t i = 1; i + 1 < calls.size(); ++i)
  {
    EXPECT_EQ(calls[i].kind, Kind::kPerformEdit);
    EXPECT_EQ(calls[i].id, static_cast<ParamID>(kCompressor));
    EXPECT_GT(calls[i].value, last);
    last = calls[i].value;
  }
  EXPECT_EQ(calls.size(), 6u); // begin, four moves, end

  Reference reference;
  reference->GetGUI()->ParamFromPlugin(kCompressor, last, true);
  EXPECT_TRUE(editor->ShowsSnapshotOf(*reference));
}

TEST_F(EditorWindowTest, ClickOnALampTogglesItsSwitch)
{
  Reference reference;
  ASSERT_TRUE(editor->ShowsSnapshotOf(*reference));
  editor->Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kLampX, kLampY);
  const auto edits = editor->handler.CallsOf(Kind::kPerformEdit);
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].id, static_cast<ParamID>(kEQBypass));
  EXPECT_EQ(edits[0].value, 1.0);
  EXPECT_EQ(editor->Kinds(),
            (std::vector<Kind>{Kind::kBeginEdit, Kind::kPerformEdit, Kind::kEndEdit}));
  reference->GetGUI()->ParamFromPlugin(kEQBypass, 1.0, true);
  EXPECT_TRUE(editor->ShowsSnapshotOf(*reference));
}

TEST_F(EditorWindowTest, DoubleClickReturnsAKnobToItsDefault)
{
  HWND window = editor->Window();
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(kKnobX, kKnobY));
  PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, Point(kKnobX, kKnobY - 30));
  PostMessageA(window, WM_LBUTTONUP, 0, Point(kKnobX, kKnobY - 30));
  Pump(20);
  editor->handler.Clear();
  // A double click arrives as the system sends it: the second press as a double click.
  editor->Click(WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON, kKnobX, kKnobY);
  const auto edits = editor->handler.CallsOf(Kind::kPerformEdit);
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].id, static_cast<ParamID>(kCompressor));
  EXPECT_EQ(edits[0].value, 0.0);
  EXPECT_EQ(editor->Kinds(),
            (std::vector<Kind>{Kind::kBeginEdit, Kind::kPerformEdit, Kind::kEndEdit}));
  Reference reference;
  EXPECT_TRUE(editor->ShowsSnapshotOf(*reference));
}

TEST_F(EditorWindowTest, RightClickAsksTheHostsContextMenu)
{
  editor->Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, kKnobX, kKnobY);
  EXPECT_EQ(editor->handler.menuIds, std::vector<int>{kCompressor});
  ASSERT_EQ(editor->handler.menuViews.size(), 1u);
  EXPECT_EQ(editor->handler.menuViews[0], editor->view);
  EXPECT_EQ(editor->handler.menu.popups, (std::vector<std::pair<int, int>>{{kKnobX, kKnobY}}));
  EXPECT_TRUE(editor->handler.CallsOf(Kind::kPerformEdit).empty());
}

TEST_F(EditorWindowTest, KeysNobodyTakesGoToTheRootWindow)
{
  // The pointer over the background: no control of KORU's takes keys.
  POINT corner = {140, 540};
  ClientToScreen(editor->Window(), &corner);
  SetCursorPos(corner.x, corner.y);
  ParentWindow::Keys().clear();
  SendMessageA(editor->Window(), WM_KEYDOWN, 'A', 0);
  SendMessageA(editor->Window(), WM_KEYDOWN, VK_F5, 0);
  SendMessageA(editor->Window(), WM_KEYUP, VK_F5, 0);
  EXPECT_EQ(ParentWindow::Keys(), (std::vector<std::pair<UINT, WPARAM>>{
                                      {WM_KEYDOWN, 'A'}, {WM_KEYDOWN, VK_F5}, {WM_KEYUP, VK_F5}}));
}

TEST_F(EditorWindowTest, RemovedAndAttachedAgainKeepsWorking)
{
  HWND first = editor->Window();
  EXPECT_EQ(editor->view->removed(), kResultOk);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(editor->view->removed(), kResultOk); // twice is harmless
  ASSERT_EQ(editor->Attach(), kResultOk);
  ASSERT_NE(editor->Window(), nullptr);
  Reference reference;
  EXPECT_TRUE(editor->ShowsSnapshotOf(*reference));
  editor->Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kLampX, kLampY);
  EXPECT_EQ(editor->handler.CallsOf(Kind::kPerformEdit).size(), 1u);
}

TEST_F(EditorWindowTest, AViewReleasedWhileAttachedTakesItsWindow)
{
  HWND window = editor->Window();
  editor->view->release();
  editor->view = nullptr;
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(editor->parent.Child(), nullptr);
}

TEST_F(EditorWindowTest, TwoEditorsShareTheWindowClassAndTheLastCloseUnregistersIt)
{
  const auto instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(editor->Window(), GWLP_HINSTANCE));
  WNDCLASSA info = {};
  AttachedEditor second(mModule.Factory());
  // A view of the second instance removed without being attached touches nothing.
  EXPECT_EQ(second.view->removed(), kResultOk);
  ASSERT_EQ(second.Attach(), kResultOk);
  ASSERT_NE(second.Window(), nullptr);
  EXPECT_EQ(GetWindowLongPtrA(second.Window(), GWLP_HINSTANCE),
            reinterpret_cast<LONG_PTR>(instance));
  EXPECT_TRUE(GetClassInfoA(instance, "IPlugWndClass", &info));

  editor->view->removed();
  EXPECT_TRUE(GetClassInfoA(instance, "IPlugWndClass", &info));
  EXPECT_NE(second.Window(), nullptr);
  second.view->removed();
  EXPECT_FALSE(GetClassInfoA(instance, "IPlugWndClass", &info));
}
