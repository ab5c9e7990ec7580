#include "vst3/IPlugVST3RunLoop.h"

#if SMTG_OS_LINUX
#include <atomic>

using namespace Steinberg;
using namespace Steinberg::Linux;

class IPlugVST3RunLoop::Handler : public IEventHandler, public ITimerHandler
{
public:
  explicit Handler(IX11RunLoopClient* client) : mClient(client) {}
  virtual ~Handler() = default;

  // Kept alive through the call: the client may forget itself (and this handler) inside it.
  void PLUGIN_API onFDIsSet(FileDescriptor fd) override
  {
    addRef();
    if (mClient) mClient->OnFdReadable(fd);
    release();
  }
  void PLUGIN_API onTimer() override
  {
    addRef();
    if (mClient) mClient->OnTimerTick();
    release();
  }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IEventHandler)
    QUERY_INTERFACE(iid, obj, IEventHandler::iid, IEventHandler)
    QUERY_INTERFACE(iid, obj, ITimerHandler::iid, ITimerHandler)
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return ++mRefs; }
  uint32 PLUGIN_API release() override
  {
    const uint32 refs = --mRefs;
    if (refs == 0) delete this;
    return refs;
  }

  void Clear() { mClient = nullptr; }

private:
  IX11RunLoopClient* mClient;
  std::atomic<uint32> mRefs{1};
};

IPlugVST3RunLoop::IPlugVST3RunLoop(IRunLoop* loop) : mLoop(loop)
{
  if (mLoop) mLoop->addRef();
}

IPlugVST3RunLoop::~IPlugVST3RunLoop()
{
  while (!mRegistrations.empty()) Forget(mRegistrations.back().client);
  if (mLoop) mLoop->release();
}

IPlugVST3RunLoop::Registration& IPlugVST3RunLoop::RegistrationOf(IX11RunLoopClient* client)
{
  for (Registration& registration : mRegistrations)
    if (registration.client == client) return registration;
  mRegistrations.push_back(Registration{client, new Handler(client), false, false});
  return mRegistrations.back();
}

bool IPlugVST3RunLoop::WatchFd(int fd, IX11RunLoopClient* client)
{
  if (!mLoop || !client || fd < 0) return false;
  Registration& registration = RegistrationOf(client);
  if (!registration.watching)
    registration.watching = mLoop->registerEventHandler(registration.handler, fd) == kResultTrue;
  return registration.watching;
}

bool IPlugVST3RunLoop::StartTimer(int milliseconds, IX11RunLoopClient* client)
{
  if (!mLoop || !client || milliseconds < 1) return false;
  Registration& registration = RegistrationOf(client);
  if (!registration.ticking)
    registration.ticking =
        mLoop->registerTimer(registration.handler, static_cast<TimerInterval>(milliseconds)) ==
        kResultTrue;
  return registration.ticking;
}

void IPlugVST3RunLoop::Forget(IX11RunLoopClient* client)
{
  for (auto it = mRegistrations.begin(); it != mRegistrations.end(); ++it)
  {
    if (it->client != client) continue;
    const Registration registration = *it;
    mRegistrations.erase(it);
    registration.handler->Clear();
    if (registration.watching) mLoop->unregisterEventHandler(registration.handler);
    if (registration.ticking) mLoop->unregisterTimer(registration.handler);
    registration.handler->release();
    return;
  }
}
#endif
