#pragma once

#include "public.sdk/source/common/pluginview.h"

#if SMTG_OS_LINUX
#include <memory>
class IPlugVST3RunLoop;
#endif

class IPlugVST3;

// The editor view a host embeds in its editor frame. It draws nothing itself: it hands the
// host's parent window to the plug-in's editor (whose window layer creates the child window),
// reports the editor's fixed size and carries the editor's own resizes to the host's frame.
// The platform type is "HWND" on Windows and "X11EmbedWindowID" on Linux, where the view also
// hands the run loop of the host's frame (set before or after attached) to the editor window.
// A view released while attached closes its window first.
//
// Threads: the host's user-interface thread. Ownership: reference counted (the SDK base); the
// view holds one reference to its plug-in and is listed, not owned, in the plug-in's views
// until its destruction.
class IPlugVST3View : public Steinberg::CPluginView
{
public:
  // The platform type this system's editor windows embed in.
  static const char* const kPlatformType;

  explicit IPlugVST3View(IPlugVST3* plugin);
  ~IPlugVST3View() override;

  // kResultTrue for exactly kPlatformType while the plug-in has an editor.
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  // Opens the editor window inside parent and tells the plug-in (EditorOpened). kResultFalse
  // when there is no editor, the type is not kPlatformType or no window could be made: a host
  // told so shows no empty frame and may release the view.
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  // Tells the plug-in (EditorClosed, when it was told of the opening) and closes the window this
  // view opened, if it is still the editor's. A view released while attached is removed first.
  Steinberg::tresult PLUGIN_API removed() override;
  // (0, 0, editor width, editor height); kResultFalse without an editor.
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  // Stores the rectangle; a resize the plug-in asked for is reported to it (EditorResized).
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
#if SMTG_OS_LINUX
  // Stores the frame and keeps its run loop; while attached, the editor window moves to it. A
  // frame without a run loop leaves the window showing what it drew when it opened.
  Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;
#endif

  // Asks the host's frame to resize this view to width x height; nothing without a frame.
  void RequestResize(int width, int height);
  bool ExpectingResize() const { return mExpectingResize; }
  // This view opened the window the editor shows in now.
  bool ShowsEditor() const;

private:
  IPlugVST3* mPlugin;
  bool mExpectingResize = false;
  // EditorOpened went to the plug-in and EditorClosed has not yet.
  bool mOpened = false;
  // The editor window attached opened, until removed.
  void* mWindow = nullptr;
#if SMTG_OS_LINUX
  // Gives the editor window this view opened the frame's run loop (IPlugVST3ViewLinux.cpp).
  void HandRunLoopToEditor();
  std::unique_ptr<IPlugVST3RunLoop> mRunLoop;
#endif
};
