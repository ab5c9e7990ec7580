#pragma once
#include "graphics/IGraphics.h"

#include <memory>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The editor's window layer on Windows: one child window (class "IPlugWndClass") inside the
// parent window the host gives the editor view, a repeating timer at the editor's frame rate
// that redraws what is dirty, painting from the off-screen surface, window messages turned into
// the core's pointer and key dispatch, tooltips, pointer hiding and resizing; and the dialogs:
// an in-place text field, popup menus, alerts, folders, file and colour dialogs, web addresses
// and the clipboard. Images come from the module's "PNG" resources.
//
// Threads: everything runs on the host's user-interface thread (window procedure, timer, calls
// from the editor view). The count of open editor windows, which decides when the window class
// is registered and unregistered, is process-wide and touched only on that thread.
//
// Ownership: the window belongs to this object (closed by CloseEditorWindow or the destructor);
// the text field's window and font live while the field is open. A window destroyed from
// outside (the host destroying its parent) is noticed and forgotten.
class IGraphicsWin : public IGraphics
{
public:
  static constexpr const char* kWindowClassName = "IPlugWndClass";
  // The editor window's timer, and the text field's control identifier.
  static constexpr UINT_PTR kTimerId = 2;
  static constexpr int kTextEntryId = 99;

  // Text-field states.
  enum EEntryState
  {
    kEntryNone = 0,
    kEntryFocused = 1,
    kEntryRepainted = 2,
    kEntryCancel = 3,
    kEntryCommit = 4
  };

  IGraphicsWin(IPlugBase* plugin, int width, int height, int frameRate);
  ~IGraphicsWin() override;

  bool PresentRegion(const IRect& rect) override;
  void DiscardTextEntry() override;
  void SetEditorSize(int width, int height) override;
  bool HasWindow() override { return mWindow != nullptr; }
  const char* DrawingBackendName() override { return "Windows GDI"; }
  // Owned by the host's top-level window (found once and kept), or by none.
  int ShowAlert(const char* text, const char* caption, int type) override;
  // Null without a window, for a menu without items, and when the user chose nothing.
  IMenu* ShowMenu(IMenu& menu, const IRect& rect) override;
  // Nothing without a window or control, or while a field is open.
  void ShowTextEntry(IControl* control, const IText& text, const IRect& rect,
                     const char* initialText, IParamSlot* param) override;
  void HostFolder(std::string& out) override;
  void PluginFolder(std::string& out) override;
  void DesktopFolder(std::string& out) override;
  void AppDataFolder(std::string& out, bool allUsers) override;
  void UserAppDataFolder(std::string& out) override;
  // Without a window, or for an extension list the dialog cannot take, path becomes empty and
  // no dialog opens.
  void AskForFile(std::string& path, int action, std::string& folder,
                  const char* extensions) override;
  bool AskForColour(IColor& colour, const char* prompt) override;
  bool LaunchUrl(const char* url, const char* title, const char* confirmText,
                 const char* failureText) override;
  // The window inside parent, or null when none can be made there. Reopening keeps the old
  // window's position (relative to the new parent) and size.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() override { return mWindow; }
  // Unicode clipboard text as UTF-8.
  bool ClipboardText(std::string& out) override;
  void HidePointer() override;
  void RestorePointer() override;
  // Decodes the module's "PNG" resource resourceId; fileName must end in ".png" (any case).
  LICE_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override;

  // The core's key code of a virtual key: space 0, arrows 1..4 (up, down, left, right), digits
  // 5..14, letters 15..40; -1 for every other key (those go to the host).
  static int KeyCodeOf(WPARAM virtualKey);
  // Editor windows open in this process.
  static int OpenWindowCount();

  HWND TextEntryWindow() const { return mEntryWindow; }
  int TextEntryState() const { return mEntryState; }

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TextEntryProc(HWND field, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleTextEntryMessage(HWND field, UINT msg, WPARAM wParam, LPARAM lParam);
  void OnTimerTick();
  void OnPaint();
  LRESULT PassKeyOn(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT TextEntryColours(HDC dc);
  void HandleMouseMove(int x, int y, const IMouseMod& mod, WPARAM wParam);
  // Commits (state 4) or cancels (state 3) an open field, or clears state 2; answers whether
  // the tick ends there.
  bool FinishTextEntry();
  void CloseTextEntry();
  // The bookkeeping of a window that is gone or going: tooltip, text field, gesture, count.
  void ForgetWindow();
  void SetUpTooltips();
  void HideTooltip();
  void FindOwnerWindow();

  HMODULE mModuleInstance;
  HWND mWindow = nullptr;
  HWND mEntryWindow = nullptr;
  HWND mTooltipWindow = nullptr;
  IControl* mEntryControl = nullptr;
  IParamSlot* mEntryParam = nullptr;
  WNDPROC mEntryDefaultProc = nullptr;
  int mEntryState = kEntryNone;
  bool mTooltipShown = false;
  int mTooltipIdx = -1;
  std::unique_ptr<COLORREF[]> mCustomColours;
  DWORD mProcessId = 0;
  HWND mParentWindow = nullptr;
  HWND mOwnerWindow = nullptr;
  std::string mOwnerClassName;

  // The open field's font, released when the field closes.
  HFONT mEntryFont = nullptr;
  // Inside WM_PAINT: PresentRegion copies through BeginPaint; elsewhere straight to the window.
  bool mPainting = false;
  // Our own ReleaseCapture on a button release: the release ends the gesture itself.
  bool mReleasingCapture = false;
};
