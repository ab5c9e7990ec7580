#pragma once
#include "graphics/IGraphics.h"
#include "graphics/x11/IX11RunLoop.h"

#include <memory>

class X11Connection;
class X11Presenter;
class X11TextField;

// The editor's window layer on Linux: a child window inside the host's X11 parent, on an X
// connection of its own, driven entirely by the host's run loop (no thread of its own): the
// connection's descriptor and a repeating timer at the editor's frame rate are registered with
// the loop the view hands over (SetHostRunLoop). Each tick finishes a text field or redraws the
// union of the dirty controls and copies it to the window; exposed areas are redrawn as they are
// reported. Pointer, wheel, double clicks (told by time and distance, delivered in the order
// down, up, double click, up), keys (space, arrows, digits and letters; every other key and each
// key nobody takes go on to the host's top-level window, unless a client sent it to us), hover
// and leave reach the core's dispatch. Menus are popup windows of our own; the text field is
// drawn inside the editor; alerts, file and colour choosers come from zenity or kdialog; web
// addresses go to xdg-open; clipboard text is read from the CLIPBOARD selection.
//
// Without a run loop the window shows the editor as it was when it opened and takes no input.
// X errors on the editor's connection never reach the host (its parent may be destroyed first).
//
// Threads: the host's user-interface thread, like the core.
class IGraphicsX11 : public IGraphics, private IX11RunLoopClient
{
public:
  IGraphicsX11(IPlugBase* plugin, int width, int height, int frameRate);
  ~IGraphicsX11() override;

  bool PresentRegion(const IRect& rect) override;
  void DiscardTextEntry() override;
  void SetEditorSize(int width, int height) override;
  const char* DrawingBackendName() override { return "X11"; }
  int ShowAlert(const char* text, const char* caption, int type) override;
  IMenu* ShowMenu(IMenu& menu, const IRect& rect) override;
  void ShowTextEntry(IControl* control, const IText& text, const IRect& rect,
                     const char* initialText, IParamSlot* param) override;
  void HostFolder(std::string& out) override;
  void PluginFolder(std::string& out) override;
  void DesktopFolder(std::string& out) override;
  void AppDataFolder(std::string& out, bool allUsers) override;
  void UserAppDataFolder(std::string& out) override;
  void AskForFile(std::string& path, int action, std::string& folder,
                  const char* extensions) override;
  bool AskForColour(IColor& colour, const char* prompt) override;
  bool LaunchUrl(const char* url, const char* title, const char* confirmText,
                 const char* failureText) override;
  // parent is the host's X11 window id. Null when there is no display, the parent is no window
  // or the server offers no 24-bit TrueColor visual.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() override;
  bool ClipboardText(std::string& out) override;
  void HidePointer() override;
  void RestorePointer() override;
  // Decodes the compiled-in PNG of resourceId; fileName must end in ".png" (any case).
  LICE_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override;

  // The host's loop (not owned; null for none). May come before or after the window opens: the
  // window registers with it while both exist. CloseEditorWindow forgets it.
  void SetHostRunLoop(IX11RunLoop* loop);
  bool RegisteredWithRunLoop() const { return mRegistered; }

  // Text-field state: 0 none, 1 focused, 3 cancel, 4 commit (finished at the next tick).
  int EntryState() const { return mEntryState; }
  IControl* EntryControl() const { return mEntryControl; }
  const X11TextField* TextField() const { return mEntry.get(); }
  bool UsesSharedMemory() const;
  // The host window keys nobody takes are sent to.
  unsigned long HostKeyWindow() const { return mHostKeyWindow; }

  // The core's key code of an X keysym, -1 for a key the editor leaves to the host.
  static int KeyCodeOfKeysym(unsigned long keysym);
  // Editor windows open in this process.
  static int OpenWindowCount();

  // Two presses of the left button make a double click when the second comes within
  // kDoubleClickMilliseconds of the first and within kDoubleClickDistance pixels of it each way.
  static constexpr unsigned long kDoubleClickMilliseconds = 400;
  static constexpr int kDoubleClickDistance = 4;

private:
  void OnFdReadable(int fd) override;
  void OnTimerTick() override;

  void Register();
  void Unregister();
  void ProcessEvents();
  // Redraws the union of the dirty controls, if any.
  void RedrawDirty();
  void HandleEvent(void* event);
  void HandleButtonPress(void* event);
  void HandleButtonRelease(void* event);
  void HandleKey(void* event, bool press);
  void TextFieldKey(void* event);
  void ForwardKey(void* event);
  void FinishTextEntry();
  void CloseTextField();
  void RedrawAll();
  unsigned long FindHostKeyWindow(unsigned long parent);

  std::unique_ptr<X11Connection> mConnection;
  unsigned long mWindow = 0;
  unsigned long mParent = 0;
  unsigned long mHostKeyWindow = 0;
  unsigned long mColormap = 0;
  unsigned long mInvisibleCursor = 0;
  void* mVisual = nullptr;
  bool mWindowGone = false; // destroyed by the server with its parent
  // Counts openings and closings, so an event loop notices the window changed under it.
  unsigned mGeneration = 0;
  std::unique_ptr<X11Presenter> mPresenter;
  IX11RunLoop* mRunLoop = nullptr;
  bool mRegistered = false;
  IRect mExposed;

  // Pointer.
  bool mCaptured = false;
  bool mPressSwallowed = false; // the press went to a text field: its release is not delivered
  bool mHaveLastClick = false;
  unsigned long mLastClickTime = 0;
  int mLastClickX = 0, mLastClickY = 0;

  // Text field.
  std::unique_ptr<X11TextField> mEntry;
  IControl* mEntryControl = nullptr;
  IParamSlot* mEntryParam = nullptr;
  int mEntryState = 0;
};
