#pragma once
#include "graphics/IGraphicsStructs.h"

#include <functional>
#include <memory>
#include <vector>

class IGraphics;
class LICE_SysBitmap;
class X11Connection;
class X11Presenter;

// A popup menu drawn by the editor itself: one override-redirect window per open level, drawn
// with the image engine and the editor's fonts, with the pointer and keyboard grabbed while it
// is open. Items show their labels (with the menu's numbering prefix), checks, separators,
// disabled looks and submenu arrows; the chosen entry maps back through IMenuIds, so the answer
// is the menu that holds it with its chosen index set.
//
// Run is synchronous: it runs its own event loop on the editor's connection (still the host's
// user-interface thread) until the user chooses or dismisses, calling idle every
// idleMilliseconds so that the editor keeps drawing; other editors' timers wait meanwhile.
// When the grab cannot be had within half a second, the menu closes unanswered. A DestroyNotify
// for the editor's window ends the menu and stays queued for the editor.
class X11PopupMenu
{
public:
  // The name the top window carries once its grab holds.
  static constexpr const char* kWindowName = "KORU menu";

  X11PopupMenu(X11Connection& connection, unsigned long editorWindow, void* visual,
               unsigned long colormap, IGraphics& graphics);
  ~X11PopupMenu();
  X11PopupMenu(const X11PopupMenu&) = delete;
  X11PopupMenu& operator=(const X11PopupMenu&) = delete;

  // Shows top with its top left corner at (x, y) of the editor window; null when nothing was
  // chosen (or top has no items).
  IMenu* Run(IMenu& top, int x, int y, const std::function<void()>& idle, int idleMilliseconds);

private:
  struct Level;
  struct Choice
  {
    IMenu* menu = nullptr;
    int index = -1;
  };

  bool OpenLevel(IMenu& menu, int rootX, int rootY, int alignRightX);
  void CloseLevelsFrom(size_t level);
  void Draw(Level& level);
  int ItemAt(const Level& level, int y) const;
  bool Selectable(const IMenu& menu, int index) const;
  void Highlight(size_t level, int index);
  void MoveHighlight(int step);
  void OpenSubmenuOf(size_t level, bool highlightFirst);
  bool Activate(size_t level, int index);
  int LevelOf(unsigned long window) const;
  bool HandleEvent(void* event);

  X11Connection& mConnection;
  unsigned long mEditorWindow;
  void* mVisual;
  unsigned long mColormap;
  IGraphics& mGraphics;
  IText mStyle;
  std::vector<std::unique_ptr<Level>> mLevels;
  Choice mChoice;
  bool mDone = false;
  bool mEntered = false; // the pointer has been over an item since the menu opened
};
