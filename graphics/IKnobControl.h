#pragma once
#include "graphics/IControl.h"

// A control turned by dragging along one axis or by the wheel. Never created by itself: a
// subclass draws it.
class IKnobControl : public IControl
{
public:
  enum EDirection
  {
    kVertical = 0,
    kHorizontal = 1
  };

  // gearing: how many control lengths of drag cover the whole range.
  IKnobControl(IPlugBase* plugin, const IRect& rect, int paramIdx, int direction = kVertical,
               double gearing = 4.0);

  // Up (vertical) or right (horizontal) increases; shift or control drags ten times finer.
  void OnDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
  // 0.01 per notch, 0.001 with shift or control.
  void OnWheel(int x, int y, const IMouseMod& mod, int notches) override;

  int Direction() const { return mDirection; }
  double Gearing() const { return mGearing; }

protected:
  int mDirection;
  double mGearing;
};
