// The X11 window layer in this process, in a real window on the virtual display, driven by the
// harness's run loop through the view's run-loop bridge and by real input: the text field, the
// popup menus (navigated by xdotool once their grab holds), keys, double clicks, the pointer,
// painting with and without shared memory and the clipboard.
#include "GraphicsTestSupport.h"
#include "X11TestSupport.h"
#include "graphics/x11/IGraphicsX11.h"
#include "graphics/x11/X11Connection.h"
#include "graphics/x11/X11Dialogs.h"
#include "graphics/x11/X11Presenter.h"
#include "graphics/x11/X11TextField.h"
#include "lice/LICE_SysBitmap.h"
#include "vst3/IPlugVST3RunLoop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace graphics_test;

namespace
{
constexpr int kWait = 3000;

// A bound control whose left press runs onPress (a prompt, a menu), recording the rest.
class PromptControl : public TestControl
{
public:
  PromptControl(IPlugBase* plugin, const IRect& rect, int paramIdx)
    : TestControl(plugin, rect, paramIdx)
  {
    SetPromptDisabled(false);
  }
  void OnPress(int x, int y, const IMouseMod& mod) override
  {
    TestControl::OnPress(x, y, mod);
    if (mod.L && onPress) onPress();
  }
  std::function<void()> onPress;
};

// Starts a program without waiting for it.
pid_t Start(const std::vector<std::string>& argv)
{
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0 ? pid : -1;
}

int Wait(pid_t pid)
{
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class X11WindowLayerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    KORU_REQUIRE_DISPLAY();
    graphics = std::make_unique<IGraphicsX11>(&plug, 200, 120, 25);
    graphics->PrepareSurfaces();
    graphics->SetBackground(new TestControl(&plug, IRect{0, 0, 200, 120}));
    control = new PromptControl(&plug, IRect{20, 20, 120, 40}, 0);
    graphics->AddControl(control);
    bridge = std::make_unique<IPlugVST3RunLoop>(&host.loop);
    ASSERT_NE(graphics->OpenEditorWindow(host.window.ParentHandle()), nullptr);
    graphics->SetHostRunLoop(bridge.get());
    ASSERT_TRUE(graphics->RegisteredWithRunLoop());
  }
  void TearDown() override
  {
    graphics.reset();
    bridge.reset();
  }

  bool Until(const std::function<bool()>& done) { return host.loop.RunUntil(done, kWait); }
  size_t Performs() const
  {
    size_t count = 0;
    for (const HostCall& call : plug.calls)
      if (call.kind == HostCall::kPerform) ++count;
    return count;
  }
  void OpenTextField(int param)
  {
    control->onPress = [this, param]
    { graphics->PromptParam(control, plug.Param(param), &control->GetRect()); };
    host.window.Click(30, 30);
    ASSERT_TRUE(Until([&] { return graphics->EntryControl() == control; }));
  }
  IMenu* MenuWithKeys(IMenu& menu, const std::vector<std::string>& xdotool)
  {
    IMenu* chosen = nullptr;
    bool answered = false;
    control->onPress = [&]
    {
      chosen = graphics->ShowMenu(menu, control->GetRect());
      answered = true;
    };
    std::vector<std::string> args = {"xdotool", "search", "--sync", "--name", X11PopupMenuName()};
    args.insert(args.end(), xdotool.begin(), xdotool.end());
    const pid_t pid = Start(args);
    host.loop.RunFor(50);
    host.window.Click(30, 30);
    EXPECT_TRUE(Until([&] { return answered; }));
    // xdotool's last key release may find the menu gone: its own error, not ours.
    Wait(pid);
    control->events.clear();
    return chosen;
  }
  static std::string X11PopupMenuName() { return "KORU menu"; }

  TestPlug plug;
  x11_test::HostFrame host{200, 120};
  std::unique_ptr<IPlugVST3RunLoop> bridge;
  std::unique_ptr<IGraphicsX11> graphics;
  PromptControl* control = nullptr;
};
} // namespace

TEST_F(X11WindowLayerTest, TheTextFieldCommitsOnReturnAndCancelsOnEscape)
{
  OpenTextField(0);
  EXPECT_EQ(graphics->EntryState(), 1);
  host.window.Type("12.5x"); // replaces the selected text; the letter is refused
  ASSERT_TRUE(Until([&] { return graphics->TextField()->Text() == "12.5"; }))
      << graphics->TextField()->Text();
  int width = 0, height = 0;
  const auto shown = host.window.Capture(host.window.EditorWindow(), width, height);
  x11_test::WriteScreenshot(shown, width, height, "x11_text_field.png");
  EXPECT_EQ(shown[25 * 200 + 21], 0xFFFFFFu); // the field's background over the control
  host.window.Tap("Return");
  ASSERT_TRUE(Until([&] { return graphics->EntryControl() == nullptr; }));
  ASSERT_EQ(Performs(), 1u);
  EXPECT_DOUBLE_EQ(control->GetValue(), (12.5 + 24.0) / 48.0);

  host.loop.RunFor(450); // no double click with the next press
  OpenTextField(0);
  host.window.Type("3");
  host.window.Tap("Escape");
  ASSERT_TRUE(Until([&] { return graphics->EntryControl() == nullptr; }));
  EXPECT_EQ(Performs(), 1u);
}

TEST_F(X11WindowLayerTest, AClickElsewhereCommitsAndTheWheelCancels)
{
  OpenTextField(1); // stepped: the dot is refused
  host.window.Type("12.5");
  ASSERT_TRUE(Until([&] { return graphics->TextField()->Text() == "125"; }));
  host.window.Click(150, 100);
  ASSERT_TRUE(Until([&] { return graphics->EntryControl() == nullptr; }));
  EXPECT_EQ(Performs(), 1u);
  EXPECT_EQ(control->GetValue(), 1.0); // 125 limited to the range
  EXPECT_EQ(control->events, (std::vector<std::string>{"press", "release"})); // not the commit's

  host.loop.RunFor(450);
  OpenTextField(1);
  host.window.Type("0");
  host.window.Button(5, true);
  host.window.Button(5, false);
  ASSERT_TRUE(Until([&] { return graphics->EntryControl() == nullptr; }));
  EXPECT_EQ(Performs(), 1u);
}

TEST_F(X11WindowLayerTest, MenusMapBackThroughSeparatorsAndSubmenus)
{
  if (!X11Dialogs::OnPath("xdotool")) GTEST_SKIP() << "xdotool is missing";
  IMenu menu;
  menu.AddItem("a");
  menu.AddItem("", IMenuItem::kSeparator);
  IMenuItem* sub = menu.AddItem("more");
  sub->submenu = std::make_unique<IMenu>();
  sub->submenu->AddItem("x");
  sub->submenu->AddItem("y");
  menu.AddItem("b", IMenuItem::kDisabled);
  menu.AddItem("c", IMenuItem::kChecked);

  IMenu* chosen =
      MenuWithKeys(menu, {"key", "--delay", "30", "Down", "Down", "Right", "Down", "Return"});
  EXPECT_EQ(chosen, sub->submenu.get());
  EXPECT_EQ(sub->submenu->chosenIndex, 1);

  host.loop.RunFor(450);
  chosen = MenuWithKeys(menu, {"key", "--delay", "30", "Down", "Down", "Down", "Return"});
  EXPECT_EQ(chosen, &menu); // past the separator and the disabled item
  EXPECT_EQ(menu.chosenIndex, 4);

  host.loop.RunFor(450);
  EXPECT_EQ(MenuWithKeys(menu, {"key", "Escape"}), nullptr);

  host.loop.RunFor(450);
  menu.chosenIndex = -1;
  chosen = MenuWithKeys(menu, {"mousemove", "--window", "%1", "30", "9", "click", "1"});
  EXPECT_EQ(chosen, &menu);
  EXPECT_EQ(menu.chosenIndex, 0);
  EXPECT_TRUE(graphics->HasWindow());
}

TEST_F(X11WindowLayerTest, KeysGoToControlsOrOnToTheHost)
{
  host.window.Click(150, 100); // the focus
  host.loop.RunFor(100);
  host.window.TakeKeys();
  host.window.MoveTo(30, 30);
  host.window.Tap("a");
  ASSERT_TRUE(Until([&] { return !control->events.empty(); }));
  EXPECT_EQ(control->events, std::vector<std::string>{"key 15"});
  host.window.MoveTo(150, 100); // the background, no key catcher
  host.window.Tap("b");
  std::vector<harness::HostWindow::KeySeen> keys;
  Until(
      [&]
      {
        for (const auto& key : host.window.TakeKeys()) keys.push_back(key);
        return keys.size() >= 3;
      });
  ASSERT_EQ(keys.size(), 3u); // a's release, b's press and release
  EXPECT_EQ(keys[0].name, "a");
  EXPECT_EQ(keys[0].type, KeyRelease);
  EXPECT_EQ(keys[1].name, "b");
  EXPECT_EQ(keys[1].type, KeyPress);
}

TEST_F(X11WindowLayerTest, DoubleClicksAreToldByDistance)
{
  host.window.Click(30, 30);
  host.window.Click(45, 30);
  host.loop.RunFor(200);
  EXPECT_EQ(control->events, (std::vector<std::string>{"press", "release", "press", "release"}));
  host.loop.RunFor(450);
  control->events.clear();
  host.window.Click(30, 30);
  host.window.Click(32, 31);
  host.loop.RunFor(200);
  EXPECT_EQ(control->events, (std::vector<std::string>{"press", "release", "double", "release"}));
}

TEST_F(X11WindowLayerTest, ThePointerHidesAndComesBackWhereItWas)
{
  host.window.MoveTo(50, 60);
  Display* display = host.window.Display();
  auto where = [display]
  {
    Window root, child;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                  &mask);
    return std::make_pair(rootX, rootY);
  };
  const auto before = where();
  graphics->HidePointer();
  host.window.MoveTo(150, 100);
  EXPECT_NE(where(), before);
  graphics->RestorePointer();
  host.loop.RunFor(50);
  EXPECT_EQ(where(), before);
}

TEST(X11Presenter, CopiesTheSurfaceWithAndWithoutSharedMemory)
{
  KORU_REQUIRE_DISPLAY();
  x11_test::HostFrame host(64, 48);
  X11Connection connection;
  Display* display = connection.Display();
  ASSERT_NE(display, nullptr);
  XVisualInfo info;
  ASSERT_TRUE(XMatchVisualInfo(display, DefaultScreen(display), 24, TrueColor, &info));
  LICE_SysBitmap surface(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      LICE_RowPointer(surface, y)[x] = LICE_PackPixel(x * 4, y * 5, (x ^ y) * 3, 255);
  for (bool shared : {true, false})
  {
    XSetWindowAttributes attributes = {};
    attributes.colormap = XCreateColormap(display, host.window.Parent(), info.visual, AllocNone);
    const Window window =
        XCreateWindow(display, host.window.Parent(), 0, 0, 64, 48, 0, 24, InputOutput, info.visual,
                      CWColormap | CWBorderPixel, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    {
      X11Presenter presenter(connection, window, info.visual, shared);
      ASSERT_TRUE(presenter.Bind(&surface));
      EXPECT_EQ(presenter.UsesSharedMemory(), shared); // the virtual display offers it
      EXPECT_TRUE(presenter.Present(IRect{-10, -10, 100, 100}));
    }
    int width = 0, height = 0;
    EXPECT_EQ(host.window.Capture(window, width, height), x11_test::SurfacePixels(surface));
    XDestroyWindow(display, window);
    XFreeColormap(display, attributes.colormap);
  }
  EXPECT_EQ(connection.TakeError(), 0);
}

TEST_F(X11WindowLayerTest, ClipboardTextComesFromTheClipboardSelection)
{
  if (!X11Dialogs::OnPath("xclip")) GTEST_SKIP() << "xclip is missing";
  std::string text;
  EXPECT_FALSE(graphics->ClipboardText(text)); // nobody owns it yet
  EXPECT_EQ(text, "");
  const std::string file = std::string(KORU_TEST_OUTPUT_DIR) + "/x11_clipboard.txt";
  FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("Gr\xC3\xBC\xC3\x9F"
             "e 42",
             out);
  std::fclose(out);
  const pid_t owner =
      Start({"xclip", "-quiet", "-loops", "1", "-selection", "clipboard", "-i", file});
  Display* display = host.window.Display();
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  ASSERT_TRUE(Until([&] { return XGetSelectionOwner(display, clipboard) != None; }));
  EXPECT_TRUE(graphics->ClipboardText(text));
  EXPECT_EQ(text, "Gr\xC3\xBC\xC3\x9F"
                  "e 42");
  EXPECT_EQ(Wait(owner), 0);
}
