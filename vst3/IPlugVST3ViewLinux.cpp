// The editor view's Linux half: the host's run loop, which drives the X11 editor window.
#include "vst3/IPlugVST3View.h"

#if SMTG_OS_LINUX
#include "graphics/x11/IGraphicsX11.h"
#include "vst3/IPlugVST3.h"
#include "vst3/IPlugVST3RunLoop.h"

using namespace Steinberg;

tresult PLUGIN_API IPlugVST3View::setFrame(IPlugFrame* frame)
{
  CPluginView::setFrame(frame);
  Linux::IRunLoop* loop = nullptr;
  if (frame &&
      frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk)
    loop = nullptr;
  if (!mRunLoop || mRunLoop->HostLoop() != loop)
  {
    // The window lets go of the old loop before it goes.
    if (auto* graphics = dynamic_cast<IGraphicsX11*>(mPlugin->GetGUI()))
      if (mWindow && graphics->WindowHandle() == mWindow) graphics->SetHostRunLoop(nullptr);
    mRunLoop.reset(loop ? new IPlugVST3RunLoop(loop) : nullptr);
  }
  if (loop) loop->release();
  HandRunLoopToEditor();
  return kResultOk;
}

void IPlugVST3View::HandRunLoopToEditor()
{
  auto* graphics = dynamic_cast<IGraphicsX11*>(mPlugin->GetGUI());
  if (graphics && mWindow && graphics->WindowHandle() == mWindow)
    graphics->SetHostRunLoop(mRunLoop.get());
}
#endif
