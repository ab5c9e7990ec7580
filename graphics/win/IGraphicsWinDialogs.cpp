// IGraphicsWin: the in-place text field, popup menus, alerts, folders, the file and colour
// dialogs, web addresses and the clipboard. Every dialog is owned by the editor window.
#include "framework/IParamSlot.h"
#include "framework/Truncate.h"
#include "graphics/IDialogText.h"
#include "graphics/IMenuIds.h"
#include "graphics/ITextEntryRules.h"
#include "graphics/win/IGraphicsWin.h"

#include <commdlg.h>
#include <cstdio>
#include <cstdlib>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

namespace
{
// The longest text a committed field hands on, and the folder and file buffers' size.
constexpr int kEntryTextSize = 32;
constexpr DWORD kPathSize = 256;
constexpr int kClassNameSize = 128;
// GetParent chains are short; a cycle must not hang the user-interface thread.
constexpr int kMaxAncestors = 64;
constexpr int kCustomColours = 16;
// ShellExecute's answers above this one mean success.
constexpr INT_PTR kShellExecuteOk = 32;

// A folder of at most kPathSize - 1 characters, or empty: a longer one cannot be handed on whole.
void StoreFolder(std::string& out, const char* folder)
{
  out = folder;
  if (out.size() >= kPathSize) out.clear();
}

// The folder of the module's (or the executable's) file; empty when the path cannot be read
// whole.
void ModuleFolder(HMODULE module, std::string& out)
{
  char path[kPathSize] = {};
  const DWORD length = GetModuleFileNameA(module, path, kPathSize);
  out.clear();
  if (length == 0 || length >= kPathSize) return;
  out = FolderOfPath(std::string(path, length), '\\');
}

UINT_PTR CALLBACK ColourHook(HWND dialog, UINT msg, WPARAM /*wParam*/, LPARAM lParam)
{
  if (msg == WM_INITDIALOG)
  {
    const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    const char* prompt = choose ? reinterpret_cast<const char*>(choose->lCustData) : nullptr;
    if (prompt && prompt[0]) SetWindowTextA(dialog, prompt);
  }
  return 0;
}

struct OwnerSearch
{
  DWORD processId;
  const std::string* className;
  HWND found;
};

BOOL CALLBACK FindOwner(HWND window, LPARAM lParam)
{
  auto* search = reinterpret_cast<OwnerSearch*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId) return TRUE;
  char name[kClassNameSize] = {};
  GetClassNameA(window, name, kClassNameSize);
  if (*search->className != name) return TRUE;
  search->found = window;
  return FALSE;
}

// Builds the platform menu of menu (numbers from ids); null when it cannot be made.
HMENU BuildMenu(IMenu& menu, const IMenuIds& ids)
{
  HMENU handle = CreatePopupMenu();
  if (!handle) return nullptr;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IMenuItem& item = *menu.items[i];
    if (item.flags & IMenuItem::kSeparator)
    {
      AppendMenuA(handle, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::string label = IMenuIds::Label(menu, i);
    if (item.submenu)
    {
      if (HMENU submenu = BuildMenu(*item.submenu, ids))
        AppendMenuA(handle, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), label.c_str());
      continue;
    }
    UINT flags = MF_STRING;
    if (item.flags & IMenuItem::kDisabled) flags |= MF_GRAYED;
    if (item.flags & IMenuItem::kGreyed) flags |= MF_DISABLED;
    if (item.flags & IMenuItem::kChecked) flags |= MF_CHECKED;
    AppendMenuA(handle, flags, static_cast<UINT_PTR>(ids.IdOf(menu, i)), label.c_str());
  }
  return handle;
}
} // namespace

void IGraphicsWin::DiscardTextEntry() { mEntryState = kEntryCancel; }

// --- Text field -----------------------------------------------------------------------------

void IGraphicsWin::ShowTextEntry(IControl* control, const IText& text, const IRect& rect,
                                 const char* initialText, IParamSlot* param)
{
  if (!control || mEntryWindow || !mWindow) return;

  DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL;
  if (text.align == IText::kAlignFar)
    style |= ES_RIGHT;
  else if (text.align != IText::kAlignNear)
    style |= ES_CENTER;
  HWND field = CreateWindowExA(0, "EDIT", initialText ? initialText : "", style, rect.L, rect.T,
                               rect.R - rect.L + 1, rect.B - rect.T + 1, mWindow,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextEntryId)),
                               mModuleInstance, nullptr);
  if (!field) return;

  mEntryFont = CreateFontA(
      text.size, 0, 0, 0, text.style == IText::kStyleBold ? FW_BOLD : FW_DONTCARE,
      text.style == IText::kStyleItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, text.face);
  SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(control->TextEntryLength()), 0);
  if (mEntryFont) SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(mEntryFont), 0);
  SendMessageA(field, EM_SETSEL, 0, -1);

  // Intercepted before it takes the focus, so that the focus it gets now counts (state 1).
  mEntryWindow = field;
  mEntryParam = param;
  mEntryControl = control;
  mEntryDefaultProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TextEntryProc)));
  // A press that opened the field lets the pointer go (and its gesture ends): the field takes
  // the pointer and keys now, and the release goes by while the user types.
  if (GetCapture() == mWindow) ReleaseCapture();
  SetFocus(field);
}

LRESULT CALLBACK IGraphicsWin::TextEntryProc(HWND field, UINT msg, WPARAM wParam, LPARAM lParam)
{
  auto* graphics =
      reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(GetParent(field), GWLP_USERDATA));
  if (!graphics || field != graphics->mEntryWindow || !graphics->mEntryDefaultProc)
  {
    // Default handling of an edit field is its class's.
    auto classProc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(field, GCLP_WNDPROC));
    return classProc ? CallWindowProcA(classProc, field, msg, wParam, lParam)
                     : DefWindowProcA(field, msg, wParam, lParam);
  }
  return graphics->HandleTextEntryMessage(field, msg, wParam, lParam);
}

LRESULT IGraphicsWin::HandleTextEntryMessage(HWND field, UINT msg, WPARAM wParam, LPARAM lParam)
{
  HideTooltip();
  const WNDPROC own = mEntryDefaultProc;
  switch (msg)
  {
  case WM_SETFOCUS:
    mEntryState = kEntryFocused;
    return CallWindowProcA(own, field, msg, wParam, lParam);
  case WM_KILLFOCUS:
    mEntryState = kEntryCommit;
    return CallWindowProcA(own, field, msg, wParam, lParam);
  case WM_GETDLGCODE:
  {
    LRESULT code = CallWindowProcA(own, field, msg, wParam, lParam);
    if (mEntryParam) return code;
    const auto* queried = reinterpret_cast<const MSG*>(lParam);
    if (queried && queried->message == WM_KEYDOWN && queried->wParam == VK_RETURN)
      code |= DLGC_WANTALLKEYS;
    return code;
  }
  case WM_KEYDOWN:
    if (wParam == VK_RETURN)
    {
      mEntryState = kEntryCommit;
      return 0;
    }
    if (wParam == VK_ESCAPE)
    {
      mEntryState = kEntryCancel;
      return 0;
    }
    break;
  case WM_CHAR:
    // The characters of Return and Escape (and a line feed) never reach the one-line field.
    if (wParam == '\r' || wParam == '\n' || wParam == VK_ESCAPE) return 0;
    if (mEntryParam && !TextEntryAccepts(mEntryParam, static_cast<unsigned>(wParam))) return 0;
    break;
  case WM_COMMAND:
    if (HIWORD(wParam) == 1)
    {
      mEntryState = kEntryCommit;
      return 0;
    }
    break;
  default: break;
  }
  return CallWindowProcA(own, field, msg, wParam, lParam);
}

bool IGraphicsWin::FinishTextEntry()
{
  if (!mEntryWindow || mEntryState == kEntryNone) return false;
  if (mEntryState == kEntryCommit)
  {
    char text[kEntryTextSize] = {};
    SendMessageA(mEntryWindow, WM_GETTEXT, kEntryTextSize, reinterpret_cast<LPARAM>(text));
    IControl* control = mEntryControl;
    const IParamSlot* param = mEntryParam;
    // Closed first: the edit may reach the host, which must find no field half open.
    CloseTextEntry();
    CommitTextEntry(control, param, text);
    return true;
  }
  if (mEntryState == kEntryCancel)
  {
    CloseTextEntry();
    return true;
  }
  mEntryState = kEntryNone;
  return true;
}

void IGraphicsWin::CloseTextEntry()
{
  if (mEntryWindow)
  {
    HWND field = mEntryWindow;
    // Cleared before the field goes, so that its last messages (focus lost) change nothing.
    mEntryWindow = nullptr;
    if (mEntryDefaultProc)
      SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryDefaultProc));
    DestroyWindow(field);
  }
  if (mEntryFont) DeleteObject(mEntryFont);
  mEntryFont = nullptr;
  mEntryParam = nullptr;
  mEntryControl = nullptr;
  mEntryDefaultProc = nullptr;
  mEntryState = kEntryNone;
}

LRESULT IGraphicsWin::TextEntryColours(HDC dc)
{
  if (!mEntryControl) return 0;
  const IText& text = mEntryControl->GetText();
  const COLORREF background = text.textEntryBGColor.ToPlatform();
  SetBkColor(dc, background);
  SetTextColor(dc, text.textEntryFGColor.ToPlatform());
  SetBkMode(dc, OPAQUE);
  // The stock brush paints the field's empty part in the same background.
  SetDCBrushColor(dc, background);
  return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

// --- Menus ----------------------------------------------------------------------------------

IMenu* IGraphicsWin::ShowMenu(IMenu& menu, const IRect& rect)
{
  mCapturedIdx = mLastX = mLastY = -1;
  if (!mWindow || menu.NItems() == 0) return nullptr;

  const IMenuIds ids(menu);
  HMENU handle = BuildMenu(menu, ids);
  if (!handle) return nullptr;

  IMenu* result = nullptr;
  POINT corner = {rect.L, rect.B};
  ClientToScreen(mWindow, &corner);
  if (TrackPopupMenu(handle, TPM_LEFTALIGN | TPM_TOPALIGN, corner.x, corner.y, 0, mWindow, nullptr))
  {
    MSG command = {};
    if (PeekMessageA(&command, mWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE) &&
        HIWORD(command.wParam) == 0)
      result = ids.Resolve(LOWORD(command.wParam));
  }
  DestroyMenu(handle);
  RECT all = {0, 0, mWidth, mHeight};
  InvalidateRect(mWindow, &all, FALSE);
  return result;
}

// --- Alerts ---------------------------------------------------------------------------------

void IGraphicsWin::FindOwnerWindow()
{
  // Kept once found, while it exists.
  if (mOwnerWindow && IsWindow(mOwnerWindow)) return;
  mOwnerWindow = nullptr;
  if (mParentWindow && IsWindow(mParentWindow))
  {
    HWND top = mParentWindow;
    for (int i = 0; i < kMaxAncestors; ++i)
    {
      HWND up = GetParent(top);
      if (!up) break;
      top = up;
    }
    mOwnerWindow = top;
    char name[kClassNameSize] = {};
    GetClassNameA(top, name, kClassNameSize);
    mOwnerClassName = name;
    return;
  }
  if (mOwnerClassName.empty()) return;
  mProcessId = GetCurrentProcessId();
  OwnerSearch search{mProcessId, &mOwnerClassName, nullptr};
  EnumWindows(FindOwner, reinterpret_cast<LPARAM>(&search));
  mOwnerWindow = search.found;
}

int IGraphicsWin::ShowAlert(const char* text, const char* caption, int type)
{
  FindOwnerWindow();
  return MessageBoxA(mOwnerWindow, text ? text : "", caption ? caption : "",
                     static_cast<UINT>(type));
}

// --- Folders --------------------------------------------------------------------------------

void IGraphicsWin::HostFolder(std::string& out) { ModuleFolder(nullptr, out); }

void IGraphicsWin::PluginFolder(std::string& out) { ModuleFolder(mModuleInstance, out); }

void IGraphicsWin::DesktopFolder(std::string& out)
{
  char folder[MAX_PATH] = {};
  out.clear();
  if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_DESKTOP, FALSE)) StoreFolder(out, folder);
}

void IGraphicsWin::AppDataFolder(std::string& out, bool allUsers)
{
  char folder[MAX_PATH] = {};
  out.clear();
  const int which = allUsers ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA;
  if (SUCCEEDED(SHGetFolderPathA(nullptr, which, nullptr, 0, folder))) StoreFolder(out, folder);
}

void IGraphicsWin::UserAppDataFolder(std::string& out) { AppDataFolder(out, false); }

// --- File and colour dialogs ----------------------------------------------------------------

void IGraphicsWin::AskForFile(std::string& path, int action, std::string& folder,
                              const char* extensions)
{
  std::string pattern, defaultExtension;
  if (!mWindow || !FileDialogFilter(extensions, pattern, defaultExtension))
  {
    path.clear();
    return;
  }

  char file[kPathSize] = {};
  CopyTruncated(file, kPathSize - 1, path.c_str());
  if (folder.empty()) DesktopFolder(folder);

  // One entry whose description and pattern are the same text, double-terminated.
  std::string filter;
  if (!pattern.empty())
  {
    filter = pattern;
    filter += '\0';
    filter += pattern;
    filter += '\0';
    filter += '\0';
  }

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = mWindow;
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = file;
  dialog.nMaxFile = kPathSize - 1;
  dialog.lpstrInitialDir = folder.c_str();
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  // The host's current folder is the host's: the dialog leaves it alone.
  dialog.Flags = OFN_NOCHANGEDIR;
  BOOL chosen = FALSE;
  if (action == 1)
  {
    dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    chosen = GetSaveFileNameA(&dialog);
  }
  else
  {
    dialog.Flags |= OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameA(&dialog);
  }
  if (!chosen)
  {
    path.clear();
    return;
  }

  char drive[_MAX_DRIVE] = {};
  char directory[_MAX_DIR] = {};
  if (_splitpath_s(file, drive, sizeof drive, directory, sizeof directory, nullptr, 0, nullptr,
                   0) == 0)
  {
    char joined[kPathSize] = {};
    std::snprintf(joined, sizeof joined, "%s%s", drive, directory);
    folder = joined;
  }
  path = file;
}

bool IGraphicsWin::AskForColour(IColor& colour, const char* prompt)
{
  if (!mWindow) return false;
  if (!mCustomColours)
  {
    mCustomColours = std::make_unique<COLORREF[]>(kCustomColours);
    for (int i = 0; i < kCustomColours; ++i) mCustomColours[i] = 0;
  }
  CHOOSECOLORA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = mWindow;
  dialog.rgbResult = RGB(colour.R, colour.G, colour.B);
  dialog.lpCustColors = mCustomColours.get();
  dialog.Flags = CC_FULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR | CC_RGBINIT | CC_ENABLEHOOK;
  dialog.lCustData = reinterpret_cast<LPARAM>(prompt);
  dialog.lpfnHook = ColourHook;
  if (!ChooseColorA(&dialog)) return false;
  colour.R = GetRValue(dialog.rgbResult);
  colour.G = GetGValue(dialog.rgbResult);
  colour.B = GetBValue(dialog.rgbResult);
  return true;
}

// --- Web addresses and the clipboard --------------------------------------------------------

bool IGraphicsWin::LaunchUrl(const char* url, const char* title, const char* confirmText,
                             const char* failureText)
{
  if (confirmText && MessageBoxA(mWindow, confirmText, title, MB_YESNO) != IDYES) return false;
  DWORD connection = 0;
  if (url && InternetGetConnectedState(&connection, 0) &&
      reinterpret_cast<INT_PTR>(
          ShellExecuteA(mWindow, "open", url, nullptr, nullptr, SW_SHOWNORMAL)) > kShellExecuteOk)
    return true;
  if (failureText) MessageBoxA(mWindow, failureText, title, MB_OK);
  return false;
}

bool IGraphicsWin::ClipboardText(std::string& out)
{
  out.clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return false;
  bool ok = false;
  if (OpenClipboard(mWindow))
  {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* wide = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (wide)
    {
      const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
      if (size > 0)
      {
        std::string text(static_cast<size_t>(size), '\0');
        if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], size, nullptr, nullptr) == size)
        {
          text.resize(static_cast<size_t>(size - 1)); // the terminator
          out = text;
          ok = true;
        }
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return ok;
}
