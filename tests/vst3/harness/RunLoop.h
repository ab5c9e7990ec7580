#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

namespace harness
{

// A Linux host's run loop, on the calling thread: poll() over the registered descriptors with
// the nearest timer as its limit, then the handlers whose descriptors are readable, then the
// timers that are due. Like a careful host it holds a reference to each handler while it is
// registered and while it is being called, and it tolerates handlers that unregister themselves
// or others from inside their callbacks. Owned by the test; release never deletes.
class RunLoop : public Steinberg::Linux::IRunLoop
{
public:
  RunLoop() = default;
  virtual ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // One round: waits at most timeoutMilliseconds for a descriptor or a timer, then calls back.
  void RunOnce(int timeoutMilliseconds);
  // Rounds for the given time.
  void RunFor(int milliseconds);
  // Rounds until done() holds (checked after each round) or the time is up; whether it held.
  bool RunUntil(const std::function<bool()>& done, int timeoutMilliseconds);

  int EventHandlers() const;
  int Timers() const;
  // The interval of the first registered timer (0 for none).
  Steinberg::Linux::TimerInterval FirstTimerInterval() const;
  int Callbacks() const { return mCallbacks; }
  int RefCount() const { return mRefCount.load(); }
  // Called after each callback of the loop (tests act as a host would between callbacks).
  std::function<void()> afterCallback;

  // --- IRunLoop ---
  Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                     Steinberg::Linux::FileDescriptor fd) override;
  Steinberg::tresult PLUGIN_API
  unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
  Steinberg::tresult PLUGIN_API
  registerTimer(Steinberg::Linux::ITimerHandler* handler,
                Steinberg::Linux::TimerInterval milliseconds) override;
  Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

private:
  using Clock = std::chrono::steady_clock;
  struct Watch
  {
    Steinberg::Linux::IEventHandler* handler;
    int fd;
    bool alive;
  };
  struct Timer
  {
    Steinberg::Linux::ITimerHandler* handler;
    Steinberg::Linux::TimerInterval interval;
    Clock::time_point due;
    bool alive;
  };
  void Purge();

  std::vector<Watch> mWatches;
  std::vector<Timer> mTimers;
  int mDepth = 0;
  int mCallbacks = 0;
  std::atomic<int> mRefCount{1};
};

} // namespace harness
