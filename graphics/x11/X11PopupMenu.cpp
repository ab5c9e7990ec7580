#include "graphics/x11/X11PopupMenu.h"

#include "graphics/IGraphics.h"
#include "graphics/IMenuIds.h"
#include "graphics/x11/X11Connection.h"
#include "graphics/x11/X11Presenter.h"
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_Composite.h"
#include "lice/LICE_SysBitmap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <poll.h>

namespace
{
constexpr LICE_Pixel32 kBackground = LICE_PackPixel(242, 242, 242, 255);
constexpr LICE_Pixel32 kBorder = LICE_PackPixel(128, 128, 128, 255);
constexpr LICE_Pixel32 kSeparator = LICE_PackPixel(192, 192, 192, 255);
constexpr LICE_Pixel32 kHighlight = LICE_PackPixel(51, 153, 255, 255);
constexpr LICE_Pixel32 kText = LICE_PackPixel(0, 0, 0, 255);
constexpr LICE_Pixel32 kHighlightText = LICE_PackPixel(255, 255, 255, 255);
constexpr LICE_Pixel32 kDisabledText = LICE_PackPixel(144, 144, 144, 255);
constexpr int kBorderWidth = 1;
constexpr int kCheckColumn = 22;
constexpr int kArrowColumn = 22;
constexpr int kItemPadding = 8;
constexpr int kSeparatorHeight = 7;
constexpr int kMinimumWidth = 80;
constexpr int kGrabAttempts = 50;
constexpr int kGrabRetryMilliseconds = 10;

bool IsSeparator(const IMenuItem& item) { return (item.flags & IMenuItem::kSeparator) != 0; }
bool IsDisabled(const IMenuItem& item)
{
  return (item.flags & (IMenuItem::kDisabled | IMenuItem::kGreyed)) != 0;
}

void FillRect(LICE_IBitmap* bitmap, int x, int y, int w, int h, LICE_Pixel32 colour)
{
  LICE_FillArea(bitmap, x, y, w, h, colour, 1.0f, LICE_OP_COPY);
}
} // namespace

struct X11PopupMenu::Level
{
  IMenu* menu = nullptr;
  Window window = 0;
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<int> itemTop; // one more than items: the bottom of the last
  int highlighted = -1;
  std::unique_ptr<LICE_SysBitmap> surface;
  std::unique_ptr<X11Presenter> presenter;
};

X11PopupMenu::X11PopupMenu(X11Connection& connection, unsigned long editorWindow, void* visual,
                           unsigned long colormap, IGraphics& graphics)
  : mConnection(connection)
  , mEditorWindow(editorWindow)
  , mVisual(visual)
  , mColormap(colormap)
  , mGraphics(graphics)
{
  mStyle.align = IText::kAlignNear;
}

X11PopupMenu::~X11PopupMenu() { CloseLevelsFrom(0); }

bool X11PopupMenu::Selectable(const IMenu& menu, int index) const
{
  if (index < 0 || index >= menu.NItems()) return false;
  const IMenuItem& item = *menu.items[index];
  return !IsSeparator(item) && !IsDisabled(item);
}

bool X11PopupMenu::OpenLevel(IMenu& menu, int rootX, int rootY, int alignRightX)
{
  Display* display = mConnection.Display();
  LICE_CachedFont* font = mGraphics.FontFor(mStyle);
  if (!display || !font) return false;
  auto level = std::make_unique<Level>();
  level->menu = &menu;
  const int itemHeight = font->textHeight() + kItemPadding;
  int labelWidth = 0;
  int y = kBorderWidth;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    level->itemTop.push_back(y);
    if (IsSeparator(*menu.items[i]))
    {
      y += kSeparatorHeight;
      continue;
    }
    const std::string label = IMenuIds::Label(menu, i);
    LICE_Rect r = {0, 0, 0, 0};
    font->renderText(nullptr, label.c_str(), -1, &r, LICE_DT_CALCRECT | LICE_DT_NOCLIP);
    labelWidth = std::max(labelWidth, static_cast<int>(r.right - r.left));
    y += itemHeight;
  }
  level->itemTop.push_back(y);
  level->height = std::max(y + kBorderWidth, 2 * kBorderWidth + 4);
  level->width =
      std::max(kMinimumWidth, 2 * kBorderWidth + kCheckColumn + labelWidth + kArrowColumn);

  // Kept on screen: moved left of alignRightX (or the screen's edge) and up when it would not fit.
  const int screen = DefaultScreen(display);
  const int screenWidth = DisplayWidth(display, screen);
  const int screenHeight = DisplayHeight(display, screen);
  if (rootX + level->width > screenWidth)
    rootX = alignRightX >= 0 ? alignRightX - level->width : screenWidth - level->width;
  if (rootY + level->height > screenHeight) rootY = screenHeight - level->height;
  level->x = std::max(rootX, 0);
  level->y = std::max(rootY, 0);

  XSetWindowAttributes attributes = {};
  attributes.override_redirect = True;
  attributes.save_under = True;
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;
  attributes.colormap = mColormap;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          KeyPressMask | LeaveWindowMask;
  level->window = XCreateWindow(
      display, RootWindow(display, screen), level->x, level->y, static_cast<unsigned>(level->width),
      static_cast<unsigned>(level->height), 0, 24, InputOutput, static_cast<Visual*>(mVisual),
      CWOverrideRedirect | CWSaveUnder | CWBorderPixel | CWBackPixmap | CWColormap | CWEventMask,
      &attributes);
  if (!level->window) return false;
  level->surface = std::make_unique<LICE_SysBitmap>(level->width, level->height);
  level->presenter = std::make_unique<X11Presenter>(mConnection, level->window, mVisual);
  level->presenter->Bind(level->surface.get());
  XMapRaised(display, level->window);
  mLevels.push_back(std::move(level));
  Draw(*mLevels.back());
  return true;
}

void X11PopupMenu::CloseLevelsFrom(size_t first)
{
  Display* display = mConnection.Display();
  while (mLevels.size() > first)
  {
    std::unique_ptr<Level>& level = mLevels.back();
    level->presenter.reset();
    if (display && level->window) XDestroyWindow(display, level->window);
    mLevels.pop_back();
  }
  if (display) XFlush(display);
}

void X11PopupMenu::Draw(Level& level)
{
  LICE_IBitmap* surface = level.surface.get();
  LICE_CachedFont* font = mGraphics.FontFor(mStyle);
  if (!surface || !font) return;
  FillRect(surface, 0, 0, level.width, level.height, kBorder);
  FillRect(surface, kBorderWidth, kBorderWidth, level.width - 2 * kBorderWidth,
           level.height - 2 * kBorderWidth, kBackground);
  const IMenu& menu = *level.menu;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IMenuItem& item = *menu.items[i];
    const int top = level.itemTop[i];
    const int bottom = level.itemTop[i + 1];
    const int inner = level.width - 2 * kBorderWidth;
    if (IsSeparator(item))
    {
      FillRect(surface, kBorderWidth + 4, (top + bottom) / 2, inner - 8, 1, kSeparator);
      continue;
    }
    const bool highlighted = i == level.highlighted && Selectable(menu, i);
    if (highlighted) FillRect(surface, kBorderWidth, top, inner, bottom - top, kHighlight);
    const LICE_Pixel32 colour = IsDisabled(item) ? kDisabledText
                                : highlighted    ? kHighlightText
                                                 : kText;
    const int middle = (top + bottom) / 2;
    if (item.flags & IMenuItem::kChecked)
      FillRect(surface, kBorderWidth + 8, middle - 3, 6, 6, colour);
    if (item.submenu)
    {
      // A small triangle pointing right.
      const int x = level.width - kBorderWidth - kArrowColumn / 2 - 2;
      for (int c = 0; c < 4; ++c) FillRect(surface, x + c, middle - 3 + c, 1, 7 - 2 * c, colour);
    }
    const std::string label = IMenuIds::Label(menu, i);
    font->setForeground(colour);
    LICE_Rect at = {kBorderWidth + kCheckColumn, top + kItemPadding / 2,
                    level.width - kBorderWidth - kArrowColumn, bottom};
    font->renderText(surface, label.c_str(), -1, &at, 0);
  }
  level.presenter->Present(IRect{0, 0, level.width, level.height});
}

int X11PopupMenu::ItemAt(const Level& level, int y) const
{
  for (int i = 0; i + 1 < static_cast<int>(level.itemTop.size()); ++i)
    if (y >= level.itemTop[i] && y < level.itemTop[i + 1]) return i;
  return -1;
}

int X11PopupMenu::LevelOf(unsigned long window) const
{
  for (size_t i = 0; i < mLevels.size(); ++i)
    if (mLevels[i]->window == window) return static_cast<int>(i);
  return -1;
}

void X11PopupMenu::Highlight(size_t level, int index)
{
  Level& l = *mLevels[level];
  if (l.highlighted == index) return;
  l.highlighted = index;
  Draw(l);
}

void X11PopupMenu::OpenSubmenuOf(size_t level, bool highlightFirst)
{
  Level& l = *mLevels[level];
  const int index = l.highlighted;
  if (index < 0 || index >= l.menu->NItems() || !l.menu->items[index]->submenu) return;
  IMenu& submenu = *l.menu->items[index]->submenu;
  if (mLevels.size() > level + 1 && mLevels[level + 1]->menu == &submenu) return;
  CloseLevelsFrom(level + 1);
  if (!OpenLevel(submenu, l.x + l.width - 2, l.y + l.itemTop[index] - kBorderWidth, l.x + 2))
    return;
  if (highlightFirst)
  {
    for (int i = 0; i < submenu.NItems(); ++i)
    {
      if (Selectable(submenu, i))
      {
        Highlight(level + 1, i);
        break;
      }
    }
  }
}

bool X11PopupMenu::Activate(size_t level, int index)
{
  Level& l = *mLevels[level];
  if (!Selectable(*l.menu, index)) return false;
  if (l.menu->items[index]->submenu)
  {
    Highlight(level, index);
    OpenSubmenuOf(level, true);
    return true;
  }
  mChoice.menu = l.menu;
  mChoice.index = index;
  mDone = true;
  return true;
}

void X11PopupMenu::MoveHighlight(int step)
{
  Level& l = *mLevels.back();
  const int n = l.menu->NItems();
  if (n == 0) return;
  int index = l.highlighted;
  for (int tries = 0; tries < n; ++tries)
  {
    index = index < 0 ? (step > 0 ? 0 : n - 1) : (index + step + n) % n;
    if (Selectable(*l.menu, index))
    {
      Highlight(mLevels.size() - 1, index);
      return;
    }
  }
}

bool X11PopupMenu::HandleEvent(void* raw)
{
  XEvent& event = *static_cast<XEvent*>(raw);
  Display* display = mConnection.Display();
  const int level = LevelOf(event.xany.window);
  switch (event.type)
  {
  case Expose:
    if (level >= 0 && event.xexpose.count == 0) Draw(*mLevels[static_cast<size_t>(level)]);
    break;
  case MotionNotify:
  {
    if (level < 0) break;
    Level& l = *mLevels[static_cast<size_t>(level)];
    const int index = ItemAt(l, event.xmotion.y);
    if (index >= 0 && Selectable(*l.menu, index))
    {
      mEntered = true;
      Highlight(static_cast<size_t>(level), index);
      if (l.menu->items[index]->submenu)
        OpenSubmenuOf(static_cast<size_t>(level), false);
      else
        CloseLevelsFrom(static_cast<size_t>(level) + 1);
    }
    else
    {
      Highlight(static_cast<size_t>(level), -1);
    }
    break;
  }
  case ButtonPress:
    // A press outside every level dismisses the menu; inside, the release decides.
    if (level < 0 || event.xbutton.x < 0 || event.xbutton.y < 0 ||
        event.xbutton.x >= mLevels[static_cast<size_t>(level)]->width ||
        event.xbutton.y >= mLevels[static_cast<size_t>(level)]->height)
      mDone = true;
    break;
  case ButtonRelease:
  {
    if (level < 0 || (event.xbutton.button != Button1 && event.xbutton.button != Button3)) break;
    Level& l = *mLevels[static_cast<size_t>(level)];
    const int index = ItemAt(l, event.xbutton.y);
    if (mEntered && index >= 0) Activate(static_cast<size_t>(level), index);
    break;
  }
  case KeyPress:
  {
    const KeySym key = XLookupKeysym(&event.xkey, 0);
    Level& deepest = *mLevels.back();
    switch (key)
    {
    case XK_Escape:
      if (mLevels.size() > 1)
        CloseLevelsFrom(mLevels.size() - 1);
      else
        mDone = true;
      break;
    case XK_Up: MoveHighlight(-1); break;
    case XK_Down: MoveHighlight(1); break;
    case XK_Left:
      if (mLevels.size() > 1) CloseLevelsFrom(mLevels.size() - 1);
      break;
    case XK_Right:
      if (deepest.highlighted >= 0 && deepest.menu->items[deepest.highlighted]->submenu)
        OpenSubmenuOf(mLevels.size() - 1, true);
      break;
    case XK_Return:
    case XK_KP_Enter:
    case XK_space: Activate(mLevels.size() - 1, deepest.highlighted); break;
    default: break;
    }
    break;
  }
  case DestroyNotify:
    if (event.xdestroywindow.window == mEditorWindow)
    {
      XPutBackEvent(display, &event);
      mDone = true;
      return false;
    }
    break;
  default: break;
  }
  return true;
}

IMenu* X11PopupMenu::Run(IMenu& top, int x, int y, const std::function<void()>& idle,
                         int idleMilliseconds)
{
  Display* display = mConnection.Display();
  if (!display || !mConnection.Valid() || top.NItems() == 0) return nullptr;
  int rootX = 0, rootY = 0;
  Window child = 0;
  XTranslateCoordinates(display, mEditorWindow, DefaultRootWindow(display), x, y, &rootX, &rootY,
                        &child);
  if (!OpenLevel(top, rootX, rootY, -1)) return nullptr;
  const Window grabWindow = mLevels.front()->window;

  // The press that opened the menu may still hold an implicit grab elsewhere for a moment.
  bool grabbed = false;
  for (int attempt = 0; attempt < kGrabAttempts && !grabbed; ++attempt)
  {
    grabbed = XGrabPointer(display, grabWindow, True,
                           ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                           GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    if (!grabbed) poll(nullptr, 0, kGrabRetryMilliseconds);
  }
  if (grabbed && XGrabKeyboard(display, grabWindow, True, GrabModeAsync, GrabModeAsync,
                               CurrentTime) != GrabSuccess)
  {
    XUngrabPointer(display, CurrentTime);
    grabbed = false;
  }
  if (!grabbed)
  {
    CloseLevelsFrom(0);
    return nullptr;
  }
  XStoreName(display, grabWindow, kWindowName);
  XFlush(display);

  using Clock = std::chrono::steady_clock;
  auto nextIdle = Clock::now() + std::chrono::milliseconds(idleMilliseconds);
  mDone = false;
  while (!mDone && mConnection.Valid())
  {
    while (!mDone && XPending(display))
    {
      XEvent event;
      XNextEvent(display, &event);
      if (!HandleEvent(&event)) break;
    }
    if (mDone || !mConnection.Valid()) break;
    const auto now = Clock::now();
    if (now >= nextIdle)
    {
      if (idle) idle();
      nextIdle = now + std::chrono::milliseconds(idleMilliseconds);
      continue;
    }
    pollfd descriptor = {mConnection.Fd(), POLLIN, 0};
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - now);
    poll(&descriptor, 1, static_cast<int>(wait.count()) + 1);
  }

  if (mConnection.Valid())
  {
    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
  }
  CloseLevelsFrom(0);
  if (!mChoice.menu) return nullptr;
  const IMenuIds ids(top);
  return ids.Resolve(ids.IdOf(*mChoice.menu, mChoice.index));
}
