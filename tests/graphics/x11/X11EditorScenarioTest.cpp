// KORU's editor as a Linux host shows it: the built bundle loaded through the VST3 ABI, its view
// attached to a real X11 parent window on the virtual display, driven by a one-thread run loop
// and real input through the server. The picture, the edits a user makes, the keys the host
// gets back, and the pitfalls of Linux hosts: frames before or after attaching, hosts without
// a run loop, re-attaching, releasing while attached, closing from inside callbacks, the host's
// window destroyed first, two editors at once. Names hold "X11" for the sanitizer stages.
#include "EditorHost.h"
#include "EffectHost.h"
#include "X11TestSupport.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <functional>

using namespace koru_test;
using Kind = harness::ComponentHandler::Kind;

namespace
{
constexpr const char* kType = "X11EmbedWindowID";
constexpr ParamID kCompressorId = 6;
constexpr ParamID kEQBypassId = 7;
constexpr int kKnobX = 75, kKnobY = 447; // the "Compressor 1" knob's centre
constexpr int kLampX = 14, kLampY = 346; // the EQ bypass lamp
constexpr int kWait = 3000;              // milliseconds any expected event may take

// The recording handler with the host's context menu, acting from inside its own calls when a
// test asks it to (once each).
class HookedHandler : public editor_test::MenuHandler
{
public:
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
  {
    const tresult result = MenuHandler::performEdit(id, value);
    Fire(onPerform);
    return result;
  }
  tresult PLUGIN_API endEdit(ParamID id) override
  {
    const tresult result = MenuHandler::endEdit(id);
    Fire(onEnd);
    return result;
  }
  std::function<void()> onPerform, onEnd;

private:
  static void Fire(std::function<void()>& hook)
  {
    if (!hook) return;
    std::function<void()> once = std::move(hook);
    hook = nullptr;
    once();
  }
};

int gSentinelErrors = 0;
int SentinelHandler(Display*, XErrorEvent*)
{
  ++gSentinelErrors;
  return 0;
}

// The process's X error handler now, left in place.
XErrorHandler CurrentErrorHandler()
{
  const XErrorHandler current = XSetErrorHandler(SentinelHandler);
  XSetErrorHandler(current);
  return current;
}

class X11EditorTest : public EffectTest
{
protected:
  void SetUp() override
  {
    KORU_REQUIRE_DISPLAY();
    EffectTest::SetUp();
    host().controller->setComponentHandler(&handler);
    gSentinelErrors = 0;
    mPreviousHandler = XSetErrorHandler(SentinelHandler);
  }
  void TearDown() override
  {
    if (mHost)
    {
      Close(view);
      host().controller->setComponentHandler(nullptr);
    }
    EffectTest::TearDown();
    if (HaveDisplayHandler()) XSetErrorHandler(mPreviousHandler);
  }
  bool HaveDisplayHandler() const { return x11_test::HaveDisplay(); }

  IPlugView* Open(x11_test::HostFrame& host, IEditController* controller, bool frameFirst = true)
  {
    IPlugView* opened = controller->createView(ViewType::kEditor);
    EXPECT_NE(opened, nullptr);
    if (!opened) return nullptr;
    if (frameFirst) opened->setFrame(&host.frame);
    EXPECT_EQ(opened->attached(host.window.ParentHandle(), kType), kResultOk);
    return opened;
  }
  static void Close(IPlugView*& closing)
  {
    if (!closing) return;
    closing->removed();
    closing->release();
    closing = nullptr;
  }

  // A fresh editor at its defaults, drawn off screen by the editor's own core in this process.
  static std::vector<uint32_t> Reference()
  {
    KORU* koru = new KORU();
    IGraphics* graphics = koru->GetGUI();
    graphics->RedrawRegion(IRect{0, 0, graphics->Width(), graphics->Height()});
    std::vector<uint32_t> pixels = x11_test::SurfacePixels(*graphics->Surface());
    koru->release();
    return pixels;
  }

  std::vector<uint32_t> Screen(x11_test::HostFrame& host)
  {
    int width = 0, height = 0;
    return host.window.Capture(host.window.EditorWindow(), width, height);
  }

  // Runs the loop until the editor shows expected (or the time is up); the last capture.
  std::vector<uint32_t> ScreenWhenEqual(x11_test::HostFrame& host,
                                        const std::vector<uint32_t>& expected)
  {
    std::vector<uint32_t> pixels;
    host.loop.RunUntil([&] { return (pixels = Screen(host)) == expected; }, kWait);
    return pixels;
  }

  std::vector<harness::ComponentHandler::Call> CallsFor(ParamID id, Kind kind)
  {
    std::vector<harness::ComponentHandler::Call> calls;
    for (const auto& call : handler.CallsOf(kind))
      if (call.id == id) calls.push_back(call);
    return calls;
  }

  bool WaitForEnd(x11_test::HostFrame& host, size_t ends)
  {
    return host.loop.RunUntil([&] { return handler.Count(Kind::kEndEdit) >= ends; }, kWait);
  }

  // A vertical drag on the compressor knob, upwards by steps of 5 pixels.
  void DragKnobUp(x11_test::HostFrame& host, int steps)
  {
    host.window.MoveTo(kKnobX, kKnobY);
    host.window.Button(1, true);
    host.loop.RunFor(30);
    for (int i = 1; i <= steps; ++i)
    {
      host.window.MoveTo(kKnobX, kKnobY - 5 * i);
      host.loop.RunFor(30);
    }
    host.window.Button(1, false);
  }

  // The host's frame outlives the views attached to it, as in a host.
  x11_test::HostFrame frame;
  HookedHandler handler;
  IPlugView* view = nullptr;
  XErrorHandler mPreviousHandler = nullptr;
};
} // namespace

TEST_F(X11EditorTest, TheWindowShowsTheOffScreenSnapshotAndTicksAtTheFrameRate)
{
  view = Open(frame, host().controller);
  EXPECT_EQ(frame.loop.EventHandlers(), 1);
  EXPECT_EQ(frame.loop.Timers(), 1);
  EXPECT_EQ(frame.loop.FirstTimerInterval(), 40u);

  const std::vector<uint32_t> expected = Reference();
  ASSERT_EQ(expected.size(), 150u * 550u);
  const std::vector<uint32_t> shown = ScreenWhenEqual(frame, expected);
  x11_test::WriteScreenshot(shown, 150, 550, "x11_editor_screenshot.png");
  EXPECT_EQ(x11_test::DifferingPixels(shown, expected), 0u);
  EXPECT_EQ(gSentinelErrors, 0);
}

TEST_F(X11EditorTest, ADragOnTheCompressorKnobSendsRisingEditsAndMovesItsFrame)
{
  view = Open(frame, host().controller);
  const std::vector<uint32_t> before = ScreenWhenEqual(frame, Reference());
  DragKnobUp(frame, 6);
  ASSERT_TRUE(WaitForEnd(frame, 1));

  const std::vector<Kind> kinds = [&]
  {
    std::vector<Kind> all;
    for (const auto& call : handler.Calls()) all.push_back(call.kind);
    return all;
  }();
  ASSERT_GE(kinds.size(), 3u);
  EXPECT_EQ(kinds.front(), Kind::kBeginEdit);
  EXPECT_EQ(kinds.back(), Kind::kEndEdit);
  const auto performs = CallsFor(kCompressorId, Kind::kPerformEdit);
  ASSERT_GE(performs.size(), 2u);
  for (size_t i = 1; i < performs.size(); ++i) EXPECT_GT(performs[i].value, performs[i - 1].value);
  EXPECT_NEAR(performs.back().value, 30.0 / (57.0 * 4.0), 1e-9); // 30 pixels of 57, gearing 4
  EXPECT_EQ(CallsFor(kCompressorId, Kind::kBeginEdit).size(), 1u);
  EXPECT_EQ(CallsFor(kCompressorId, Kind::kEndEdit).size(), 1u);

  std::vector<uint32_t> after;
  frame.loop.RunUntil([&] { return x11_test::DifferingPixels(after = Screen(frame), before) > 0; },
                      kWait);
  x11_test::WriteScreenshot(after, 150, 550, "x11_editor_after_drag.png");
  // Only the knob's frame changed.
  size_t outside = 0;
  for (int y = 0; y < 550; ++y)
    for (int x = 0; x < 150; ++x)
      if (after[y * 150 + x] != before[y * 150 + x] && !(x >= 47 && x < 104 && y >= 419 && y < 476))
        ++outside;
  EXPECT_GT(x11_test::DifferingPixels(after, before), 100u);
  EXPECT_EQ(outside, 0u);
}

TEST_F(X11EditorTest, ALampClickTogglesAndADoubleClickResetsTheKnob)
{
  view = Open(frame, host().controller);
  frame.loop.RunFor(100);
  frame.window.Click(kLampX, kLampY);
  ASSERT_TRUE(WaitForEnd(frame, 1));
  frame.loop.RunFor(450); // no double click with the next one
  frame.window.Click(kLampX, kLampY);
  ASSERT_TRUE(WaitForEnd(frame, 2));
  const auto lamp = CallsFor(kEQBypassId, Kind::kPerformEdit);
  ASSERT_EQ(lamp.size(), 2u);
  EXPECT_EQ(lamp[0].value, 1.0);
  EXPECT_EQ(lamp[1].value, 0.0);

  DragKnobUp(frame, 4);
  ASSERT_TRUE(WaitForEnd(frame, 3));
  handler.Clear();
  frame.loop.RunFor(450);
  frame.window.Click(kKnobX, kKnobY);
  frame.window.Click(kKnobX, kKnobY);
  ASSERT_TRUE(frame.loop.RunUntil(
      [&] { return !CallsFor(kCompressorId, Kind::kPerformEdit).empty(); }, kWait));
  frame.loop.RunFor(100);
  const auto performs = CallsFor(kCompressorId, Kind::kPerformEdit);
  ASSERT_EQ(performs.size(), 1u);
  EXPECT_EQ(performs[0].value, 0.0); // the default
  // Press and release, then the double click's own gesture: balanced.
  EXPECT_EQ(CallsFor(kCompressorId, Kind::kBeginEdit).size(),
            CallsFor(kCompressorId, Kind::kEndEdit).size());
}

TEST_F(X11EditorTest, TheRightButtonAsksForTheHostsMenu)
{
  // A view the host made first and never attached: the menu belongs to the one on screen.
  IPlugView* spare = host().controller->createView(ViewType::kEditor);
  view = Open(frame, host().controller);
  frame.loop.RunFor(100);
  frame.window.Click(kKnobX, kKnobY, 3);
  const bool asked = frame.loop.RunUntil([&] { return !handler.menu.popups.empty(); }, kWait);
  spare->release();
  ASSERT_TRUE(asked);
  ASSERT_EQ(handler.menuIds.size(), 1u);
  EXPECT_EQ(handler.menuIds[0], static_cast<int>(kCompressorId));
  EXPECT_EQ(handler.menuViews[0], view);
  EXPECT_EQ(handler.menu.popups[0], std::make_pair(kKnobX, kKnobY));
  EXPECT_TRUE(handler.CallsOf(Kind::kBeginEdit).empty());
}

TEST_F(X11EditorTest, KeysNobodyTakesGoOnToTheHostsTopLevelWindow)
{
  view = Open(frame, host().controller);
  frame.loop.RunFor(100);
  frame.window.Click(kLampX, kLampY); // takes the focus
  ASSERT_TRUE(WaitForEnd(frame, 1));
  frame.window.TakeKeys();
  frame.window.MoveTo(kKnobX, kKnobY);
  frame.window.Tap("Up"); // a mapped key KORU's knobs do not take
  frame.window.Tap("F5"); // a key the editor never maps
  std::vector<harness::HostWindow::KeySeen> keys;
  frame.loop.RunUntil(
      [&]
      {
        for (const auto& key : frame.window.TakeKeys()) keys.push_back(key);
        return keys.size() >= 4;
      },
      kWait);
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0].type, KeyPress);
  EXPECT_EQ(keys[0].name, "Up");
  EXPECT_TRUE(keys[0].sent);
  EXPECT_EQ(keys[1].type, KeyRelease);
  EXPECT_EQ(keys[2].name, "F5");
  EXPECT_EQ(keys[3].type, KeyRelease);
  EXPECT_EQ(handler.CallsOf(Kind::kPerformEdit).size(), 1u); // the lamp's only

  // A key the host itself sends the editor stays there, or the two would pass it to and fro.
  Display* display = frame.window.Display();
  XEvent sent{};
  sent.xkey.type = KeyPress;
  sent.xkey.display = display;
  sent.xkey.window = frame.window.EditorWindow();
  sent.xkey.root = DefaultRootWindow(display);
  sent.xkey.x = sent.xkey.y = 10;
  sent.xkey.keycode = XKeysymToKeycode(display, XK_F5);
  sent.xkey.same_screen = True;
  XSendEvent(display, sent.xkey.window, False, KeyPressMask, &sent);
  XFlush(display);
  frame.loop.RunFor(200);
  EXPECT_TRUE(frame.window.TakeKeys().empty());
}

TEST_F(X11EditorTest, AFrameAfterAttachingOrNoneAtAll)
{
  // Attached first: the window shows the editor at once and registers when the frame comes.
  view = Open(frame, host().controller, false);
  EXPECT_EQ(frame.loop.Timers(), 0);
  int width = 0, height = 0;
  EXPECT_EQ(frame.window.Capture(frame.window.EditorWindow(), width, height), Reference());
  ASSERT_EQ(view->setFrame(&frame.frame), kResultOk);
  EXPECT_EQ(frame.loop.EventHandlers(), 1);
  EXPECT_EQ(frame.loop.Timers(), 1);
  frame.window.Click(kKnobX, kKnobY, 3);
  EXPECT_TRUE(frame.loop.RunUntil([&] { return !handler.menu.popups.empty(); }, kWait));
  // The frame taken away: the loop forgets the window.
  ASSERT_EQ(view->setFrame(nullptr), kResultOk);
  EXPECT_EQ(frame.loop.Timers(), 0);
  EXPECT_EQ(frame.loop.EventHandlers(), 0);
  Close(view);

  // A frame without a run loop: the editor is shown, still.
  x11_test::HostFrame bare;
  harness::PlugFrame noLoop;
  IPlugView* still = host().controller->createView(ViewType::kEditor);
  ASSERT_EQ(still->setFrame(&noLoop), kResultOk);
  ASSERT_EQ(still->attached(bare.window.ParentHandle(), kType), kResultOk);
  EXPECT_EQ(bare.window.Capture(bare.window.EditorWindow(), width, height), Reference());
  Close(still);
  EXPECT_EQ(noLoop.RefCount(), 1);
}

TEST_F(X11EditorTest, RemovedAndAttachedAgainOrReleasedWhileAttached)
{
  view = Open(frame, host().controller);
  ASSERT_NE(frame.window.EditorWindow(), 0u);
  ASSERT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(frame.window.EditorWindow(), 0u);
  EXPECT_EQ(frame.loop.Timers() + frame.loop.EventHandlers(), 0);

  ASSERT_EQ(view->attached(frame.window.ParentHandle(), kType), kResultOk);
  EXPECT_EQ(frame.loop.Timers(), 1);
  ScreenWhenEqual(frame, Reference());
  frame.window.Click(kLampX, kLampY);
  EXPECT_TRUE(WaitForEnd(frame, 1));

  // Released without being removed: the window goes with the view.
  view->release();
  view = nullptr;
  EXPECT_EQ(frame.window.EditorWindow(), 0u);
  EXPECT_EQ(frame.loop.Timers() + frame.loop.EventHandlers(), 0);
  frame.loop.RunFor(100);

  view = Open(frame, host().controller);
  frame.loop.RunFor(450);
  frame.window.Click(kLampX, kLampY);
  EXPECT_TRUE(WaitForEnd(frame, 2));
  EXPECT_EQ(frame.loop.RefCount(), 2); // the frame's view holds the loop once
}

TEST_F(X11EditorTest, TheHostClosesTheEditorFromInsideItsOwnCallbacks)
{
  view = Open(frame, host().controller);
  frame.loop.RunFor(100);
  // Removed while the editor's event handler is telling the host of an edit.
  handler.onPerform = [&] { view->removed(); };
  DragKnobUp(frame, 4);
  frame.loop.RunFor(300);
  EXPECT_EQ(frame.window.EditorWindow(), 0u);
  EXPECT_EQ(frame.loop.Timers() + frame.loop.EventHandlers(), 0);
  // The gesture the press opened was closed with the window.
  EXPECT_EQ(handler.Count(Kind::kBeginEdit), handler.Count(Kind::kEndEdit));

  // Attached again, then released from inside the handler's end of a gesture.
  ASSERT_EQ(view->attached(frame.window.ParentHandle(), kType), kResultOk);
  frame.loop.RunFor(450);
  handler.onEnd = [&]
  {
    view->release();
    view = nullptr;
  };
  frame.window.Click(kLampX, kLampY);
  frame.loop.RunUntil([&] { return view == nullptr; }, kWait);
  frame.loop.RunFor(200);
  EXPECT_EQ(view, nullptr);
  EXPECT_EQ(frame.window.EditorWindow(), 0u);
  EXPECT_EQ(frame.loop.Timers() + frame.loop.EventHandlers(), 0);
}

TEST_F(X11EditorTest, TheHostsWindowDestroyedFirstCostsTheHostNothing)
{
  view = Open(frame, host().controller);
  frame.loop.RunFor(100);
  frame.window.DestroyParent();
  frame.loop.RunFor(200);
  EXPECT_EQ(frame.loop.Timers() + frame.loop.EventHandlers(), 0);
  EXPECT_EQ(view->removed(), kResultOk);
  view->release();
  view = nullptr;
  // The editor's errors stayed on its connection; the host's handler heard none of them.
  EXPECT_EQ(gSentinelErrors, 0);
  EXPECT_EQ(CurrentErrorHandler(), &SentinelHandler);
}

TEST_F(X11EditorTest, TwoEditorsAtOnceAndTheLastOneCleansUp)
{
  x11_test::HostFrame& first = frame;
  x11_test::HostFrame second(150, 550, 400);
  std::unique_ptr<EffectHost> other = NewHost();
  HookedHandler otherHandler;
  other->controller->setComponentHandler(&otherHandler);
  view = Open(first, host().controller);
  IPlugView* otherView = Open(second, other->controller);
  EXPECT_NE(CurrentErrorHandler(), &SentinelHandler);

  const std::vector<uint32_t> expected = Reference();
  EXPECT_EQ(ScreenWhenEqual(first, expected), expected);
  EXPECT_EQ(ScreenWhenEqual(second, expected), expected);

  second.window.Click(kLampX, kLampY);
  ASSERT_TRUE(second.loop.RunUntil([&] { return otherHandler.Count(Kind::kEndEdit) == 1; }, kWait));
  first.loop.RunFor(100);
  EXPECT_TRUE(handler.Calls().empty());

  Close(view);
  EXPECT_NE(CurrentErrorHandler(), &SentinelHandler); // the other editor is still open
  second.loop.RunFor(450);
  second.window.Click(kLampX, kLampY);
  ASSERT_TRUE(second.loop.RunUntil([&] { return otherHandler.Count(Kind::kEndEdit) == 2; }, kWait));
  Close(otherView);
  EXPECT_EQ(CurrentErrorHandler(), &SentinelHandler);
  other->controller->setComponentHandler(nullptr);
  EXPECT_EQ(gSentinelErrors, 0);
}
