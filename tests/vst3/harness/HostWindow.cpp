#include "HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace harness
{

namespace
{
constexpr int kMargin = 20;
}

HostWindow::HostWindow(int width, int height, int x)
{
  mDisplay = XOpenDisplay(nullptr);
  if (!mDisplay) return;
  const int screen = DefaultScreen(mDisplay);
  mTopLevel = XCreateSimpleWindow(
      mDisplay, RootWindow(mDisplay, screen), x, 0, static_cast<unsigned>(width + 2 * kMargin),
      static_cast<unsigned>(height + 2 * kMargin), 0, 0, WhitePixel(mDisplay, screen));
  XClassHint hint;
  char name[] = "koru-test-host";
  char className[] = "KoruTestHost";
  hint.res_name = name;
  hint.res_class = className;
  XSetClassHint(mDisplay, mTopLevel, &hint);
  XSelectInput(mDisplay, mTopLevel, KeyPressMask | KeyReleaseMask);
  mParent = XCreateSimpleWindow(mDisplay, mTopLevel, kMargin, kMargin, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), 0, 0, BlackPixel(mDisplay, screen));
  XMapWindow(mDisplay, mParent);
  XMapWindow(mDisplay, mTopLevel);
  XSync(mDisplay, False);
}

HostWindow::~HostWindow()
{
  if (!mDisplay) return;
  XDestroyWindow(mDisplay, mTopLevel);
  XCloseDisplay(mDisplay);
}

unsigned long HostWindow::EditorWindow()
{
  if (!mParent) return 0;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  XSync(mDisplay, False);
  if (!XQueryTree(mDisplay, mParent, &root, &parent, &children, &count)) return 0;
  const Window first = count > 0 ? children[0] : 0;
  if (children) XFree(children);
  return first;
}

void HostWindow::DestroyParent()
{
  if (!mParent) return;
  XDestroyWindow(mDisplay, mParent);
  XSync(mDisplay, False);
  mParent = 0;
}

std::vector<uint32_t> HostWindow::Capture(unsigned long window, int& width, int& height)
{
  std::vector<uint32_t> pixels;
  XWindowAttributes attributes;
  XSync(mDisplay, False);
  if (!window || !XGetWindowAttributes(mDisplay, window, &attributes)) return pixels;
  width = attributes.width;
  height = attributes.height;
  XImage* image = XGetImage(mDisplay, window, 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.reserve(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
  XDestroyImage(image);
  return pixels;
}

void HostWindow::MoveTo(int x, int y)
{
  int rootX = 0, rootY = 0;
  Window child = 0;
  XTranslateCoordinates(mDisplay, mParent ? mParent : mTopLevel, DefaultRootWindow(mDisplay), x, y,
                        &rootX, &rootY, &child);
  XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), rootX, rootY, CurrentTime);
  XSync(mDisplay, False);
}

void HostWindow::Button(int button, bool press)
{
  XTestFakeButtonEvent(mDisplay, static_cast<unsigned>(button), press ? True : False, CurrentTime);
  XSync(mDisplay, False);
}

void HostWindow::Click(int x, int y, int button)
{
  MoveTo(x, y);
  Button(button, true);
  Button(button, false);
}

void HostWindow::Key(const char* name, bool press)
{
  const KeySym keysym = XStringToKeysym(name);
  const KeyCode code = XKeysymToKeycode(mDisplay, keysym);
  if (!code) return;
  XTestFakeKeyEvent(mDisplay, code, press ? True : False, CurrentTime);
  XSync(mDisplay, False);
}

void HostWindow::Tap(const char* name)
{
  Key(name, true);
  Key(name, false);
}

void HostWindow::Type(const std::string& text)
{
  for (char c : text)
  {
    const std::string name = c == '.'   ? "period"
                             : c == '-' ? "minus"
                             : c == '+' ? "plus"
                             : c == ' ' ? "space"
                                        : std::string(1, c);
    Tap(name.c_str());
  }
}

std::vector<HostWindow::KeySeen> HostWindow::TakeKeys()
{
  std::vector<KeySeen> keys;
  XSync(mDisplay, False);
  XEvent event;
  while (XCheckWindowEvent(mDisplay, mTopLevel, KeyPressMask | KeyReleaseMask, &event))
  {
    const char* name = XKeysymToString(XLookupKeysym(&event.xkey, 0));
    keys.push_back(KeySeen{event.type, name ? name : "", event.xkey.send_event != 0});
  }
  return keys;
}

} // namespace harness
