#pragma once

// The host's event loop as the X11 window layer sees it: a file descriptor to watch and a
// repeating timer, both calling back on the host's user-interface thread. The editor view adapts
// the host's VST3 run loop to it, so the window layer knows nothing of VST3 and runs no thread of
// its own.

// What the loop calls. A client may end its registrations from inside its own callbacks.
class IX11RunLoopClient
{
public:
  virtual void OnFdReadable(int fd) = 0;
  virtual void OnTimerTick() = 0;

protected:
  ~IX11RunLoopClient() = default;
};

// Threads: the host's user-interface thread only. The loop does not own its clients.
class IX11RunLoop
{
public:
  virtual ~IX11RunLoop() = default;
  // Calls client->OnFdReadable(fd) whenever fd has data; false when the host refused.
  virtual bool WatchFd(int fd, IX11RunLoopClient* client) = 0;
  // Calls client->OnTimerTick() every milliseconds; false when the host refused.
  virtual bool StartTimer(int milliseconds, IX11RunLoopClient* client) = 0;
  // Ends every registration of client; no callback reaches it afterwards. Harmless when it has
  // none.
  virtual void Forget(IX11RunLoopClient* client) = 0;
};
