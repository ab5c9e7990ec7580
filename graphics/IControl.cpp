#include "graphics/IControl.h"

#include "framework/IPlugBase.h"
#include "framework/Truncate.h"
#include "graphics/IGraphics.h"

#include <string>

namespace
{
// A new value differs when the two are unequal or either is not a number.
bool Differs(double a, double b) { return a != b || a != a || b != b; }

// The prompt of a parameter without display texts: 40 x 16 pixels on the control's centre.
constexpr int kPromptHalfWidth = 20;
constexpr int kPromptHalfHeight = 8;
} // namespace

IControl::IControl(IPlugBase* plugin, const IRect& rect, int paramIdx, IBlend blend)
  : mPlugin(plugin)
  , mRect(rect)
  , mTargetRect(rect)
  , mParamIdx(paramIdx)
  , mBlend(blend)
{
}

void IControl::OnPress(int /*x*/, int /*y*/, const IMouseMod& mod)
{
  if (!mod.R || mPromptDisabled || !mPlugin || mParamIdx < 0) return;
  IParamSlot* param = mPlugin->Param(mParamIdx);
  IGraphics* graphics = mPlugin->GetGUI();
  if (!param || !graphics) return;
  IRect rect = mRect;
  if (param->DisplayTextCount() == 0)
  {
    const int cx = TruncateToInt32(0.5 * (mRect.L + mRect.R));
    const int cy = TruncateToInt32(0.5 * (mRect.T + mRect.B));
    rect = IRect{cx - kPromptHalfWidth, cy - kPromptHalfHeight, cx + kPromptHalfWidth,
                 cy + kPromptHalfHeight};
  }
  graphics->PromptParam(this, param, &rect);
  mRedrawPending = true;
}

void IControl::OnDoubleClick(int /*x*/, int /*y*/, const IMouseMod& /*mod*/)
{
  const double defaultValue = mDefaultValue;
  if (defaultValue < 0.0) return;
  mValue = defaultValue;
  MarkDirty(true);
}

void IControl::SetValueFromPlugin(double value)
{
  if (mDefaultValue < 0.0)
  {
    mDefaultValue = value;
    mValue = value;
    return;
  }
  if (Differs(value, mValue))
  {
    mValue = value;
    MarkDirty(false);
    mRedrawPending = true;
  }
}

void IControl::SetValuesFromPlugin(const double* values, int count)
{
  if (count < 1) return;
  // A value equal to the stored one changes nothing, so only the last move matters: pushing
  // the value before it and the value after it flags the control (if the first push did not)
  // and leaves the last value stored.
  int last = count - 1;
  while (last > 0 && !Differs(values[last], values[last - 1])) --last;
  // A moving meter's usual chunk: with a default already set and both ends of the last move
  // inside the clamp range, one push per value would end with the last value stored as it is
  // and the control flagged (that move's push always changes the value); the last value's push
  // alone does the same when it differs from the stored one.
  const auto inRange = [this](double v) { return v >= mClampLow && v <= mClampHigh; };
  if (last > 0 && !(mDefaultValue < 0.0) && inRange(values[last - 1]) && inRange(values[last]) &&
      Differs(values[last], mValue))
  {
    SetValueFromPlugin(values[last]);
    return;
  }
  SetValueFromPlugin(values[0]);
  if (last == 0) return;
  SetValueFromPlugin(values[last - 1]);
  SetValueFromPlugin(values[last]);
}

void IControl::SetValueFromUser(double value)
{
  if (Differs(value, mValue))
  {
    mValue = value;
    MarkDirty(true);
    mRedrawPending = true;
  }
}

void IControl::SetAuxValueFromPlugin(int auxIndex, double value)
{
  if (auxIndex < 0 || auxIndex >= AuxParamCount()) return;
  if (Differs(value, mAuxParams[auxIndex].value))
  {
    mAuxParams[auxIndex].value = value;
    MarkDirty(false);
    mRedrawPending = true;
  }
}

void IControl::SetHidden(bool hidden)
{
  mHidden = hidden;
  mRedrawPending = true;
  MarkDirty(false);
}

void IControl::SetGreyed(bool greyed)
{
  mGreyed = greyed;
  mBlend.weight = greyed ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y) { return !mTargetRect.Empty() && mTargetRect.Contains(x, y); }

void IControl::MarkDirty(bool pushToPlugin)
{
  const double value = mValue;
  if (value < mClampLow)
    mValue = mClampLow;
  else if (value > mClampHigh)
    mValue = mClampHigh;
  mDirty = true;
  if (pushToPlugin && mPlugin && mParamIdx >= 0) PushValueToPlugin();
}

// Apart from MarkDirty, whose common call (a meter's value from the audio thread, several per
// block) then sets up no frame for the text work below.
__attribute__((noinline)) void IControl::PushValueToPlugin()
{
  // The host hears every edit inside a gesture: a press's (its release ends it), or else one
  // of the edit's own.
  const IGraphics* graphics = mPlugin->GetGUI();
  const bool ownGesture = graphics && graphics->OpenGestureParam() != mParamIdx;
  if (ownGesture) mPlugin->BeginHostEdit(mParamIdx);
  mPlugin->ParamFromEditor(mParamIdx, mValue);
  if (ownGesture) mPlugin->EndHostEdit(mParamIdx);
  const IParamSlot* param = mPlugin->Param(mParamIdx);
  if (!param) return;
  if (mValueLabel)
  {
    // The display string, a space, and the unit label unless a display text names the value.
    char display[IParamSlot::kTextSize] = {};
    param->FormatForHost(display, sizeof(display));
    std::string text = display;
    text += ' ';
    text += param->UnitLabelForHost();
    mValueLabel->SetTextFromPlugin(text.c_str());
  }
  if (mNameLabel) mNameLabel->SetTextFromPlugin(param->Name());
}

void IControl::ClearDirty()
{
  mDirty = mRedrawPending.Load();
  mRedrawPending = false;
}
