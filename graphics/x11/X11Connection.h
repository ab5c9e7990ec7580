#pragma once

#include <string>

struct _XDisplay;

// One connection to the X server for one editor window (or a test), opened from $DISPLAY.
// X errors on our own connections never reach the host: a process-wide error handler, installed
// while any of them is open, records them per connection and hands errors on every other
// connection to the handler that was installed before it. Closing the last connection puts that
// handler back; when another handler was installed on top of ours meanwhile, ours stays and the
// module is kept loaded, so that handler's chain never points into an unloaded module. A broken
// connection (the server gone) is marked instead of ending the process.
//
// Threads: one connection is used by one thread (the host's user-interface thread); the error
// registry is guarded by its own mutex.
class X11Connection
{
public:
  X11Connection();
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  // Null when no display could be opened.
  _XDisplay* Display() const { return mDisplay; }
  bool Valid() const { return mDisplay != nullptr && !Broken(); }
  // The connection's file descriptor, -1 without a display.
  int Fd() const;
  // True once the connection to the server was lost.
  bool Broken() const { return mBroken; }
  // The code of the first X error on this connection since the last call (0 for none), after
  // waiting until the server has handled every request sent so far.
  int TakeError();

  // An interned atom of this connection.
  unsigned long Atom(const char* name);

  // Connections of this process open now.
  static int OpenCount();
  // Whether the process-wide handler is ours at the moment.
  static bool HandlerInstalled();

private:
  _XDisplay* mDisplay = nullptr;
  bool mBroken = false;
};
