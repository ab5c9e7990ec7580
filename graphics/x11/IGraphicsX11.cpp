#include "graphics/x11/IGraphicsX11.h"

#include "graphics/IDialogText.h"
#include "graphics/ITextEntryRules.h"
#include "graphics/MakePlatformGraphics.h"
#include "graphics/x11/EmbeddedImages.h"
#include "graphics/x11/LinuxFolders.h"
#include "graphics/x11/X11Connection.h"
#include "graphics/x11/X11Dialogs.h"
#include "graphics/x11/X11PopupMenu.h"
#include "graphics/x11/X11Presenter.h"
#include "graphics/x11/X11TextField.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PNG.h"
#include "lice/LICE_SysBitmap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <poll.h>

namespace
{
// Resource ids are 16-bit, as on the platform with module resources.
constexpr int kResourceIdMask = 0xFFFF;
// Shorter data cannot hold even a PNG signature.
constexpr int kMinimumPngBytes = 8;
// X resource ids leave their top three bits clear: anything above is no window.
constexpr uintptr_t kMaxResourceId = 0x1FFFFFFF;
constexpr int kDepth = 24;
// The committed text is read as the platform's 32-character buffer reads it.
constexpr int kCommitCharacters = 31;
constexpr int kClipboardWaitMilliseconds = 500;
constexpr long kClipboardMaxBytes = 1 << 20;
constexpr long kXEmbedVersion = 0;
constexpr long kXEmbedMapped = 1;
constexpr int kMaxAncestors = 64;

int gOpenWindows = 0;

XEvent& Event(void* event) { return *static_cast<XEvent*>(event); }

IMouseMod ModOf(unsigned state)
{
  IMouseMod mod;
  mod.L = (state & Button1Mask) != 0;
  mod.R = (state & Button3Mask) != 0;
  mod.S = (state & ShiftMask) != 0;
  mod.C = (state & ControlMask) != 0;
  mod.A = (state & Mod1Mask) != 0;
  return mod;
}

bool Overlap(const IRect& a, const IRect& b)
{
  return a.L < b.R && b.L < a.R && a.T < b.B && b.T < a.B;
}

// Text from the keyboard arrives in Latin-1.
std::string Utf8FromLatin1(const char* text, int length)
{
  std::string out;
  for (int i = 0; i < length; ++i)
  {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80)
    {
      out += static_cast<char>(c);
    }
    else
    {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}
} // namespace

IGraphics* MakePlatformGraphics(IPlugBase* plugin, int width, int height, int frameRate)
{
  return new IGraphicsX11(plugin, width, height, frameRate);
}

IGraphicsX11::IGraphicsX11(IPlugBase* plugin, int width, int height, int frameRate)
  : IGraphics(plugin, width, height, frameRate)
{
}

IGraphicsX11::~IGraphicsX11()
{
  // The plug-in is going away with its editor: it hears of no gesture now.
  mGestureParamIdx = -1;
  CloseEditorWindow();
}

int IGraphicsX11::OpenWindowCount() { return gOpenWindows; }

int IGraphicsX11::KeyCodeOfKeysym(unsigned long keysym)
{
  switch (keysym)
  {
  case XK_space: return 0;
  case XK_Up: return 1;
  case XK_Down: return 2;
  case XK_Left: return 3;
  case XK_Right: return 4;
  default: break;
  }
  if (keysym >= XK_0 && keysym <= XK_9) return 5 + static_cast<int>(keysym - XK_0);
  if (keysym >= XK_a && keysym <= XK_z) return 15 + static_cast<int>(keysym - XK_a);
  if (keysym >= XK_A && keysym <= XK_Z) return 15 + static_cast<int>(keysym - XK_A);
  return -1;
}

// --- Window ---------------------------------------------------------------------------------

void* IGraphicsX11::OpenEditorWindow(void* parent)
{
  int x = 0, y = 0;
  unsigned width = static_cast<unsigned>(std::max(mWidth, 1));
  unsigned height = static_cast<unsigned>(std::max(mHeight, 1));
  if (mWindow)
  {
    // Reopening keeps the place inside the parent and the size.
    Window root = 0;
    int wx = 0, wy = 0;
    unsigned ww = 0, wh = 0, border = 0, depth = 0;
    if (!mWindowGone && mConnection->Valid() &&
        XGetGeometry(mConnection->Display(), mWindow, &root, &wx, &wy, &ww, &wh, &border, &depth))
    {
      x = wx;
      y = wy;
      width = ww;
      height = wh;
    }
    CloseEditorWindow();
  }

  const auto parentId = reinterpret_cast<uintptr_t>(parent);
  if (parentId == 0 || parentId > kMaxResourceId) return nullptr;
  auto connection = std::make_unique<X11Connection>();
  if (!connection->Valid()) return nullptr;
  Display* display = connection->Display();

  XWindowAttributes parentAttributes;
  if (!XGetWindowAttributes(display, parentId, &parentAttributes) || connection->TakeError() != 0)
    return nullptr;
  XVisualInfo info;
  const int screen = XScreenNumberOfScreen(parentAttributes.screen);
  // The surface's pixels go to the server as they are: red, green and blue in the low three
  // bytes of a 32-bit pixel.
  if (!XMatchVisualInfo(display, screen, kDepth, TrueColor, &info) || info.red_mask != 0xFF0000 ||
      info.green_mask != 0x00FF00 || info.blue_mask != 0x0000FF)
    return nullptr;

  const Colormap colormap = XCreateColormap(display, parentId, info.visual, AllocNone);
  XSetWindowAttributes attributes = {};
  attributes.background_pixmap = None;
  attributes.border_pixel = 0;
  attributes.colormap = colormap;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          EnterWindowMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                          FocusChangeMask | StructureNotifyMask;
  const Window window =
      XCreateWindow(display, parentId, x, y, width, height, 0, kDepth, InputOutput, info.visual,
                    CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  const long embedInfo[2] = {kXEmbedVersion, kXEmbedMapped};
  const Atom embedAtom = connection->Atom("_XEMBED_INFO");
  XChangeProperty(display, window, embedAtom, embedAtom, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(embedInfo), 2);
  XMapWindow(display, window);
  if (!window || connection->TakeError() != 0)
  {
    if (window) XDestroyWindow(display, window);
    XFreeColormap(display, colormap);
    connection->TakeError();
    return nullptr;
  }

  mConnection = std::move(connection);
  mWindow = window;
  mParent = parentId;
  mColormap = colormap;
  mVisual = info.visual;
  mWindowGone = false;
  mCaptured = mPressSwallowed = mHaveLastClick = false;
  mExposed = IRect();
  ++mGeneration;
  ++gOpenWindows;
  mPresenter = std::make_unique<X11Presenter>(*mConnection, mWindow, mVisual);
  mPresenter->Bind(mSurface.get());
  mHostKeyWindow = FindHostKeyWindow(parentId);

  for (const auto& control : mControls) control->MarkDirty(false);
  // Drawn at once, so a host without a run loop still shows the editor.
  RedrawAll();
  Register();
  return reinterpret_cast<void*>(mWindow);
}

void IGraphicsX11::CloseEditorWindow()
{
  if (!mWindow) return;
  EndEditGesture();
  // An open text field goes with the window, unread.
  mEntry.reset();
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryState = 0;
  RestorePointer();
  Unregister();
  mRunLoop = nullptr;
  mPresenter.reset();
  if (mConnection->Valid())
  {
    Display* display = mConnection->Display();
    if (!mWindowGone) XDestroyWindow(display, mWindow);
    XFreeColormap(display, mColormap);
    if (mInvisibleCursor) XFreeCursor(display, mInvisibleCursor);
    mConnection->TakeError();
  }
  mConnection.reset();
  mWindow = mParent = mHostKeyWindow = mColormap = mInvisibleCursor = 0;
  mVisual = nullptr;
  mCaptured = false;
  ++mGeneration;
  --gOpenWindows;
}

void* IGraphicsX11::WindowHandle() { return mWindow ? reinterpret_cast<void*>(mWindow) : nullptr; }

bool IGraphicsX11::UsesSharedMemory() const { return mPresenter && mPresenter->UsesSharedMemory(); }

unsigned long IGraphicsX11::FindHostKeyWindow(unsigned long parent)
{
  // The highest ancestor a toolkit marked as its top-level window (WM_CLASS), else the one just
  // below the root: where the host listens for keys.
  Display* display = mConnection->Display();
  Window current = parent;
  Window marked = 0;
  Window top = parent;
  for (int depth = 0; depth < kMaxAncestors && current; ++depth)
  {
    Window root = 0, above = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, current, &root, &above, &children, &count)) break;
    if (children) XFree(children);
    top = current;
    XClassHint hint = {};
    if (XGetClassHint(display, current, &hint))
    {
      marked = current;
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    if (!above || above == root) break;
    current = above;
  }
  mConnection->TakeError();
  return marked ? marked : top;
}

// --- Run loop -------------------------------------------------------------------------------

void IGraphicsX11::SetHostRunLoop(IX11RunLoop* loop)
{
  if (loop == mRunLoop) return;
  Unregister();
  mRunLoop = loop;
  Register();
}

void IGraphicsX11::Register()
{
  if (mRegistered || !mRunLoop || !mWindow || !mConnection->Valid()) return;
  const bool watching = mRunLoop->WatchFd(mConnection->Fd(), this);
  const bool ticking = mRunLoop->StartTimer(1000 / std::max(mFrameRate, 1), this);
  // The tick also reads the connection, so a loop that only keeps time still works.
  mRegistered = watching || ticking;
  if (!mRegistered) mRunLoop->Forget(this);
}

void IGraphicsX11::Unregister()
{
  if (mRegistered && mRunLoop) mRunLoop->Forget(this);
  mRegistered = false;
}

void IGraphicsX11::OnFdReadable(int /*fd*/) { ProcessEvents(); }

void IGraphicsX11::OnTimerTick()
{
  const unsigned generation = mGeneration;
  ProcessEvents();
  if (generation != mGeneration || !mWindow) return;
  if (mEntry && (mEntryState == 3 || mEntryState == 4))
  {
    FinishTextEntry();
    return;
  }
  RedrawDirty();
}

void IGraphicsX11::RedrawDirty()
{
  IRect dirty;
  if (GatherDirty(dirty)) RedrawRegion(dirty);
}

void IGraphicsX11::ProcessEvents()
{
  const unsigned generation = mGeneration;
  while (generation == mGeneration && mWindow && mConnection->Valid())
  {
    Display* display = mConnection->Display();
    if (!XPending(display)) break;
    XEvent event;
    XNextEvent(display, &event);
    HandleEvent(&event);
  }
  // A lost connection stays readable for ever: stop listening to it.
  if (generation == mGeneration && mConnection && mConnection->Broken()) Unregister();
}

// --- Events ---------------------------------------------------------------------------------

void IGraphicsX11::HandleEvent(void* raw)
{
  XEvent& event = Event(raw);
  Display* display = mConnection->Display();
  if (event.type == MappingNotify)
  {
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  if (event.xany.window != mWindow) return;
  switch (event.type)
  {
  case Expose:
  {
    const XExposeEvent& e = event.xexpose;
    mExposed = mExposed.Union(IRect{e.x, e.y, e.x + e.width, e.y + e.height});
    if (e.count == 0)
    {
      const IRect exposed = mExposed;
      mExposed = IRect();
      RedrawRegion(exposed);
    }
    break;
  }
  case ButtonPress: HandleButtonPress(raw); break;
  case ButtonRelease: HandleButtonRelease(raw); break;
  case MotionNotify:
  {
    // Only the latest position of a burst matters.
    XEvent next;
    while (XCheckTypedWindowEvent(display, mWindow, MotionNotify, &next)) event = next;
    const XMotionEvent& m = event.xmotion;
    const IMouseMod mod = ModOf(m.state);
    if (m.state & (Button1Mask | Button3Mask))
    {
      if (mCaptured && !mEntry) PointerDrag(m.x, m.y, mod);
    }
    else
    {
      PointerOver(m.x, m.y, mod);
    }
    break;
  }
  case LeaveNotify:
    if (event.xcrossing.mode == NotifyNormal && !mCaptured) PointerLeft();
    break;
  case KeyPress: HandleKey(raw, true); break;
  case KeyRelease: HandleKey(raw, false); break;
  case FocusIn:
    if (mEntry && mEntryState == 0) mEntryState = 1;
    break;
  case FocusOut:
  {
    // Focus going elsewhere commits an open text field; grabs (our own menus) do not count.
    const XFocusChangeEvent& f = event.xfocus;
    const bool away = f.detail == NotifyAncestor || f.detail == NotifyVirtual ||
                      f.detail == NotifyNonlinear || f.detail == NotifyNonlinearVirtual;
    if (mEntry && mEntryState == 1 && away && f.mode != NotifyGrab && f.mode != NotifyUngrab)
      mEntryState = 4;
    break;
  }
  case DestroyNotify:
    if (event.xdestroywindow.window == mWindow)
    {
      // The host destroyed our parent first: nothing of the window is left to destroy.
      mWindowGone = true;
      CloseEditorWindow();
    }
    break;
  default: break;
  }
}

void IGraphicsX11::HandleButtonPress(void* raw)
{
  const XButtonEvent& b = Event(raw).xbutton;
  IMouseMod mod = ModOf(b.state);
  if (b.button == Button4 || b.button == Button5)
  {
    if (mEntry)
    {
      mEntryState = 3;
      return;
    }
    PointerWheel(b.x, b.y, mod, WheelNotches(b.button == Button4 ? 120 : -120));
    return;
  }
  if (b.button != Button1 && b.button != Button2 && b.button != Button3) return;
  // The state before the press: the pressed button is added as the platform reports it.
  if (b.button == Button1) mod.L = true;
  if (b.button == Button3) mod.R = true;

  if (mEntry)
  {
    // A press inside the field moves its caret; anywhere else in the editor commits it. Either
    // way no control sees it.
    mPressSwallowed = true;
    if (b.button == Button1 && mEntry->Rect().Contains(b.x, b.y))
    {
      mEntry->PlaceCaret(*this, b.x);
      RedrawRegion(mEntry->Rect());
    }
    else if (mEntryState == 1 || mEntryState == 0)
    {
      mEntryState = 4;
    }
    return;
  }
  mPressSwallowed = false;
  XSetInputFocus(mConnection->Display(), mWindow, RevertToParent, b.time);

  bool doubleClick = false;
  if (b.button == Button1)
  {
    const auto elapsed = static_cast<uint32_t>(b.time - mLastClickTime);
    doubleClick = mHaveLastClick && elapsed <= kDoubleClickMilliseconds &&
                  std::abs(b.x - mLastClickX) <= kDoubleClickDistance &&
                  std::abs(b.y - mLastClickY) <= kDoubleClickDistance;
    // A third press starts over.
    mHaveLastClick = !doubleClick;
    mLastClickTime = b.time;
    mLastClickX = b.x;
    mLastClickY = b.y;
  }
  else
  {
    mHaveLastClick = false;
  }

  if (doubleClick)
  {
    mCaptured = PointerDoubleClick(b.x, b.y, mod);
  }
  else
  {
    mCaptured = true;
    PointerDown(b.x, b.y, mod);
  }
}

void IGraphicsX11::HandleButtonRelease(void* raw)
{
  const XButtonEvent& b = Event(raw).xbutton;
  if (b.button != Button1 && b.button != Button2 && b.button != Button3) return;
  if (mPressSwallowed)
  {
    mPressSwallowed = false;
    return;
  }
  IMouseMod mod = ModOf(b.state);
  // The state before the release still holds the released button.
  if (b.button == Button1) mod.L = false;
  if (b.button == Button3) mod.R = false;
  mCaptured = false;
  if (b.button == Button2)
  {
    // Not a release the controls hear of; the grab it held is gone, and so is its gesture.
    EndEditGesture();
    return;
  }
  PointerUp(b.x, b.y, mod);
}

void IGraphicsX11::HandleKey(void* raw, bool press)
{
  XKeyEvent& key = Event(raw).xkey;
  if (mEntry)
  {
    if (press) TextFieldKey(raw);
    return;
  }
  if (!press)
  {
    ForwardKey(raw);
    return;
  }
  const int code = KeyCodeOfKeysym(XLookupKeysym(&key, 0));
  const unsigned generation = mGeneration;
  if (code >= 0 && KeyPressed(key.x, key.y, code)) return;
  if (generation == mGeneration) ForwardKey(raw);
}

void IGraphicsX11::TextFieldKey(void* raw)
{
  if (mEntryState == 3 || mEntryState == 4) return;
  XKeyEvent& key = Event(raw).xkey;
  char typed[32];
  KeySym keysym = 0;
  const int length = XLookupString(&key, typed, sizeof typed - 1, &keysym, nullptr);
  const bool control = (key.state & ControlMask) != 0;
  bool changed = false;
  switch (keysym)
  {
  case XK_Return:
  case XK_KP_Enter: mEntryState = 4; return;
  case XK_Escape: mEntryState = 3; return;
  case XK_BackSpace: changed = mEntry->Edit(X11TextField::kBackspace); break;
  case XK_Delete:
  case XK_KP_Delete: changed = mEntry->Edit(X11TextField::kDelete); break;
  case XK_Left:
  case XK_KP_Left: changed = mEntry->Edit(X11TextField::kLeft); break;
  case XK_Right:
  case XK_KP_Right: changed = mEntry->Edit(X11TextField::kRight); break;
  case XK_Home:
  case XK_KP_Home: changed = mEntry->Edit(X11TextField::kHome); break;
  case XK_End:
  case XK_KP_End: changed = mEntry->Edit(X11TextField::kEnd); break;
  default:
    if (control && (keysym == XK_a || keysym == XK_A))
    {
      changed = mEntry->Edit(X11TextField::kSelectAll);
    }
    else if (control && (keysym == XK_v || keysym == XK_V))
    {
      std::string pasted;
      if (ClipboardText(pasted) && mEntry) changed = mEntry->Type(pasted.c_str());
    }
    else if (!control && length > 0)
    {
      changed = mEntry->Type(Utf8FromLatin1(typed, length).c_str());
    }
    break;
  }
  if (changed && mEntry) RedrawRegion(mEntry->Rect());
}

void IGraphicsX11::ForwardKey(void* raw)
{
  // A key some client sent us (a host passing keys on to its plug-ins) does not go back: the
  // two would hand it to and fro.
  if (Event(raw).xkey.send_event) return;
  if (!mHostKeyWindow || !mConnection->Valid()) return;
  Display* display = mConnection->Display();
  XEvent copy = Event(raw);
  Window child = 0;
  XTranslateCoordinates(display, mWindow, mHostKeyWindow, copy.xkey.x, copy.xkey.y, &copy.xkey.x,
                        &copy.xkey.y, &child);
  copy.xkey.window = mHostKeyWindow;
  copy.xkey.subwindow = None;
  XSendEvent(display, mHostKeyWindow, True, copy.type == KeyPress ? KeyPressMask : KeyReleaseMask,
             &copy);
  XFlush(display);
}

// --- Painting -------------------------------------------------------------------------------

void IGraphicsX11::RedrawAll() { RedrawRegion(IRect{0, 0, mWidth, mHeight}); }

bool IGraphicsX11::PresentRegion(const IRect& rect)
{
  if (!mPresenter) return true;
  // The text field lies on top of the controls: drawn over them before the copy.
  if (mEntry && Overlap(rect, mEntry->Rect())) mEntry->Draw(*this);
  mPresenter->Present(rect);
  return true;
}

void IGraphicsX11::SetEditorSize(int width, int height)
{
  if (width == mWidth && height == mHeight) return;
  const int dW = width - mWidth;
  const int dH = height - mHeight;
  IGraphics::SetEditorSize(width, height);
  if (!mWindow || !mConnection->Valid()) return;
  Display* display = mConnection->Display();
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, mWindow, &attributes))
    XResizeWindow(display, mWindow, static_cast<unsigned>(std::max(attributes.width + dW, 1)),
                  static_cast<unsigned>(std::max(attributes.height + dH, 1)));
  mPresenter->Bind(mSurface.get());
  RedrawAll();
}

void IGraphicsX11::HidePointer()
{
  if (mPointerHidden || !mWindow || !mConnection->Valid()) return;
  Display* display = mConnection->Display();
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  if (XQueryPointer(display, mWindow, &root, &child, &rootX, &rootY, &x, &y, &mask))
  {
    mHiddenPointerX = rootX;
    mHiddenPointerY = rootY;
  }
  if (!mInvisibleCursor)
  {
    const char empty[1] = {0};
    const Pixmap pixmap = XCreateBitmapFromData(display, mWindow, empty, 1, 1);
    XColor black = {};
    mInvisibleCursor = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display, pixmap);
  }
  XDefineCursor(display, mWindow, mInvisibleCursor);
  XFlush(display);
  mPointerHidden = true;
}

void IGraphicsX11::RestorePointer()
{
  if (!mPointerHidden) return;
  mPointerHidden = false;
  if (!mWindow || !mConnection->Valid()) return;
  Display* display = mConnection->Display();
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, mHiddenPointerX,
               mHiddenPointerY);
  XUndefineCursor(display, mWindow);
  XFlush(display);
}

// --- Text field -----------------------------------------------------------------------------

void IGraphicsX11::ShowTextEntry(IControl* control, const IText& text, const IRect& rect,
                                 const char* initialText, IParamSlot* param)
{
  if (!control || mEntry || !mWindow) return;
  const IRect field{rect.L, rect.T, rect.R + 1, rect.B + 1};
  mEntry =
      std::make_unique<X11TextField>(text, field, initialText, control->TextEntryLength(), param);
  mEntryControl = control;
  mEntryParam = param;
  mEntryState = 1;
  XSetInputFocus(mConnection->Display(), mWindow, RevertToParent, CurrentTime);
  RedrawRegion(field);
}

void IGraphicsX11::DiscardTextEntry()
{
  if (mEntry) mEntryState = 3;
}

void IGraphicsX11::FinishTextEntry()
{
  if (mEntryState == 4)
  {
    const std::string text = mEntry->TextLimitedTo(kCommitCharacters);
    const unsigned generation = mGeneration;
    CommitTextEntry(mEntryControl, mEntryParam, text.c_str());
    // The host may have closed the editor while it heard of the edit.
    if (generation != mGeneration) return;
  }
  CloseTextField();
}

void IGraphicsX11::CloseTextField()
{
  if (!mEntry) return;
  const IRect field = mEntry->Rect();
  mEntry.reset();
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryState = 0;
  if (mWindow) RedrawRegion(field);
}

// --- Menus and dialogs ----------------------------------------------------------------------

IMenu* IGraphicsX11::ShowMenu(IMenu& menu, const IRect& rect)
{
  mCapturedIdx = -1;
  mLastX = mLastY = -1;
  if (!mWindow || !mConnection->Valid()) return nullptr;
  // The menu takes the pointer: the press that opened it hears no release.
  mCaptured = false;
  EndEditGesture();
  const unsigned generation = mGeneration;
  X11PopupMenu popup(*mConnection, mWindow, mVisual, mColormap, *this);
  IMenu* chosen = popup.Run(
      menu, rect.L, rect.B, [this] { RedrawDirty(); }, 1000 / std::max(mFrameRate, 1));
  if (generation == mGeneration && mWindow) RedrawAll();
  return chosen;
}

int IGraphicsX11::ShowAlert(const char* text, const char* caption, int type)
{
  const X11Dialogs::Tool tool = X11Dialogs::FindTool();
  if (tool == X11Dialogs::Tool::kNone) return X11Dialogs::kAnswerNone;
  std::string output;
  const int status =
      X11Dialogs::Run(X11Dialogs::AlertArguments(tool, text, caption, type), &output);
  return X11Dialogs::AlertAnswer(tool, type, status, output);
}

void IGraphicsX11::AskForFile(std::string& path, int action, std::string& folder,
                              const char* extensions)
{
  std::string pattern, defaultExtension;
  const X11Dialogs::Tool tool = X11Dialogs::FindTool();
  if (!mWindow || tool == X11Dialogs::Tool::kNone ||
      !FileDialogFilter(extensions, pattern, defaultExtension))
  {
    path.clear();
    return;
  }
  if (folder.empty()) DesktopFolder(folder);
  const bool save = action == 1;
  std::string output;
  const int status =
      X11Dialogs::Run(X11Dialogs::FileArguments(tool, save, path, folder, pattern), &output);
  std::string chosen = status == 0 ? X11Dialogs::ChosenPath(output) : std::string();
  if (chosen.empty())
  {
    path.clear();
    return;
  }
  const std::string name = chosen.substr(chosen.rfind('/') + 1);
  if (save && !defaultExtension.empty() && name.find('.') == std::string::npos)
    chosen += "." + defaultExtension;
  const std::string chosenFolder = FolderOfPath(chosen, '/');
  if (!chosenFolder.empty()) folder = chosenFolder;
  path = chosen;
}

bool IGraphicsX11::AskForColour(IColor& colour, const char* prompt)
{
  const X11Dialogs::Tool tool = X11Dialogs::FindTool();
  if (!mWindow || tool == X11Dialogs::Tool::kNone) return false;
  std::string output;
  if (X11Dialogs::Run(X11Dialogs::ColourArguments(tool, colour, prompt), &output) != 0)
    return false;
  IColor chosen = colour;
  if (!X11Dialogs::ParseColour(output, chosen)) return false;
  colour = chosen;
  return true;
}

bool IGraphicsX11::LaunchUrl(const char* url, const char* title, const char* confirmText,
                             const char* failureText)
{
  if (confirmText && ShowAlert(confirmText, title, X11Dialogs::kYesNo) != X11Dialogs::kAnswerYes)
    return false;
  if (X11Dialogs::OpenUrl(url)) return true;
  if (failureText) ShowAlert(failureText, title, X11Dialogs::kOk);
  return false;
}

bool IGraphicsX11::ClipboardText(std::string& out)
{
  out.clear();
  if (!mWindow || !mConnection->Valid()) return false;
  Display* display = mConnection->Display();
  const Atom clipboard = mConnection->Atom("CLIPBOARD");
  const Atom utf8 = mConnection->Atom("UTF8_STRING");
  const Atom property = mConnection->Atom("KORU_CLIPBOARD");
  if (XGetSelectionOwner(display, clipboard) == None) return false;
  XDeleteProperty(display, mWindow, property);
  XConvertSelection(display, clipboard, utf8, property, mWindow, CurrentTime);
  XFlush(display);

  // The owner answers through the server; other events stay queued for the editor.
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(kClipboardWaitMilliseconds);
  XEvent event;
  bool answered = false;
  while (!(answered = XCheckTypedWindowEvent(display, mWindow, SelectionNotify, &event)))
  {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0 || !mConnection->Valid()) break;
    pollfd descriptor = {mConnection->Fd(), POLLIN, 0};
    if (poll(&descriptor, 1, static_cast<int>(left)) > 0)
      XEventsQueued(display, QueuedAfterReading);
  }
  if (!answered || event.xselection.property == None) return false;

  Atom type = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const int result = XGetWindowProperty(display, mWindow, property, 0, kClipboardMaxBytes / 4, True,
                                        AnyPropertyType, &type, &format, &count, &remaining, &data);
  // Incremental transfers of large texts are not taken.
  const bool ok = result == Success && data && type == utf8 && format == 8;
  if (ok) out.assign(reinterpret_cast<const char*>(data), count);
  if (data) XFree(data);
  return ok;
}

// --- Folders and images ---------------------------------------------------------------------

void IGraphicsX11::HostFolder(std::string& out) { out = LinuxFolders::HostFolder(); }
void IGraphicsX11::PluginFolder(std::string& out)
{
  out = LinuxFolders::ModuleFolder(reinterpret_cast<const void*>(&MakePlatformGraphics));
}
void IGraphicsX11::DesktopFolder(std::string& out) { out = LinuxFolders::DesktopFolder(); }
void IGraphicsX11::AppDataFolder(std::string& out, bool allUsers)
{
  out = LinuxFolders::DataFolder(allUsers);
}
void IGraphicsX11::UserAppDataFolder(std::string& out) { AppDataFolder(out, false); }

LICE_IBitmap* IGraphicsX11::LoadPlatformBitmap(int resourceId, const char* fileName)
{
  if (!IsPngFileName(fileName)) return nullptr;
  const EmbeddedImage* image = FindEmbeddedImage(resourceId & kResourceIdMask);
  if (!image || image->size < kMinimumPngBytes) return nullptr;
  return LICE_ReadPngMemory(image->data, image->size);
}
