// KORU's editor in a real window, as a Windows host opens it: the module loaded through its
// entry points, the view attached to a top-level window of ours, the editor's own timer left to
// run, and pointer and key input posted to its window as the system delivers it. What the window
// shows is held pixel for pixel against the editor drawn off screen in this process.
#include "EditorSnapshot.h"
#include "effect/KORU.h"
#include "graphics/win/WindowTestSupport.h"
#include "vst3/EditorHost.h"
#include "vst3/EffectHost.h"

#include "pluginterfaces/gui/iplugview.h"

using namespace koru_test;
using namespace window_test;

namespace
{
using Kind = harness::ComponentHandler::Kind;

// The "Compressor 1" knob (57 x 57 at 47, 419) and the "EQ Bypass 1" lamp (19 x 20 at 5, 336).
constexpr int kKnobX = 75, kKnobY = 447;
constexpr int kLampX = 14, kLampY = 346;

// KORU made in this process, drawn off screen by the editor's own core and controls.
struct Reference
{
  Reference() : koru(new KORU()) {}
  ~Reference() { koru->release(); }
  KORU* koru;
};

// One instance with its view attached to a window of ours.
struct AttachedEditor
{
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

  tresult Attach() { return view->attached(parent.Handle(), kPlatformTypeHWND); }
  HWND Window() const { return parent.Child(); }
  // Waits until the window shows what the editor draws off screen for the same values.
  bool Shows(Reference& reference)
  {
    LICE_IBitmap* expected = RenderEditor(*reference.koru);
    return PumpUntil([&] { return DifferingPixels(Window(), *expected) == 0; });
  }
  void Post(UINT msg, WPARAM keys, int x, int y) { PostMessageA(Window(), msg, keys, Point(x, y)); }
  std::vector<Kind> Kinds() const
  {
    std::vector<Kind> kinds;
    for (const auto& call : handler.Calls()) kinds.push_back(call.kind);
    return kinds;
  }

  EffectHost host;
  editor_test::MenuHandler handler;
  ParentWindow parent;
  IPlugView* view = nullptr;
};

const std::vector<Kind> kOneEdit{Kind::kBeginEdit, Kind::kPerformEdit, Kind::kEndEdit};

class EditorWindowTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mModule.Loaded()) << mModule.Error();
    editor = std::make_unique<AttachedEditor>(mModule.Factory());
    ASSERT_EQ(editor->Attach(), kResultOk);
    ASSERT_NE(editor->Window(), nullptr);
  }

  Module mModule;
  std::unique_ptr<AttachedEditor> editor;
  Reference reference;
};
} // namespace

TEST_F(EditorWindowTest, WindowShowsTheOffScreenEditorPixelForPixel)
{
  RECT client = {};
  GetClientRect(editor->Window(), &client);
  EXPECT_EQ(client.right, 150);
  EXPECT_EQ(client.bottom, 550);
  EXPECT_TRUE(editor->Shows(reference));
}

TEST_F(EditorWindowTest, VerticalDragOnTheCompressorKnobEditsUpwardAndTurnsIt)
{
  editor->Post(WM_LBUTTONDOWN, MK_LBUTTON, kKnobX, kKnobY);
  for (int step = 1; step <= 4; ++step)
    editor->Post(WM_MOUSEMOVE, MK_LBUTTON, kKnobX, kKnobY - 10 * step);
  editor->Post(WM_LBUTTONUP, 0, kKnobX, kKnobY - 40);
  Pump(50);

  const auto calls = editor->handler.Calls();
  ASSERT_EQ(calls.size(), 6u); // begin, four moves, end
  EXPECT_EQ(calls.front().kind, Kind::kBeginEdit);
  EXPECT_EQ(calls.back().kind, Kind::kEndEdit);
  for (size_t i = 1; i < 5; ++i)
  {
    EXPECT_EQ(calls[i].kind, Kind::kPerformEdit);
    EXPECT_EQ(calls[i].id, static_cast<ParamID>(kCompressor));
    EXPECT_GT(calls[i].value, calls[i - 1].value);
  }
  reference.koru->GetGUI()->ParamFromPlugin(kCompressor, calls[4].value, true);
  EXPECT_TRUE(editor->Shows(reference));
}

TEST_F(EditorWindowTest, ClickOnALampTogglesItsSwitch)
{
  editor->Post(WM_LBUTTONDOWN, MK_LBUTTON, kLampX, kLampY);
  editor->Post(WM_LBUTTONUP, 0, kLampX, kLampY);
  Pump(20);
  EXPECT_EQ(editor->Kinds(), kOneEdit);
  const auto edits = editor->handler.CallsOf(Kind::kPerformEdit);
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].id, static_cast<ParamID>(kEQBypass));
  EXPECT_EQ(edits[0].value, 1.0);
  reference.koru->GetGUI()->ParamFromPlugin(kEQBypass, 1.0, true);
  EXPECT_TRUE(editor->Shows(reference));
}

TEST_F(EditorWindowTest, DoubleClickReturnsAKnobToItsDefault)
{
  editor->Post(WM_LBUTTONDOWN, MK_LBUTTON, kKnobX, kKnobY);
  editor->Post(WM_MOUSEMOVE, MK_LBUTTON, kKnobX, kKnobY - 30);
  editor->Post(WM_LBUTTONUP, 0, kKnobX, kKnobY - 30);
  Pump(20);
  editor->handler.Clear();
  // The second press of a double click arrives as the double click.
  editor->Post(WM_LBUTTONDBLCLK, MK_LBUTTON, kKnobX, kKnobY);
  editor->Post(WM_LBUTTONUP, 0, kKnobX, kKnobY);
  Pump(20);
  EXPECT_EQ(editor->Kinds(), kOneEdit);
  const auto edits = editor->handler.CallsOf(Kind::kPerformEdit);
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].id, static_cast<ParamID>(kCompressor));
  EXPECT_EQ(edits[0].value, 0.0);
  EXPECT_TRUE(editor->Shows(reference));
}

TEST_F(EditorWindowTest, RightClickAsksTheHostsContextMenu)
{
  editor->Post(WM_RBUTTONDOWN, MK_RBUTTON, kKnobX, kKnobY);
  editor->Post(WM_RBUTTONUP, 0, kKnobX, kKnobY);
  Pump(20);
  EXPECT_EQ(editor->handler.menuIds, std::vector<int>{kCompressor});
  EXPECT_EQ(editor->handler.menuViews, std::vector<IPlugView*>{editor->view});
  EXPECT_EQ(editor->handler.menu.popups, (std::vector<std::pair<int, int>>{{kKnobX, kKnobY}}));
  EXPECT_TRUE(editor->handler.Calls().empty());
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
  EXPECT_TRUE(editor->Shows(reference));
  editor->Post(WM_LBUTTONDOWN, MK_LBUTTON, kLampX, kLampY);
  editor->Post(WM_LBUTTONUP, 0, kLampX, kLampY);
  Pump(20);
  EXPECT_EQ(editor->Kinds(), kOneEdit);

  // Released while attached, the view takes its window with it.
  HWND second = editor->Window();
  editor->view->release();
  editor->view = nullptr;
  EXPECT_FALSE(IsWindow(second));
}

TEST_F(EditorWindowTest, TwoEditorsShareTheWindowClassAndTheLastCloseUnregistersIt)
{
  const auto instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(editor->Window(), GWLP_HINSTANCE));
  WNDCLASSA info = {};
  AttachedEditor second(mModule.Factory());
  // A view removed without being attached touches nothing.
  EXPECT_EQ(second.view->removed(), kResultOk);
  ASSERT_EQ(second.Attach(), kResultOk);
  EXPECT_EQ(GetWindowLongPtrA(second.Window(), GWLP_HINSTANCE),
            reinterpret_cast<LONG_PTR>(instance));
  EXPECT_TRUE(GetClassInfoA(instance, "IPlugWndClass", &info));
  editor->view->removed();
  EXPECT_TRUE(GetClassInfoA(instance, "IPlugWndClass", &info));
  EXPECT_NE(second.Window(), nullptr);
  second.view->removed();
  EXPECT_FALSE(GetClassInfoA(instance, "IPlugWndClass", &info));
}
