#pragma once
#include "graphics/IBitmapControl.h"

// A filmstrip that steps to its next frame on every press (any button) and wraps to the first
// after the last: two frames alternate 0, 1, 0; three cycle 0, 0.5, 1, 0.
class ISwitchControl : public IBitmapControl
{
public:
  ISwitchControl(IPlugBase* plugin, int x, int y, int paramIdx, const IBitmapRef& bitmap,
                 int blendMethod = IBlend::BlendAlpha);

  void OnPress(int x, int y, const IMouseMod& mod) override;
  // A double click steps as a press does (the press before it has already stepped once).
  void OnDoubleClick(int x, int y, const IMouseMod& mod) override;
};
