#include "graphics/IKnobMultiControl.h"

#include "graphics/IBitmapControl.h"

IKnobMultiControl::IKnobMultiControl(IPlugBase* plugin, int x, int y, int paramIdx,
                                     const IBitmapRef& bitmap, int direction, double gearing)
  : IKnobControl(plugin, IBitmapControl::FrameRect(x, y, bitmap), paramIdx, direction, gearing)
  , mBitmap(bitmap)
{
}

bool IKnobMultiControl::Draw(IGraphics* graphics)
{
  return IBitmapControl::DrawFrame(graphics, mBitmap, mRect, mValue, &mBlend);
}
