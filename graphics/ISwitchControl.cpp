#include "graphics/ISwitchControl.h"

namespace
{
// Past the last frame (with room for rounding in the steps) the switch wraps to 0.
constexpr double kWrapAbove = 1.001;
} // namespace

ISwitchControl::ISwitchControl(IPlugBase* plugin, int x, int y, int paramIdx,
                               const IBitmapRef& bitmap, int blendMethod)
  : IBitmapControl(plugin, x, y, paramIdx, bitmap, blendMethod)
{
}

void ISwitchControl::OnPress(int /*x*/, int /*y*/, const IMouseMod& /*mod*/)
{
  const int frames = mBitmap.frames;
  const double step = frames > 1 ? 1.0 / (frames - 1) : 1.0;
  double value = mValue + step;
  if (value > kWrapAbove) value = 0.0;
  mValue = value;
  MarkDirty(true);
}

void ISwitchControl::OnDoubleClick(int x, int y, const IMouseMod& mod) { OnPress(x, y, mod); }
