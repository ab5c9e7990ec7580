#include "graphics/x11/X11Connection.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <mutex>
#include <vector>

namespace
{
struct ErrorRegistry
{
  struct Entry
  {
    Display* display;
    int firstError;
  };

  std::mutex mutex;
  std::vector<Entry> entries;
  XErrorHandler previous = nullptr;
  bool installed = false;
};

ErrorRegistry& Registry()
{
  // Destroyed with the module: by then no connection is open and the handler is either
  // uninstalled or the module pinned for the life of the process.
  static ErrorRegistry registry;
  return registry;
}

int OnXError(Display* display, XErrorEvent* event)
{
  ErrorRegistry& registry = Registry();
  XErrorHandler previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (ErrorRegistry::Entry& entry : registry.entries)
    {
      if (entry.display != display) continue;
      if (entry.firstError == 0) entry.firstError = event->error_code;
      return 0;
    }
    previous = registry.previous;
  }
  return previous ? previous(display, event) : 0;
}

// Keeps this module loaded for the life of the process.
void PinModule()
{
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&OnXError), &info) && info.dli_fname)
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

// The server went away: the host's own handler has had its say; returning leaves the process
// running, and every later call on the connection returns at once.
void OnConnectionLost(Display* /*display*/, void* userData)
{
  *static_cast<bool*>(userData) = true;
}
} // namespace

X11Connection::X11Connection()
{
  mDisplay = XOpenDisplay(nullptr);
  if (!mDisplay) return;
  XSetIOErrorExitHandler(mDisplay, OnConnectionLost, &mBroken);
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.entries.push_back(ErrorRegistry::Entry{mDisplay, 0});
  if (!registry.installed)
  {
    registry.previous = XSetErrorHandler(OnXError);
    registry.installed = true;
  }
}

X11Connection::~X11Connection()
{
  if (!mDisplay) return;
  if (!mBroken) XSync(mDisplay, False);
  XCloseDisplay(mDisplay);
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (auto it = registry.entries.begin(); it != registry.entries.end(); ++it)
  {
    if (it->display == mDisplay)
    {
      registry.entries.erase(it);
      break;
    }
  }
  if (registry.entries.empty() && registry.installed)
  {
    XErrorHandler current = XSetErrorHandler(registry.previous);
    if (current == OnXError)
    {
      registry.installed = false;
    }
    else
    {
      // Someone installed a handler after ours and may chain to it: leave both in place.
      XSetErrorHandler(current);
      PinModule();
    }
  }
}

int X11Connection::Fd() const { return mDisplay ? ConnectionNumber(mDisplay) : -1; }

int X11Connection::TakeError()
{
  if (!mDisplay) return 0;
  if (!mBroken) XSync(mDisplay, False);
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (ErrorRegistry::Entry& entry : registry.entries)
  {
    if (entry.display == mDisplay)
    {
      const int code = entry.firstError;
      entry.firstError = 0;
      return code;
    }
  }
  return 0;
}

unsigned long X11Connection::Atom(const char* name)
{
  return mDisplay ? XInternAtom(mDisplay, name, False) : 0;
}

int X11Connection::OpenCount()
{
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return static_cast<int>(registry.entries.size());
}

bool X11Connection::HandlerInstalled()
{
  ErrorRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.installed;
}
