#pragma once

#include "graphics/x11/IX11RunLoop.h"

#include "pluginterfaces/gui/iplugview.h"

#include <vector>

#if SMTG_OS_LINUX
// The host's VST3 run loop (queried from the view's frame) as the X11 window layer's loop.
// Each client gets a handler object of its own, reference counted as hosts may hold it: it
// passes the host's calls on to its client until Forget clears it, so a call that comes later,
// or that is under way while the client forgets itself from inside it, reaches nobody and
// touches nothing freed.
//
// Threads: the host's user-interface thread. Holds one reference to the host's loop.
class IPlugVST3RunLoop : public IX11RunLoop
{
public:
  explicit IPlugVST3RunLoop(Steinberg::Linux::IRunLoop* loop);
  // Forgets every client and releases the host's loop.
  ~IPlugVST3RunLoop() override;
  IPlugVST3RunLoop(const IPlugVST3RunLoop&) = delete;
  IPlugVST3RunLoop& operator=(const IPlugVST3RunLoop&) = delete;

  bool WatchFd(int fd, IX11RunLoopClient* client) override;
  bool StartTimer(int milliseconds, IX11RunLoopClient* client) override;
  void Forget(IX11RunLoopClient* client) override;

  Steinberg::Linux::IRunLoop* HostLoop() const { return mLoop; }

private:
  class Handler;
  struct Registration
  {
    IX11RunLoopClient* client;
    Handler* handler;
    bool watching;
    bool ticking;
  };
  Registration& RegistrationOf(IX11RunLoopClient* client);

  Steinberg::Linux::IRunLoop* mLoop;
  std::vector<Registration> mRegistrations;
};
#endif
