#include "graphics/IKnobControl.h"

namespace
{
constexpr double kFineFactor = 10.0;
constexpr double kWheelStep = 0.01;
constexpr double kFineWheelStep = 0.001;
} // namespace

IKnobControl::IKnobControl(IPlugBase* plugin, const IRect& rect, int paramIdx, int direction,
                           double gearing)
  : IControl(plugin, rect, paramIdx)
  , mDirection(direction)
  , mGearing(gearing)
{
}

void IKnobControl::OnDrag(int /*x*/, int /*y*/, int dX, int dY, const IMouseMod& mod)
{
  double gearing = mGearing;
  if (mod.C || mod.S) gearing *= kFineFactor;
  if (mDirection == kVertical)
    mValue += static_cast<double>(dY) / static_cast<double>(mRect.T - mRect.B) / gearing;
  else
    mValue += static_cast<double>(dX) / static_cast<double>(mRect.R - mRect.L) / gearing;
  MarkDirty(true);
}

void IKnobControl::OnWheel(int /*x*/, int /*y*/, const IMouseMod& mod, int notches)
{
  mValue += notches * (mod.C || mod.S ? kFineWheelStep : kWheelStep);
  MarkDirty(true);
}
