#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;

namespace harness
{

// A Linux host's editor frame on the X display of $DISPLAY, on a connection of its own: a
// top-level window (marked with WM_CLASS, listening for keys) holding the parent window it hands
// to a view. Input goes through the server as a user's would (the XTest extension), so the
// editor receives real events. Test thread only.
class HostWindow
{
public:
  // The top-level window at (x, 0) of the screen, the parent inside it width x height.
  explicit HostWindow(int width = 150, int height = 550, int x = 0);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  bool Valid() const { return mDisplay != nullptr && mParent != 0; }
  _XDisplay* Display() const { return mDisplay; }
  unsigned long TopLevel() const { return mTopLevel; }
  unsigned long Parent() const { return mParent; }
  // The parent as an attached() argument.
  void* ParentHandle() const { return reinterpret_cast<void*>(mParent); }
  // The parent's child window (the editor's), 0 when it has none.
  unsigned long EditorWindow();
  // Destroys the parent (the editor's window goes with it), as a host closing first does.
  void DestroyParent();

  // The pixels of window as 0x00RRGGBB, top-down; empty on failure.
  std::vector<uint32_t> Capture(unsigned long window, int& width, int& height);

  // Pointer and keys, at positions inside the parent window.
  void MoveTo(int x, int y);
  void Button(int button, bool press);
  void Click(int x, int y, int button = 1);
  // A key by its keysym name ("space", "F5", "Return", "a"); with shift held when asked.
  void Key(const char* name, bool press);
  void Tap(const char* name);
  void Type(const std::string& text);

  struct KeySeen
  {
    int type; // KeyPress or KeyRelease
    std::string name;
    bool sent; // by another client (XSendEvent)
  };
  // Key events the top-level window has received since the last call.
  std::vector<KeySeen> TakeKeys();

private:
  _XDisplay* mDisplay = nullptr;
  unsigned long mTopLevel = 0;
  unsigned long mParent = 0;
};

} // namespace harness
