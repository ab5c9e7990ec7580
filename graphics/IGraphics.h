#pragma once
#include "graphics/IControl.h"

#include <memory>
#include <string>
#include <vector>

class IParamSlot;
class IPlugBase;
class LICE_IBitmap;
class LICE_MemBitmap;
class LICE_SysBitmap;

// The platform-neutral editor: an ordered list of controls (index 0 is the background, later
// ones lie on top), an off-screen surface of the editor's size, the redraw bookkeeping, the
// pointer and key dispatch, the process-wide bitmap and font caches, and the editor's end of
// the parameter flow with the plug-in. A window layer derives from it and supplies the
// platform operations (the pure virtual ones); the core builds and runs without a window.
//
// Threads. Everything runs on the user-interface thread except the value pushes that reach
// controls from other threads (queued parameter changes and meters on the audio thread,
// restores on whichever thread restores state): those only store values and flags in the
// controls. Changes to the control list take the plug-in's mutex, which every processing call
// holds, so the audio thread never sees a control go away under it.
//
// Ownership: the editor owns its controls from the moment they are added, its key catcher and
// its surfaces; the plug-in owns the editor from AttachEditor on. Bitmaps and fonts belong to
// the process-wide caches, which keep them until the module unloads.
class IGraphics
{
public:
  IGraphics(IPlugBase* plugin, int width, int height, int frameRate);

  // --- Virtual operations, in slot order -----------------------------------------------------
  // Copies rect of the surface to the screen.
  virtual bool PresentRegion(const IRect& rect) = 0;
  // DrawStyledText in measure mode: rect is rewritten to the text's extent.
  virtual bool MeasureText(IText& text, const char* str, IRect& rect);
  // Marks an open text field to be discarded.
  virtual void DiscardTextEntry() = 0;
  // New size: controls destroyed (the plug-in rebuilds its layout), surfaces rebuilt, the
  // plug-in told.
  virtual void SetEditorSize(int width, int height);
  virtual bool HasWindow() { return WindowHandle() != nullptr; }
  virtual const char* DrawingBackendName() { return ""; }
  // Modal message box; answers the platform's button code.
  virtual int ShowAlert(const char* text, const char* caption, int type) = 0;
  // Popup menu at rect's lower left; answers the (sub)menu holding the chosen entry, with its
  // chosen index set, or null.
  virtual IMenu* ShowMenu(IMenu& menu, const IRect& rect) = 0;
  virtual void ShowTextEntry(IControl* control, const IText& text, const IRect& rect,
                             const char* initialText, IParamSlot* param) = 0;
  virtual void HostFolder(std::string& out) = 0;
  virtual void PluginFolder(std::string& out) = 0;
  virtual void DesktopFolder(std::string& out) = 0;
  virtual void AppDataFolder(std::string& out, bool allUsers) = 0;
  virtual void UserAppDataFolder(std::string& out) = 0;
  // action 1 saves, anything else opens; path is empty when cancelled.
  virtual void AskForFile(std::string& path, int action, std::string& folder,
                          const char* extensions) = 0;
  virtual bool AskForColour(IColor& colour, const char* prompt) = 0;
  virtual bool LaunchUrl(const char* url, const char* title, const char* confirmText,
                         const char* failureText) = 0;
  virtual int ReservedQuery() { return 0; }
  // Creates the editor window as a child of parent; answers the native handle or null.
  virtual void* OpenEditorWindow(void* parent) = 0;
  virtual void ReservedHook1() {}
  virtual void ReservedHook2() {}
  virtual void CloseEditorWindow() = 0;
  virtual void* WindowHandle() = 0;
  virtual bool ClipboardText(std::string& out) = 0;
  virtual ~IGraphics();
  virtual void HidePointer() {}
  virtual void RestorePointer() {}
  virtual void ReservedHook3() {}
  // A new bitmap decoded from the module's image resourceId (owned by the caller), or null.
  virtual LICE_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) = 0;

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // --- Controls --------------------------------------------------------------------------------
  // Appends a control (owned from now on) and answers its index.
  int AddControl(IControl* control);
  // Inserts the background picture at index 0, shifting the others up.
  void SetBackground(IControl* control);
  IControl* GetControl(int index) const;
  int NControls() const { return static_cast<int>(mControls.size()); }
  // The control that receives keys nobody else takes (owned); null for none.
  void SetKeyCatcher(IControl* control);

  // --- Bitmaps, surfaces, drawing --------------------------------------------------------------
  // The cached image of resourceId (loaded on first use; the file name plays no part in the
  // lookup). A resource that cannot be loaded gives an image of null and size 0 x 0, which
  // draws nothing; nothing is cached for it.
  IBitmapRef FetchBitmap(int resourceId, const char* fileName, int frames);
  // A new surface of the editor's size and an empty scratch bitmap.
  void PrepareSurfaces();
  // Composites the bitmap at (srcX, srcY) into dest on the surface, clipped to the draw region.
  // No blend means alpha blending at full weight. Always true.
  bool BlitBitmap(const IBitmapRef& bitmap, const IRect& dest, int srcX, int srcY,
                  const IBlend* blend);
  // Draws str into rect on the surface, or with measureOnly rewrites rect to its extent.
  // False when no font can be made for the style.
  bool DrawStyledText(IText& text, const char* str, IRect& rect, bool measureOnly);
  // The style's font from the process-wide cache, created on first use; null on failure.
  LICE_CachedFont* FontFor(IText& text);
  // The draw pass: draws the controls that meet rect (strict mode) or the dirty ones, clears
  // their flags and presents rect.
  bool RedrawRegion(const IRect& rect);
  // Called on every timer tick: whether any control is dirty, and the union of their rects.
  bool GatherDirty(IRect& dirtyUnion);

  LICE_IBitmap* Surface() const;
  const IRect& DrawRegion() const { return mDrawRegion; }
  bool StrictDrawing() const { return mStrictDrawing; }
  void SetStrictDrawing(bool strict) { mStrictDrawing = strict; }

  // --- Parameter flow ---------------------------------------------------------------------------
  // A value from the plug-in (plain values are normalised through the record's law, limited to
  // its range first) pushed to every control bound to paramIdx.
  void ParamFromPlugin(int paramIdx, double value, bool isNormalized);
  // Hands a normalised value to the controls bound to paramIdx, and to the first auxiliary
  // binding of each control that names it. Only stores values and flags: safe on the audio
  // thread.
  void PushNormalizedToControls(int paramIdx, double normalized);
  // Asks the user for a value of param: a menu of its display texts for choice kinds, a text
  // field over rect otherwise.
  void PromptParam(IControl* control, IParamSlot* param, const IRect* rect);

  // --- Pointer and key dispatch (the window layer calls these, editor coordinates) ------------
  void PointerDown(int x, int y, const IMouseMod& mod);
  void PointerUp(int x, int y, const IMouseMod& mod);
  void PointerDrag(int x, int y, const IMouseMod& mod);
  // True when the double click was delivered as a press: the window must capture the pointer.
  bool PointerDoubleClick(int x, int y, const IMouseMod& mod);
  void PointerWheel(int x, int y, const IMouseMod& mod, int notches);
  bool PointerOver(int x, int y, const IMouseMod& mod);
  void PointerLeft();
  // False when nobody took the key: the window layer then passes it on to the host.
  bool KeyPressed(int x, int y, int key);
  // Whether a file name has the extension png (any letter case), as image resources must.
  static bool IsPngFileName(const char* fileName);
  // Whole notches of a platform wheel delta (120 a notch), truncated toward zero.
  static int WheelNotches(int delta) { return delta / 120; }

  // Host edit gestures. Every edit the editor sends the host lies between a begin and an end
  // of its parameter: a press on a bound control opens a gesture that its release closes, and
  // an edit outside it (double click, wheel, keys, a menu or text-field value) brings a begin
  // and an end of its own (IControl::MarkDirty). BeginEditGesture opens the press gesture for
  // paramIdx unless one is open (answers whether it opened it); EndEditGesture closes it. The
  // window layer ends an open gesture when it loses the pointer capture or closes the window.
  bool BeginEditGesture(int paramIdx);
  void EndEditGesture();
  int OpenGestureParam() const { return mGestureParamIdx; }

  // --- Queries ----------------------------------------------------------------------------------
  IPlugBase* GetPlugin() const { return mPlugin; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FrameRate() const { return mFrameRate; }
  int CapturedIdx() const { return mCapturedIdx; }
  int HoverIdx() const { return mHoverIdx; }
  bool TrackHover() const { return mTrackHover; }
  void SetTrackHover(bool track) { mTrackHover = track; }
  bool TooltipsEnabled() const { return mTooltipsEnabled; }
  void EnableTooltips(bool enable) { mTooltipsEnabled = enable; }

protected:
  // Index of the topmost control that is shown, not greyed and hit at (x, y); -1 for none.
  int TopmostHit(int x, int y);
  void DestroyControls();

  std::vector<std::unique_ptr<IControl>> mControls;
  IPlugBase* mPlugin;
  IRect mDrawRegion;
  bool mPointerHidden = false;
  int mHiddenPointerX = -1, mHiddenPointerY = -1;
  std::unique_ptr<LICE_SysBitmap> mSurface;
  std::unique_ptr<LICE_MemBitmap> mScratch;
  int mWidth, mHeight;
  int mFrameRate;
  int mCapturedIdx = -1;
  int mHoverIdx = -1;
  int mLastX = 0, mLastY = 0;
  bool mTrackHover = false;
  bool mStrictDrawing = true;
  bool mTooltipsEnabled = false;
  std::unique_ptr<IControl> mKeyCatcher;
  // The parameter whose host edit gesture is open, -1 for none.
  int mGestureParamIdx = -1;
};
