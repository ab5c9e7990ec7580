#include "RunLoop.h"

#include <algorithm>
#include <poll.h>

using namespace Steinberg;
using namespace Steinberg::Linux;

namespace harness
{

RunLoop::~RunLoop()
{
  for (Watch& watch : mWatches)
    if (watch.alive) watch.handler->release();
  for (Timer& timer : mTimers)
    if (timer.alive) timer.handler->release();
}

tresult PLUGIN_API RunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd)
{
  if (!handler || fd < 0) return kInvalidArgument;
  handler->addRef();
  mWatches.push_back(Watch{handler, fd, true});
  return kResultTrue;
}

namespace
{
// Marks every live entry of handler dead and drops its reference; whether there was one. The
// entries stay until Purge, so a loop walking them from a callback is not disturbed.
template <class Entry, class Handler>
bool Unregister(std::vector<Entry>& entries, Handler* handler)
{
  bool found = false;
  for (Entry& entry : entries)
  {
    if (entry.alive && entry.handler == handler)
    {
      entry.alive = false;
      handler->release();
      found = true;
    }
  }
  return found;
}
} // namespace

tresult PLUGIN_API RunLoop::unregisterEventHandler(IEventHandler* handler)
{
  const bool found = Unregister(mWatches, handler);
  Purge();
  return found ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API RunLoop::registerTimer(ITimerHandler* handler, TimerInterval milliseconds)
{
  if (!handler || milliseconds == 0) return kInvalidArgument;
  handler->addRef();
  mTimers.push_back(
      Timer{handler, milliseconds, Clock::now() + std::chrono::milliseconds(milliseconds), true});
  return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterTimer(ITimerHandler* handler)
{
  const bool found = Unregister(mTimers, handler);
  Purge();
  return found ? kResultTrue : kResultFalse;
}

void RunLoop::Purge()
{
  // Entries leave the lists only outside the dispatch, which walks them by index.
  if (mDepth > 0) return;
  mWatches.erase(std::remove_if(mWatches.begin(), mWatches.end(),
                                [](const Watch& watch) { return !watch.alive; }),
                 mWatches.end());
  mTimers.erase(std::remove_if(mTimers.begin(), mTimers.end(),
                               [](const Timer& timer) { return !timer.alive; }),
                mTimers.end());
}

int RunLoop::EventHandlers() const
{
  return static_cast<int>(std::count_if(mWatches.begin(), mWatches.end(),
                                        [](const Watch& watch) { return watch.alive; }));
}

int RunLoop::Timers() const
{
  return static_cast<int>(std::count_if(mTimers.begin(), mTimers.end(),
                                        [](const Timer& timer) { return timer.alive; }));
}

TimerInterval RunLoop::FirstTimerInterval() const
{
  for (const Timer& timer : mTimers)
    if (timer.alive) return timer.interval;
  return 0;
}

void RunLoop::RunOnce(int timeoutMilliseconds)
{
  const Clock::time_point start = Clock::now();
  Clock::time_point limit = start + std::chrono::milliseconds(timeoutMilliseconds);
  for (const Timer& timer : mTimers)
    if (timer.alive) limit = std::min(limit, timer.due);
  std::vector<pollfd> descriptors;
  std::vector<size_t> owners;
  for (size_t i = 0; i < mWatches.size(); ++i)
  {
    if (!mWatches[i].alive) continue;
    descriptors.push_back(pollfd{mWatches[i].fd, POLLIN, 0});
    owners.push_back(i);
  }
  const auto wait = std::max<long long>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(limit - start).count());
  const int ready = poll(descriptors.data(), descriptors.size(), static_cast<int>(wait));

  ++mDepth;
  if (ready > 0)
  {
    for (size_t k = 0; k < descriptors.size(); ++k)
    {
      const size_t i = owners[k];
      if (!(descriptors[k].revents & (POLLIN | POLLHUP | POLLERR)) || !mWatches[i].alive) continue;
      IEventHandler* handler = mWatches[i].handler;
      handler->addRef();
      ++mCallbacks;
      handler->onFDIsSet(descriptors[k].fd);
      handler->release();
      if (afterCallback) afterCallback();
    }
  }
  const Clock::time_point now = Clock::now();
  for (size_t i = 0; i < mTimers.size(); ++i)
  {
    if (!mTimers[i].alive || mTimers[i].due > now) continue;
    mTimers[i].due = now + std::chrono::milliseconds(mTimers[i].interval);
    ITimerHandler* handler = mTimers[i].handler;
    handler->addRef();
    ++mCallbacks;
    handler->onTimer();
    handler->release();
    if (afterCallback) afterCallback();
  }
  --mDepth;
  Purge();
}

void RunLoop::RunFor(int milliseconds)
{
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (Clock::time_point now = Clock::now(); now < until; now = Clock::now())
    RunOnce(static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count()));
}

bool RunLoop::RunUntil(const std::function<bool()>& done, int timeoutMilliseconds)
{
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  while (!done())
  {
    const Clock::time_point now = Clock::now();
    if (now >= until) return false;
    RunOnce(static_cast<int>(std::min<long long>(
        20, std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count())));
  }
  return true;
}

tresult PLUGIN_API RunLoop::queryInterface(const TUID iid, void** obj)
{
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IRunLoop)
  QUERY_INTERFACE(iid, obj, IRunLoop::iid, IRunLoop)
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API RunLoop::addRef() { return static_cast<uint32>(++mRefCount); }
uint32 PLUGIN_API RunLoop::release() { return static_cast<uint32>(--mRefCount); }

} // namespace harness
