#include "graphics/IControl.h"

#include "framework/IPlugBase.h"

namespace
{
// A new value differs when the two are unequal or either is a non-number.
bool Differs(double a, double b) { return a != b || a != a || b != b; }
} // namespace

IControl::IControl(IPlugBase* plugin, const IRect& rect, int paramIdx, IBlend blend)
  : mPlugin(plugin)
  , mRect(rect)
  , mTargetRect(rect)
  , mParamIdx(paramIdx)
  , mBlend(blend)
{
}

void IControl::SetValueFromPlugin(double value)
{
  if (mDefaultValue < 0.0)
  {
    mDefaultValue = mValue = value;
    return;
  }
  if (Differs(value, mValue))
  {
    mValue = value;
    MarkDirty(false);
    mRedrawPending = true;
  }
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

void IControl::MarkDirty(bool pushToPlugin)
{
  if (mValue < mClampLow)
    mValue = mClampLow;
  else if (mValue > mClampHigh)
    mValue = mClampHigh;
  mDirty = true;
  if (!pushToPlugin || !mPlugin || mParamIdx < 0) return;
  mPlugin->ParamFromEditor(mParamIdx, mValue);
}

void IControl::ClearDirty()
{
  mDirty = mRedrawPending;
  mRedrawPending = false;
}
