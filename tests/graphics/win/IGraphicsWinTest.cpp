// The Windows window layer driven in this process, in a real window: the text field (typing,
// Return, Escape, presses, a second opening, the window closing under it), popup menus chosen
// from the keyboard, keys, the dialogs without a window, and windows closed or destroyed.
#include "graphics/win/IGraphicsWin.h"

#include "graphics/win/WindowTestSupport.h"
#include "vst3/EditorHost.h"

#include <memory>
#include <string>

using namespace editor_test;
using namespace window_test;

namespace
{
using Kind = harness::ComponentHandler::Kind;

// A control whose prompt is enabled: a left press asks for its parameter's value (or, without
// one, for a text). It records the keys and texts it receives.
class PromptControl : public IControl
{
public:
  PromptControl(IPlugBase* plugin, const IRect& rect, int paramIdx)
    : IControl(plugin, rect, paramIdx)
  {
    SetPromptDisabled(false);
  }
  bool Draw(IGraphics* /*graphics*/) override { return true; }
  void OnPress(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) override
  {
    IRect rect = mRect;
    IGraphics* graphics = mPlugin->GetGUI();
    if (mParamIdx >= 0)
      graphics->PromptParam(this, mPlugin->Param(mParamIdx), &rect);
    else
      graphics->ShowTextEntry(this, mText, rect, "", nullptr);
  }
  bool OnKey(int /*x*/, int /*y*/, int key) override
  {
    keys.push_back(key);
    return true;
  }
  void OnTextEntered(const char* text) override { entered.push_back(text); }

  std::vector<int> keys;
  std::vector<std::string> entered;
};

// KORU's editor open in a window of ours, with two prompt controls on top: one bound to
// "Input 1" (continuous, -24..24 dB, two decimals) and one without a parameter.
class IGraphicsWinTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    gui = static_cast<IGraphicsWin*>(&host.Graphics());
    gui->AddControl(bound = new PromptControl(host.koru, IRect{0, 0, 60, 20}, kInputGain));
    gui->AddControl(free = new PromptControl(host.koru, IRect{60, 0, 120, 20}, -1));
    Open();
  }
  void TearDown() override { gui->CloseEditorWindow(); }

  void Open()
  {
    ASSERT_NE(gui->OpenEditorWindow(parent.Handle()), nullptr);
    window = static_cast<HWND>(gui->WindowHandle());
  }
  void Press(int x, int y)
  {
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, Point(x, y));
  }
  void Type(const char* text)
  {
    for (const char* c = text; *c; ++c)
      SendMessageA(gui->TextEntryWindow(), WM_CHAR, static_cast<unsigned char>(*c), 0);
  }
  void Key(WPARAM key) { SendMessageA(gui->TextEntryWindow(), WM_KEYDOWN, key, 0); }
  void Tick() { SendMessageA(window, WM_TIMER, IGraphicsWin::kTimerId, 0); }
  std::string FieldText()
  {
    char text[64] = {};
    GetWindowTextA(gui->TextEntryWindow(), text, sizeof text);
    return text;
  }

  EditorHost host;
  ParentWindow parent;
  IGraphicsWin* gui = nullptr;
  PromptControl* bound = nullptr;
  PromptControl* free = nullptr;
  HWND window = nullptr;
};

// A, separator, B, submenu S (S1, S2), C; keys for the menu's own loop, posted before it starts
// (it takes them from the queue).
IMenu* ChooseFromMenu(IGraphicsWin& gui, IMenu& menu, std::initializer_list<WPARAM> keys)
{
  menu.AddItem("A");
  menu.AddItem("", IMenuItem::kSeparator);
  menu.AddItem("B");
  IMenuItem* sub = menu.AddItem("S");
  sub->submenu = std::make_unique<IMenu>();
  sub->submenu->AddItem("S1");
  sub->submenu->AddItem("S2");
  menu.AddItem("C");
  for (WPARAM key : keys) PostMessageA(static_cast<HWND>(gui.WindowHandle()), WM_KEYDOWN, key, 0);
  return gui.ShowMenu(menu, IRect{10, 10, 50, 30});
}
} // namespace

TEST_F(IGraphicsWinTest, TypedValueCommitsOnReturnWithOnlyTheCharactersItsKindTakes)
{
  Press(30, 10);
  ASSERT_NE(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryFocused);
  EXPECT_EQ(FieldText(), "0.00"); // all of it selected: typing replaces it
  host.handler.Clear();
  Type("-12x.5\r");
  EXPECT_EQ(FieldText(), "-12.5");
  Key(VK_RETURN);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCommit);
  Tick();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryNone);
  EXPECT_DOUBLE_EQ(host.koru->Param(kInputGain)->Value(), -12.5);
  EXPECT_EQ(host.Kinds(),
            (std::vector<Kind>{Kind::kBeginEdit, Kind::kPerformEdit, Kind::kEndEdit}));

  // Without a parameter any text goes to the control; losing the focus commits too.
  Press(90, 10);
  Type("a.b+c!\x1b");
  SetFocus(window);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCommit);
  Tick();
  EXPECT_EQ(free->entered, std::vector<std::string>{"a.b+c!"});
}

TEST_F(IGraphicsWinTest, EscapeOrAPressWhileTypingCancels)
{
  Press(30, 10);
  HWND field = gui->TextEntryWindow();
  ASSERT_NE(field, nullptr);
  // A second prompt while the field is open opens nothing.
  gui->ShowTextEntry(free, free->GetText(), free->GetRect(), "other", nullptr);
  EXPECT_EQ(gui->TextEntryWindow(), field);
  Type("7");
  Key(VK_ESCAPE);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCancel);
  Tick();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);

  Press(30, 10);
  Type("9");
  // A press on the editor while typing cancels and reaches no control (this one is a lamp).
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(14, 346));
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCancel);
  Tick();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_DOUBLE_EQ(host.koru->Param(kInputGain)->Value(), 0.0);
  EXPECT_TRUE(host.handler.CallsOf(Kind::kPerformEdit).empty());
}

TEST_F(IGraphicsWinTest, ClosingTheWindowUnderAnOpenFieldClearsIt)
{
  Press(30, 10);
  ASSERT_NE(gui->TextEntryWindow(), nullptr);
  gui->CloseEditorWindow();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryNone);
  Open();
  Press(30, 10);
  EXPECT_NE(gui->TextEntryWindow(), nullptr);
}

TEST_F(IGraphicsWinTest, MenuChoicesMapBackThroughSeparatorsAndSubmenus)
{
  IMenu top; // A, then B past the separator
  EXPECT_EQ(ChooseFromMenu(*gui, top, {VK_DOWN, VK_DOWN, VK_RETURN}), &top);
  EXPECT_EQ(top.chosenIndex, 2);
  IMenu nested; // S, into it, S2
  IMenu* chosen =
      ChooseFromMenu(*gui, nested, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
  EXPECT_EQ(chosen, nested.items[3]->submenu.get());
  EXPECT_EQ(nested.items[3]->submenu->chosenIndex, 1);
  EXPECT_EQ(nested.chosenIndex, -1);
  IMenu dismissed;
  EXPECT_EQ(ChooseFromMenu(*gui, dismissed, {VK_DOWN, VK_ESCAPE}), nullptr);
  IMenu empty;
  EXPECT_EQ(gui->ShowMenu(empty, IRect{10, 10, 50, 30}), nullptr);
}

TEST_F(IGraphicsWinTest, MappedKeysReachTheControlUnderThePointerOthersTheRootWindow)
{
  EXPECT_EQ(IGraphicsWin::KeyCodeOf(VK_SPACE), 0);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf('0'), 5);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf('Z'), 40);
  POINT over = {30, 10};
  ClientToScreen(window, &over);
  SetCursorPos(over.x, over.y);
  ParentWindow::Keys().clear();
  SendMessageA(window, WM_KEYDOWN, 'B', 0);
  SendMessageA(window, WM_KEYDOWN, VK_UP, 0);
  SendMessageA(window, WM_KEYDOWN, VK_NUMPAD7, 0);
  EXPECT_EQ(bound->keys, (std::vector<int>{16, 1}));
  EXPECT_EQ(ParentWindow::Keys(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_NUMPAD7}}));
}

TEST_F(IGraphicsWinTest, DialogsWithoutAWindowOrWithListsTooLongAnswerEmpty)
{
  std::string path = "C:\\x.wav", folder = "C:\\";
  gui->AskForFile(path, 1, folder, "abcdefghijklmnop"); // a first extension of 16 characters
  EXPECT_TRUE(path.empty());
  EXPECT_EQ(folder, "C:\\");

  gui->CloseEditorWindow();
  path = "C:\\x.wav";
  gui->AskForFile(path, 0, folder, "wav aif");
  EXPECT_TRUE(path.empty());
  IColor colour{255, 1, 2, 3};
  EXPECT_FALSE(gui->AskForColour(colour, "Colour"));
  EXPECT_EQ(colour.R, 1);
  IMenu menu;
  EXPECT_EQ(ChooseFromMenu(*gui, menu, {}), nullptr);
  gui->ShowTextEntry(bound, bound->GetText(), bound->GetRect(), "1", nullptr);
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
}

TEST_F(IGraphicsWinTest, WindowsClosedOrDestroyedByTheHostAreForgotten)
{
  const int open = IGraphicsWin::OpenWindowCount();
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(gui->HasWindow());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), open - 1);

  Open();
  Press(30, 10); // a field open as well
  DestroyWindow(parent.Handle());
  EXPECT_FALSE(gui->HasWindow());
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), open - 1);
  ParentWindow another;
  EXPECT_NE(gui->OpenEditorWindow(another.Handle()), nullptr);
  gui->CloseEditorWindow();
}
