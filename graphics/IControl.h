#pragma once
#include "graphics/IGraphicsStructs.h"

#include <vector>

class IGraphics;
class IPlugBase;

// A rectangle of the editor that shows a normalised value (0..1) and may be bound to one
// plug-in parameter.
//
// Threads. SetValueFromPlugin and SetAuxValueFromPlugin are also called on the audio thread
// (meter pushes, queued parameter changes): on that path they only store the value and the
// dirty flags and never call the plug-in. Everything else runs on the user-interface thread.
class IControl
{
public:
  struct AuxParam
  {
    double value = 0.0;
    int paramIdx = -1;
  };

  IControl(IPlugBase* plugin, const IRect& rect, int paramIdx = -1, IBlend blend = IBlend{});
  virtual ~IControl() = default;

  virtual bool Draw(IGraphics* graphics) = 0;
  // Value from the plug-in; the first one received also becomes the double-click default.
  virtual void SetValueFromPlugin(double value);
  // Value from the user: pushed to the plug-in through MarkDirty.
  virtual void SetValueFromUser(double value);
  // Clamps the value and flags a redraw; with pushToPlugin, hands the value to the plug-in.
  virtual void MarkDirty(bool pushToPlugin);
  virtual void ClearDirty();
  virtual bool IsDirty() const { return mDirty; }
  virtual void SetAuxValueFromPlugin(int auxIndex, double value);

  void AddAuxParam(int paramIdx) { mAuxParams.push_back(AuxParam{0.0, paramIdx}); }
  int AuxParamCount() const { return static_cast<int>(mAuxParams.size()); }
  const AuxParam& GetAuxParam(int index) const { return mAuxParams[index]; }

  int ParamIdx() const { return mParamIdx; }
  double GetValue() const { return mValue; }
  double DefaultValue() const { return mDefaultValue; }
  const IRect& GetRect() const { return mRect; }
  const IBlend& GetBlend() const { return mBlend; }
  bool RedrawPending() const { return mRedrawPending; }
  IPlugBase* GetPlugin() const { return mPlugin; }

protected:
  IPlugBase* mPlugin;
  IRect mRect;
  IRect mTargetRect;
  int mParamIdx;
  std::vector<AuxParam> mAuxParams;
  double mValue = 0.0;
  double mDefaultValue = -1.0;
  double mClampLow = 0.0, mClampHigh = 1.0;
  bool mDirty = true;
  bool mRedrawPending = false;
  IBlend mBlend;
};
