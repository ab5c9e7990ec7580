// IGraphicsWin: the editor window, its timer and painting, pointer and key messages, tooltips,
// pointer hiding, resizing and images. The dialogs and the text field are in
// IGraphicsWinDialogs.cpp.
#include "graphics/win/IGraphicsWin.h"

#include "framework/IPlugBase.h"
#include "graphics/MakePlatformGraphics.h"
#include "lice/LICE_IBitmap.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PNG.h"
#include "vst3/ModuleHandle.h"

#include <commctrl.h>

namespace
{
// Shorter data cannot hold even a PNG signature.
constexpr DWORD kMinimumPngBytes = 8;
constexpr int kWheelDelta = 120;

// Process-wide: the editor windows open (the class exists while one does) and the frame rate
// handed to the window being created. User-interface thread only.
int gOpenWindows = 0;
double gFrameRate = 25.0;

// The module whose resources hold the images and which owns the window class: the one the
// module entry published, or else the one this code lives in (a test program carries the same
// resources in its own image).
HMODULE ResourceModule()
{
  if (void* handle = KoruModuleHandle()) return static_cast<HMODULE>(handle);
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ResourceModule), &self);
  return self;
}

// Message coordinates: the low and high 16-bit halves, each sign-extended.
int LowSigned(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int HighSigned(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

IMouseMod ModifiersOf(WPARAM keyState)
{
  IMouseMod mod;
  mod.L = (keyState & MK_LBUTTON) != 0;
  mod.R = (keyState & MK_RBUTTON) != 0;
  mod.S = (keyState & MK_SHIFT) != 0;
  mod.C = (keyState & MK_CONTROL) != 0;
  mod.A = GetKeyState(VK_MENU) < 0;
  return mod;
}

IRect RectOf(const RECT& r) { return IRect{r.left, r.top, r.right, r.bottom}; }

// The timer period in milliseconds for a frame rate; a rate that is not positive ticks once a
// second rather than dividing by nothing.
UINT TimerPeriod(double frameRate)
{
  if (!(frameRate > 0.0)) return 1000;
  const double period = 1000.0 / frameRate;
  return period < 1.0 ? 1u : period > 1000.0 ? 1000u : static_cast<UINT>(period);
}

// The tooltip window's one tool, the whole editor window, showing text. The size is the one every
// version of the common controls takes (the newest one's is refused by the older ones a module
// without a manifest gets).
TOOLINFOA EditorTool(HWND window, const char* text)
{
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(window);
  tool.lpszText = const_cast<char*>(text);
  return tool;
}

} // namespace

IGraphics* MakePlatformGraphics(IPlugBase* plugin, int width, int height, int frameRate)
{
  return new IGraphicsWin(plugin, width, height, frameRate);
}

IGraphicsWin::IGraphicsWin(IPlugBase* plugin, int width, int height, int frameRate)
  : IGraphics(plugin, width, height, frameRate)
  , mModuleInstance(ResourceModule())
{
}

IGraphicsWin::~IGraphicsWin()
{
  if (mWindow)
  {
    // The plug-in is being destroyed: no gesture or text commit goes to it any more.
    HWND window = mWindow;
    if (mEntryWindow)
    {
      SetWindowLongPtrA(mEntryWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryDefaultProc));
      mEntryWindow = nullptr;
    }
    if (mTooltipWindow) DestroyWindow(mTooltipWindow);
    mTooltipWindow = nullptr;
    mWindow = nullptr;
    DestroyWindow(window);
    if (--gOpenWindows == 0) UnregisterClassA(kWindowClassName, mModuleInstance);
  }
  if (mEntryFont) DeleteObject(mEntryFont);
}

int IGraphicsWin::OpenWindowCount() { return gOpenWindows; }

// --- Opening and closing --------------------------------------------------------------------

void* IGraphicsWin::OpenEditorWindow(void* parent)
{
  HWND parentWindow = static_cast<HWND>(parent);
  // A handle that names no window gets none (the view tells the host so).
  if (!parentWindow || !IsWindow(parentWindow)) return nullptr;
  mParentWindow = parentWindow;

  int x = 0, y = 0, w = mWidth, h = mHeight;
  if (mWindow)
  {
    RECT windowRect = {}, parentRect = {};
    GetWindowRect(mWindow, &windowRect);
    GetWindowRect(parentWindow, &parentRect);
    x = windowRect.left - parentRect.left;
    y = windowRect.top - parentRect.top;
    w = windowRect.right - windowRect.left;
    h = windowRect.bottom - windowRect.top;
    CloseEditorWindow();
  }

  if (gOpenWindows++ == 0)
  {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = mModuleInstance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kWindowClassName;
    // Failing because the class is still there (its last window was destroyed from outside,
    // see ForgetWindow) is harmless: creation below uses it.
    RegisterClassA(&windowClass);
  }

  gFrameRate = mFrameRate;
  HWND window = CreateWindowExA(0, kWindowClassName, "IPlug", WS_CHILD | WS_VISIBLE, x, y, w, h,
                                parentWindow, nullptr, mModuleInstance, this);
  if (!window)
  {
    if (--gOpenWindows == 0) UnregisterClassA(kWindowClassName, mModuleInstance);
    return nullptr;
  }
  mWindow = window;
  for (const auto& control : mControls) control->MarkDirty(false);
  if (mTooltipsEnabled) SetUpTooltips();
  return mWindow;
}

void IGraphicsWin::CloseEditorWindow()
{
  if (!mWindow) return;
  HWND window = mWindow;
  ForgetWindow();
  // The window's messages from here on find it no longer the editor's and get default handling.
  DestroyWindow(window);
  if (gOpenWindows == 0) UnregisterClassA(kWindowClassName, mModuleInstance);
}

void IGraphicsWin::ForgetWindow()
{
  if (mTooltipWindow) DestroyWindow(mTooltipWindow);
  mTooltipWindow = nullptr;
  mTooltipShown = false;
  mTooltipIdx = -1;
  // The field goes with the window; its fields are cleared so that a new one can open later.
  CloseTextEntry();
  // A press whose release will never arrive closes its gesture here.
  EndEditGesture();
  mCapturedIdx = -1;
  mWindow = nullptr;
  --gOpenWindows;
}

void IGraphicsWin::SetUpTooltips()
{
  INITCOMMONCONTROLSEX init = {};
  init.dwSize = sizeof init;
  init.dwICC = ICC_TAB_CLASSES; // value 8, which brings the tooltip class
  HWND tooltip = nullptr;
  if (InitCommonControlsEx(&init))
    tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, mWindow,
                              nullptr, mModuleInstance, nullptr);
  if (!tooltip)
  {
    mTooltipsEnabled = false;
    return;
  }
  SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TOOLINFOA tool = EditorTool(mWindow, "");
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  if (!SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)))
  {
    DestroyWindow(tooltip);
    mTooltipsEnabled = false;
    return;
  }
  mTooltipWindow = tooltip;
}

void IGraphicsWin::HideTooltip()
{
  if (!mTooltipShown || !mTooltipWindow) return;
  TOOLINFOA tool = EditorTool(mWindow, "");
  SendMessageA(mTooltipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  mTooltipShown = false;
}

// --- Messages -------------------------------------------------------------------------------

LRESULT CALLBACK IGraphicsWin::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_CREATE)
  {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    SetTimer(window, kTimerId, TimerPeriod(gFrameRate), nullptr);
    SetFocus(window);
    return 0;
  }
  auto* graphics = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!graphics || window != graphics->mWindow) return DefWindowProcA(window, msg, wParam, lParam);
  return graphics->HandleMessage(window, msg, wParam, lParam);
}

LRESULT IGraphicsWin::HandleMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
  switch (msg)
  {
  case WM_CLOSE:
    // Also while a field is focused: the default would destroy the window behind our back.
    CloseEditorWindow();
    return 0;
  case WM_DESTROY:
    // Destroyed from outside (the host destroyed its parent): forget it. The class stays
    // registered while its window exists; the next opening finds it there.
    ForgetWindow();
    return 0;
  case WM_CTLCOLOREDIT:
    // The field keeps its colours while focused too.
    if (reinterpret_cast<HWND>(lParam) == mEntryWindow && mEntryWindow)
      return TextEntryColours(reinterpret_cast<HDC>(wParam));
    break;
  default: break;
  }

  if (mEntryWindow && mEntryState == kEntryFocused)
  {
    // The user is typing: presses cancel, everything else waits.
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN)
    {
      mEntryState = kEntryCancel;
      return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
  }

  const int x = LowSigned(lParam);
  const int y = HighSigned(lParam);
  switch (msg)
  {
  case WM_TIMER:
    if (wParam == kTimerId) OnTimerTick();
    return 0;
  case WM_PAINT: OnPaint(); return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
    HideTooltip();
    if (mEntryWindow)
    {
      mEntryState = kEntryCommit;
      return 0;
    }
    SetFocus(window);
    SetCapture(window);
    PointerDown(x, y, ModifiersOf(wParam));
    return 0;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP:
    // The middle button is released like the others, so that its press does not keep the
    // pointer and a gesture forever.
    mReleasingCapture = true;
    ReleaseCapture();
    mReleasingCapture = false;
    PointerUp(x, y, ModifiersOf(wParam));
    return 0;
  case WM_CAPTURECHANGED:
    // The capture went elsewhere before the release came: the gesture of the press ends.
    if (!mReleasingCapture && reinterpret_cast<HWND>(lParam) != window)
    {
      mCapturedIdx = -1;
      EndEditGesture();
    }
    return 0;
  case WM_MOUSEMOVE: HandleMouseMove(x, y, ModifiersOf(wParam), wParam); return 0;
  case WM_LBUTTONDBLCLK:
    if (PointerDoubleClick(x, y, ModifiersOf(wParam))) SetCapture(window);
    return 0;
  case WM_MOUSEWHEEL:
  {
    if (mEntryWindow)
    {
      mEntryState = kEntryCancel;
      return 0;
    }
    RECT windowRect = {};
    GetWindowRect(window, &windowRect);
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    PointerWheel(x - windowRect.left, y - windowRect.top, ModifiersOf(GET_KEYSTATE_WPARAM(wParam)),
                 WheelNotches(delta));
    return 0;
  }
  case WM_MOUSEHOVER:
    if (mTooltipWindow)
    {
      IControl* control = GetControl(mTooltipIdx);
      TOOLINFOA tool = EditorTool(window, control ? control->Tooltip().c_str() : "");
      SendMessageA(mTooltipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
      mTooltipShown = true;
    }
    return 0;
  case WM_MOUSELEAVE:
    HideTooltip();
    PointerLeft();
    return 0;
  case WM_KEYDOWN:
  {
    const int key = KeyCodeOf(wParam);
    if (key < 0) return PassKeyOn(window, msg, wParam, lParam);
    POINT pointer = {};
    GetCursorPos(&pointer);
    ScreenToClient(window, &pointer);
    if (!KeyPressed(pointer.x, pointer.y, key)) return PassKeyOn(window, msg, wParam, lParam);
    return 0;
  }
  case WM_KEYUP: return PassKeyOn(window, msg, wParam, lParam);
  case WM_SETFOCUS:
  case WM_KILLFOCUS: return 0;
  default: return DefWindowProcA(window, msg, wParam, lParam);
  }
}

void IGraphicsWin::HandleMouseMove(int x, int y, const IMouseMod& mod, WPARAM wParam)
{
  if (wParam & (MK_LBUTTON | MK_RBUTTON))
  {
    if (GetCapture() == mWindow && !mEntryWindow) PointerDrag(x, y, mod);
    return;
  }
  if (!PointerOver(x, y, mod)) return;
  TRACKMOUSEEVENT track = {};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = mWindow;
  track.dwHoverTime = HOVER_DEFAULT;
  if (mTooltipsEnabled && mHoverIdx != mTooltipIdx)
  {
    mTooltipIdx = mHoverIdx;
    if (mHoverIdx >= 0) track.dwFlags |= TME_HOVER;
    HideTooltip();
  }
  TrackMouseEvent(&track);
}

LRESULT IGraphicsWin::PassKeyOn(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
  HWND root = GetAncestor(window, GA_ROOT);
  if (root && root != window) SendMessageA(root, msg, wParam, lParam);
  return DefWindowProcA(window, msg, wParam, lParam);
}

int IGraphicsWin::KeyCodeOf(WPARAM virtualKey)
{
  switch (virtualKey)
  {
  case VK_SPACE: return 0;
  case VK_UP: return 1;
  case VK_DOWN: return 2;
  case VK_LEFT: return 3;
  case VK_RIGHT: return 4;
  default: break;
  }
  if (virtualKey >= '0' && virtualKey <= '9') return 5 + static_cast<int>(virtualKey - '0');
  if (virtualKey >= 'A' && virtualKey <= 'Z') return 15 + static_cast<int>(virtualKey - 'A');
  return -1;
}

// --- Timer and painting ---------------------------------------------------------------------

void IGraphicsWin::OnTimerTick()
{
  if (FinishTextEntry()) return;
  IRect dirty;
  if (!GatherDirty(dirty)) return;
  RECT invalid = {dirty.L, dirty.T, dirty.R, dirty.B};
  InvalidateRect(mWindow, &invalid, FALSE);
  if (mEntryWindow && mEntryControl)
  {
    // The field is not painted over.
    const IRect& owner = mEntryControl->GetRect();
    RECT keep = {owner.L, owner.T, owner.R, owner.B};
    ValidateRect(mWindow, &keep);
    UpdateWindow(mWindow);
    mEntryState = kEntryRepainted;
    return;
  }
  UpdateWindow(mWindow);
}

void IGraphicsWin::OnPaint()
{
  RECT update = {};
  if (!GetUpdateRect(mWindow, &update, FALSE)) return;
  mPainting = true;
  RedrawRegion(RectOf(update));
  mPainting = false;
  // A pass that presented nothing (no controls) still answers the paint request, or it would
  // come back at once and for ever.
  ValidateRect(mWindow, nullptr);
}

bool IGraphicsWin::PresentRegion(const IRect& rect)
{
  LICE_IBitmap* surface = Surface();
  if (!mWindow || !surface || !surface->deviceContext()) return true;
  HDC source = static_cast<HDC>(surface->deviceContext());
  if (mPainting)
  {
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(mWindow, &paint);
    BitBlt(dc, rect.L, rect.T, rect.R - rect.L, rect.B - rect.T, source, rect.L, rect.T, SRCCOPY);
    EndPaint(mWindow, &paint);
    return true;
  }
  // A draw pass outside painting goes straight to the window.
  HDC dc = GetDC(mWindow);
  if (!dc) return true;
  BitBlt(dc, rect.L, rect.T, rect.R - rect.L, rect.B - rect.T, source, rect.L, rect.T, SRCCOPY);
  ReleaseDC(mWindow, dc);
  return true;
}

// --- Pointer, size, images ------------------------------------------------------------------

void IGraphicsWin::HidePointer()
{
  if (mPointerHidden) return;
  POINT pointer = {};
  GetCursorPos(&pointer);
  mHiddenPointerX = pointer.x;
  mHiddenPointerY = pointer.y;
  ShowCursor(FALSE);
  mPointerHidden = true;
}

void IGraphicsWin::RestorePointer()
{
  if (!mPointerHidden) return;
  SetCursorPos(mHiddenPointerX, mHiddenPointerY);
  ShowCursor(TRUE);
  mPointerHidden = false;
}

void IGraphicsWin::SetEditorSize(int width, int height)
{
  if (width == mWidth && height == mHeight) return;
  const int dW = width - mWidth;
  const int dH = height - mHeight;
  IGraphics::SetEditorSize(width, height);
  if (!mWindow) return;

  auto grow = [dW, dH](HWND window)
  {
    RECT r = {};
    GetWindowRect(window, &r);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left + dW, r.bottom - r.top + dH,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  auto isPlainChild = [](HWND window)
  {
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    return (style & WS_CHILD) != 0 && (exStyle & WS_EX_MDICHILD) == 0;
  };

  grow(mWindow);
  const int api = mPlugin ? mPlugin->PluginApi() : IPlugBase::kAPIVST3;
  // Bindings whose hosts size the frame themselves (this system's VST3 binding is one) are
  // told through the plug-in; the others get their parents grown as well.
  if (api != 1 && api != 3 && isPlainChild(mWindow))
  {
    if (HWND parent = GetParent(mWindow))
    {
      grow(parent);
      if (isPlainChild(parent))
        if (HWND grandParent = GetParent(parent)) grow(grandParent);
    }
  }
  RECT all = {0, 0, width, height};
  InvalidateRect(mWindow, &all, FALSE);
}

LICE_IBitmap* IGraphicsWin::LoadPlatformBitmap(int resourceId, const char* fileName)
{
  if (!IsPngFileName(fileName)) return nullptr;
  HMODULE module = mModuleInstance;
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId & 0xFFFF), "PNG");
  if (!resource) return nullptr;
  const DWORD size = SizeofResource(module, resource);
  if (size < kMinimumPngBytes) return nullptr;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return nullptr;
  return LICE_ReadPngMemory(data, static_cast<int>(size));
}
