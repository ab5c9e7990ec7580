#pragma once
#include "graphics/IKnobControl.h"

// A knob drawn from a filmstrip (one frame per position, first frame at 0): the editor's seven
// knobs. Alpha blending; the rectangle is one frame's size at (x, y).
class IKnobMultiControl : public IKnobControl
{
public:
  IKnobMultiControl(IPlugBase* plugin, int x, int y, int paramIdx, const IBitmapRef& bitmap,
                    int direction = kVertical, double gearing = 4.0);

  bool Draw(IGraphics* graphics) override;

  const IBitmapRef& GetBitmap() const { return mBitmap; }

protected:
  IBitmapRef mBitmap;
};
