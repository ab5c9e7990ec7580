// The Windows window layer driven in this process, in a real window: the text field (typing,
// Return, Escape, presses, a second opening, the window closing under it), popup menus chosen
// from the keyboard, keys, the dialogs' answers without a window, folders, the clipboard, the
// pointer, resizing and a window destroyed by its host.
#include "graphics/win/IGraphicsWin.h"

#include "graphics/win/WindowTestSupport.h"
#include "vst3/EditorHost.h"

#include <cstring>
#include <memory>
#include <string>

using namespace editor_test;
using namespace window_test;

namespace
{
using Kind = harness::ComponentHandler::Kind;

// A control whose prompt is enabled: a left press asks for its parameter's value. It records
// the keys and texts it receives.
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
    IGraphics* graphics = mPlugin->GetGUI();
    IRect rect = mRect;
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
// "Input 1" (continuous, -24..24 dB) and one without a parameter.
class IGraphicsWinTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    gui = static_cast<IGraphicsWin*>(&host.Graphics());
    bound = new PromptControl(host.koru, IRect{0, 0, 60, 20}, kInputGain);
    free = new PromptControl(host.koru, IRect{60, 0, 120, 20}, -1);
    gui->AddControl(bound);
    gui->AddControl(free);
    ASSERT_NE(gui->OpenEditorWindow(parent.Handle()), nullptr);
    window = static_cast<HWND>(gui->WindowHandle());
  }
  void TearDown() override { gui->CloseEditorWindow(); }

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

// Keys for the menu's own loop, posted before it starts: it takes them from the queue.
void PostMenuKeys(HWND window, std::initializer_list<WPARAM> keys)
{
  for (WPARAM key : keys)
  {
    PostMessageA(window, WM_KEYDOWN, key, 0);
    PostMessageA(window, WM_KEYUP, key, 0);
  }
}

// Answers the dialog this thread shows next (a message box or the colour chooser) with OK, from
// a timer that runs inside its modal loop, and records its title and owner.
struct DialogAnswer
{
  std::string title;
  HWND owner = nullptr;
  bool answered = false;

  static DialogAnswer& Last()
  {
    static DialogAnswer answer;
    return answer;
  }
  static BOOL CALLBACK Find(HWND window, LPARAM found)
  {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
  {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    KillTimer(nullptr, timer);
    DialogAnswer& answer = Last();
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    answer.title = title;
    answer.owner = GetWindow(dialog, GW_OWNER);
    answer.answered = true;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  }
  static void Arm()
  {
    Last() = DialogAnswer();
    SetTimer(nullptr, 0, 50, Tick);
  }
};

// A, separator, B, submenu S (S1, S2), C.
void FillMenu(IMenu& menu)
{
  menu.AddItem("A");
  menu.AddItem("", IMenuItem::kSeparator);
  menu.AddItem("B");
  IMenuItem* sub = menu.AddItem("S");
  sub->submenu = std::make_unique<IMenu>();
  sub->submenu->AddItem("S1");
  sub->submenu->AddItem("S2");
  menu.AddItem("C");
}
} // namespace

TEST_F(IGraphicsWinTest, TypedValueCommitsOnReturnWithOnlyTheCharactersItsKindTakes)
{
  Press(30, 10);
  ASSERT_NE(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryFocused);
  EXPECT_EQ(FieldText(), "0.00"); // the value, all of it selected: typing replaces it
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
}

TEST_F(IGraphicsWinTest, EscapeOrAPressWhileTypingCancels)
{
  Press(30, 10);
  HWND field = gui->TextEntryWindow();
  ASSERT_NE(field, nullptr);
  // A second prompt while the field is open opens nothing.
  gui->ShowTextEntry(free, free->GetText(), free->GetRect(), "other", nullptr);
  EXPECT_EQ(gui->TextEntryWindow(), field);
  host.handler.Clear();
  Type("7");
  Key(VK_ESCAPE);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCancel);
  Tick();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);

  Press(30, 10);
  Type("9");
  // Typing: a press on the editor cancels and reaches no control.
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(14, 346));
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCancel);
  Tick();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_DOUBLE_EQ(host.koru->Param(kInputGain)->Value(), 0.0);
  EXPECT_TRUE(host.handler.CallsOf(Kind::kPerformEdit).empty());
}

TEST_F(IGraphicsWinTest, FieldWithoutParameterTakesAnyTextAndHandsItToTheControl)
{
  Press(90, 10);
  ASSERT_NE(gui->TextEntryWindow(), nullptr);
  Type("a.b+c!\x1b");
  EXPECT_EQ(FieldText(), "a.b+c!");
  // Losing the focus commits.
  SetFocus(window);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryCommit);
  Tick();
  EXPECT_EQ(free->entered, std::vector<std::string>{"a.b+c!"});
}

TEST_F(IGraphicsWinTest, ClosingTheWindowUnderAnOpenFieldClearsIt)
{
  Press(30, 10);
  ASSERT_NE(gui->TextEntryWindow(), nullptr);
  gui->CloseEditorWindow();
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(gui->TextEntryState(), IGraphicsWin::kEntryNone);
  ASSERT_NE(gui->OpenEditorWindow(parent.Handle()), nullptr);
  window = static_cast<HWND>(gui->WindowHandle());
  Press(30, 10);
  EXPECT_NE(gui->TextEntryWindow(), nullptr);
}

TEST_F(IGraphicsWinTest, MenuChoicesMapBackThroughSeparatorsAndSubmenus)
{
  {
    IMenu menu;
    FillMenu(menu);
    PostMenuKeys(window, {VK_DOWN, VK_DOWN, VK_RETURN}); // A, then B past the separator
    EXPECT_EQ(gui->ShowMenu(menu, IRect{10, 10, 50, 30}), &menu);
    EXPECT_EQ(menu.chosenIndex, 2);
  }
  {
    IMenu menu;
    FillMenu(menu);
    PostMenuKeys(window, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
    EXPECT_EQ(gui->ShowMenu(menu, IRect{10, 10, 50, 30}), menu.items[3]->submenu.get());
    EXPECT_EQ(menu.items[3]->submenu->chosenIndex, 1);
    EXPECT_EQ(menu.chosenIndex, -1);
  }
  {
    IMenu menu;
    FillMenu(menu);
    PostMenuKeys(window, {VK_DOWN, VK_ESCAPE});
    EXPECT_EQ(gui->ShowMenu(menu, IRect{10, 10, 50, 30}), nullptr);
  }
  IMenu empty;
  EXPECT_EQ(gui->ShowMenu(empty, IRect{10, 10, 50, 30}), nullptr);
}

TEST_F(IGraphicsWinTest, MappedKeysReachTheControlUnderThePointerOthersTheRootWindow)
{
  EXPECT_EQ(IGraphicsWin::KeyCodeOf(VK_SPACE), 0);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf(VK_RIGHT), 4);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf('0'), 5);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf('Z'), 40);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf(VK_NUMPAD1), -1);
  EXPECT_EQ(IGraphicsWin::KeyCodeOf(VK_F1), -1);

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

TEST_F(IGraphicsWinTest, DialogsWithoutAWindowAnswerEmpty)
{
  gui->CloseEditorWindow();
  std::string path = "C:\\x.wav", folder;
  gui->AskForFile(path, 0, folder, "wav aif");
  EXPECT_TRUE(path.empty());
  IColor colour{255, 1, 2, 3};
  EXPECT_FALSE(gui->AskForColour(colour, "Colour"));
  EXPECT_EQ(colour.R, 1);
  IMenu menu;
  FillMenu(menu);
  EXPECT_EQ(gui->ShowMenu(menu, IRect{0, 0, 10, 10}), nullptr);
  gui->ShowTextEntry(bound, bound->GetText(), bound->GetRect(), "1", nullptr);
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
}

TEST_F(IGraphicsWinTest, AlertsBelongToTheHostsTopWindowAndTheColourDialogShowsThePrompt)
{
  DialogAnswer::Arm();
  EXPECT_EQ(gui->ShowAlert("Text", "Caption", MB_OKCANCEL), IDOK);
  EXPECT_TRUE(DialogAnswer::Last().answered);
  EXPECT_EQ(DialogAnswer::Last().title, "Caption");
  EXPECT_EQ(DialogAnswer::Last().owner, parent.Handle());

  DialogAnswer::Arm();
  IColor colour{7, 10, 20, 30};
  EXPECT_TRUE(gui->AskForColour(colour, "Pick one"));
  EXPECT_EQ(DialogAnswer::Last().title, "Pick one");
  // Owned by the editor window: the system hands a child's ownership to its top-level window.
  EXPECT_EQ(DialogAnswer::Last().owner, parent.Handle());
  EXPECT_EQ(colour.A, 7); // the initial colour comes back unchanged
  EXPECT_EQ(colour.R, 10);
  EXPECT_EQ(colour.G, 20);
  EXPECT_EQ(colour.B, 30);
}

TEST_F(IGraphicsWinTest, TooltipsOnlyWhenEnabled)
{
  gui->EnableTooltips(true);
  gui->SetTrackHover(true);
  ASSERT_NE(gui->OpenEditorWindow(parent.Handle()), nullptr);
  window = static_cast<HWND>(gui->WindowHandle());
  EXPECT_TRUE(gui->TooltipsEnabled()); // set up without failing
  bound->SetTooltip("Input");
  SendMessageA(window, WM_MOUSEMOVE, 0, Point(30, 10));
  EXPECT_EQ(gui->HoverIdx(), gui->NControls() - 2);
  SendMessageA(window, WM_MOUSEHOVER, 0, Point(30, 10));
  SendMessageA(window, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(gui->HoverIdx(), -1);
}

TEST_F(IGraphicsWinTest, ExtensionListsTooLongForTheDialogAreRefused)
{
  std::string extensions = "abcdefghijklmnop"; // a first extension of 16 characters
  std::string path = "C:\\x.wav", folder = "C:\\";
  gui->AskForFile(path, 1, folder, extensions.c_str());
  EXPECT_TRUE(path.empty());
  EXPECT_EQ(folder, "C:\\");
}

TEST_F(IGraphicsWinTest, FoldersEndInABackslash)
{
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string expected = exe;
  expected.erase(expected.rfind('\\') + 1);
  std::string folder;
  gui->HostFolder(folder);
  EXPECT_EQ(folder, expected);
  gui->PluginFolder(folder); // this program carries the editor
  EXPECT_EQ(folder, expected);
  gui->UserAppDataFolder(folder);
  EXPECT_FALSE(folder.empty());
  gui->AppDataFolder(folder, true);
  EXPECT_FALSE(folder.empty());
}

TEST_F(IGraphicsWinTest, ClipboardTextArrivesAsUtf8)
{
  const wchar_t text[] = L"Gr\u00fc\u00dfe 12";
  ASSERT_TRUE(OpenClipboard(window));
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(GlobalLock(data), text, sizeof text);
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
  std::string out;
  EXPECT_TRUE(gui->ClipboardText(out));
  EXPECT_EQ(out, "Gr\xc3\xbc\xc3\x9f"
                 "e 12");
}

TEST_F(IGraphicsWinTest, HiddenPointerComesBackWhereItWas)
{
  SetCursorPos(100, 200);
  gui->HidePointer();
  SetCursorPos(300, 300);
  gui->HidePointer(); // already hidden: the first position stays
  gui->RestorePointer();
  POINT pointer = {};
  GetCursorPos(&pointer);
  EXPECT_EQ(pointer.x, 100);
  EXPECT_EQ(pointer.y, 200);
}

TEST_F(IGraphicsWinTest, ResizingChangesTheWindowOnly)
{
  gui->SetEditorSize(150, 550);
  EXPECT_GT(gui->NControls(), 0); // the same size keeps the controls
  gui->SetEditorSize(180, 500);
  RECT client = {}, parentRect = {};
  GetClientRect(window, &client);
  GetWindowRect(parent.Handle(), &parentRect);
  EXPECT_EQ(client.right, 180);
  EXPECT_EQ(client.bottom, 500);
  EXPECT_EQ(parentRect.right - parentRect.left, 200); // the binding's host sizes its frame
}

TEST_F(IGraphicsWinTest, WindowsDestroyedByTheHostOrClosedAreForgotten)
{
  const int open = IGraphicsWin::OpenWindowCount();
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(gui->HasWindow());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), open - 1);

  ASSERT_NE(gui->OpenEditorWindow(parent.Handle()), nullptr);
  window = static_cast<HWND>(gui->WindowHandle());
  Press(30, 10); // a field open as well
  DestroyWindow(parent.Handle());
  EXPECT_FALSE(gui->HasWindow());
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), open - 1);
  ParentWindow another;
  EXPECT_NE(gui->OpenEditorWindow(another.Handle()), nullptr);
  gui->CloseEditorWindow();
}
