#pragma once
#include "graphics/IGraphicsStructs.h"
#include "graphics/ITextDisplay.h"
#include "graphics/RelaxedAtomic.h"

#include <string>
#include <vector>

class IGraphics;
class IPlugBase;

// A rectangle of the editor that shows a normalised value (0..1), may be bound to one plug-in
// parameter (and to further auxiliary ones), and reacts to the pointer.
//
// Threads. SetValueFromPlugin and SetAuxValueFromPlugin are also called on the audio thread:
// for the meters on every block with no lock, and for bound controls when a processing call
// applies a queued parameter change (under the plug-in's mutex). On that path they only store
// the value and the flags (relaxed atomics, read by the draw pass on the user-interface
// thread) and never call the plug-in. Everything else runs on the user-interface thread.
//
// Ownership: the editor owns its controls; a control never owns its plug-in or its labels.
class IControl
{
public:
  struct AuxParam
  {
    RelaxedAtomic<double> value = 0.0;
    int paramIdx = -1;
  };

  // blend: the whole blend; the bitmap controls pass their method with weight 1.0.
  IControl(IPlugBase* plugin, const IRect& rect, int paramIdx = -1, IBlend blend = IBlend{});

  // --- Virtual operations, in slot order ----------------------------------------------------
  virtual ~IControl() = default;
  // Right button only: the parameter prompt, when enabled and bound.
  virtual void OnPress(int x, int y, const IMouseMod& mod);
  virtual void OnRelease(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {}
  virtual void OnDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/, const IMouseMod& /*mod*/) {}
  // Back to the default value (the first value the plug-in sent), when there is one.
  virtual void OnDoubleClick(int x, int y, const IMouseMod& mod);
  virtual void OnWheel(int /*x*/, int /*y*/, const IMouseMod& /*mod*/, int /*notches*/) {}
  // Key codes: 0 space, 1..4 up, down, left, right, 5..14 digits, 15..40 letters.
  virtual bool OnKey(int /*x*/, int /*y*/, int /*key*/) { return false; }
  virtual void OnHover(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {}
  virtual void OnLeave() {}
  // Draws into the editor's surface, clipped to its draw region.
  virtual bool Draw(IGraphics* graphics) = 0;
  // A value from the plug-in; the first one received also becomes the double-click default
  // (and is not flagged for redraw).
  virtual void SetValueFromPlugin(double value);
  // A value from the user: handed to the plug-in through MarkDirty.
  virtual void SetValueFromUser(double value);
  virtual void OnTextEntered(const char* /*text*/) {}
  virtual void SetHidden(bool hidden);
  // Greyed controls draw at a quarter weight and are not hit.
  virtual void SetGreyed(bool greyed);
  virtual bool HitTest(int x, int y);
  // Clamps the value and flags a redraw; with pushToPlugin and a bound parameter, hands the
  // value to the plug-in (ParamFromEditor) and updates the labels. In an attached editor the
  // edit goes to the host inside a gesture: the open one of a press on this parameter, or else
  // a begin and an end of its own.
  virtual void MarkDirty(bool pushToPlugin);
  // A change that arrived since the last draw pass keeps the control dirty for one more.
  virtual void ClearDirty();
  virtual bool IsDirty() { return mDirty; }
  virtual void ReservedHook() {}
  virtual void SetAuxValueFromPlugin(int auxIndex, double value);

  // Leaves the control as SetValueFromPlugin called for each of values[0 .. count - 1] in turn
  // would (value, default, redraw flags), in at most three calls: the first value, and when the
  // values moved after it, the one before the last move and the last one; one call, the last
  // value, when that alone is known to do the same. For meters fed on every frame from the
  // audio thread; allocates nothing, takes no lock.
  void SetValuesFromPlugin(const double* values, int count);

  // --- Set-up and queries (user-interface thread) -------------------------------------------
  void AddAuxParam(int paramIdx) { mAuxParams.push_back(AuxParam{0.0, paramIdx}); }
  int AuxParamCount() const { return static_cast<int>(mAuxParams.size()); }
  const AuxParam& GetAuxParam(int index) const { return mAuxParams[index]; }

  int ParamIdx() const { return mParamIdx; }
  double GetValue() const { return mValue; }
  double DefaultValue() const { return mDefaultValue; }
  const IRect& GetRect() const { return mRect; }
  const IRect& GetTargetRect() const { return mTargetRect; }
  void SetTargetRect(const IRect& rect) { mTargetRect = rect; }
  const IBlend& GetBlend() const { return mBlend; }
  IText& GetText() { return mText; }
  int TextEntryLength() const { return mTextEntryLength; }
  bool IsHidden() const { return mHidden; }
  bool IsGreyed() const { return mGreyed; }
  bool RedrawPending() const { return mRedrawPending; }
  bool PromptDisabled() const { return mPromptDisabled; }
  void SetPromptDisabled(bool disabled) { mPromptDisabled = disabled; }
  bool DoubleClickAsPress() const { return mDoubleClickAsPress; }
  void SetDoubleClickAsPress(bool asPress) { mDoubleClickAsPress = asPress; }
  bool HoverWhenGreyed() const { return mHoverWhenGreyed; }
  void SetHoverWhenGreyed(bool hover) { mHoverWhenGreyed = hover; }
  void SetValueLabel(ITextDisplay* label) { mValueLabel = label; }
  void SetNameLabel(ITextDisplay* label) { mNameLabel = label; }
  const std::string& Tooltip() const { return mTooltip; }
  void SetTooltip(const char* text) { mTooltip = text ? text : ""; }
  IPlugBase* GetPlugin() const { return mPlugin; }

protected:
  int mTextEntryLength = 32;
  IText mText;
  IPlugBase* mPlugin;
  IRect mRect;
  IRect mTargetRect;
  int mParamIdx;
  std::vector<AuxParam> mAuxParams;
  RelaxedAtomic<double> mValue = 0.0;
  RelaxedAtomic<double> mDefaultValue = -1.0;
  double mClampLow = 0.0, mClampHigh = 1.0;
  RelaxedAtomic<bool> mDirty = true;
  bool mHidden = false;
  bool mGreyed = false;
  RelaxedAtomic<bool> mRedrawPending = false;
  bool mPromptDisabled = true;
  bool mDoubleClickAsPress = false;
  bool mHoverWhenGreyed = false;
  IBlend mBlend;
  ITextDisplay* mValueLabel = nullptr;
  ITextDisplay* mNameLabel = nullptr;
  std::string mTooltip;

private:
  // MarkDirty's hand-over of the value to a bound parameter (user-interface thread).
  void PushValueToPlugin();
};
