#include "vst3/IPlugVST3View.h"

#include "graphics/IGraphics.h"
#include "vst3/IPlugVST3.h"
#if SMTG_OS_LINUX
#include "vst3/IPlugVST3RunLoop.h"
#endif

#include <cstring>

using namespace Steinberg;

#ifdef _WIN32
const char* const IPlugVST3View::kPlatformType = kPlatformTypeHWND;
#else
const char* const IPlugVST3View::kPlatformType = kPlatformTypeX11EmbedWindowID;
#endif

IPlugVST3View::IPlugVST3View(IPlugVST3* plugin) : mPlugin(plugin) { mPlugin->addRef(); }

IPlugVST3View::~IPlugVST3View()
{
  // A host may release a view it never removed: its window must not outlive it.
  if (mWindow || mOpened) removed();
  mPlugin->RemoveView(this);
  mPlugin->release();
}

tresult PLUGIN_API IPlugVST3View::isPlatformTypeSupported(FIDString type)
{
  if (!mPlugin->GetGUI()) return kResultFalse;
  return type && std::strcmp(type, kPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IPlugVST3View::attached(void* parent, FIDString type)
{
  IGraphics* graphics = mPlugin->GetGUI();
  if (!graphics || isPlatformTypeSupported(type) != kResultTrue) return kResultFalse;
  mWindow = graphics->OpenEditorWindow(parent);
  if (!mWindow) return kResultFalse;
  CPluginView::attached(parent, type);
#if SMTG_OS_LINUX
  HandRunLoopToEditor();
#endif
  if (!mOpened)
  {
    mOpened = true;
    mPlugin->EditorOpened();
  }
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3View::removed()
{
  if (IGraphics* graphics = mPlugin->GetGUI())
  {
    if (mOpened)
    {
      mOpened = false;
      mPlugin->EditorClosed();
    }
    // Only the window this view opened: never attached, or the editor since reopened in
    // another view's parent, it leaves the window alone.
    if (mWindow && graphics->WindowHandle() == mWindow) graphics->CloseEditorWindow();
  }
  mWindow = nullptr;
  return CPluginView::removed();
}

tresult PLUGIN_API IPlugVST3View::getSize(ViewRect* size)
{
  IGraphics* graphics = mPlugin->GetGUI();
  if (!graphics) return kResultFalse;
  if (!size) return kInvalidArgument;
  *size = ViewRect(0, 0, graphics->Width(), graphics->Height());
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3View::onSize(ViewRect* newSize)
{
  if (!newSize) return kResultTrue;
  rect = *newSize;
  if (mExpectingResize)
  {
    mExpectingResize = false;
    mPlugin->EditorResized();
  }
  return kResultTrue;
}

bool IPlugVST3View::ShowsEditor() const
{
  IGraphics* graphics = mPlugin->GetGUI();
  return mWindow && graphics && graphics->WindowHandle() == mWindow;
}

void IPlugVST3View::RequestResize(int width, int height)
{
  if (!plugFrame) return;
  mExpectingResize = true;
  ViewRect newSize(0, 0, width, height);
  plugFrame->resizeView(this, &newSize);
}
