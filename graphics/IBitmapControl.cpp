#include "graphics/IBitmapControl.h"

#include "framework/Truncate.h"
#include "graphics/IGraphics.h"

IBitmapControl::IBitmapControl(IPlugBase* plugin, int x, int y, int paramIdx,
                               const IBitmapRef& bitmap, int blendMethod)
  : IControl(plugin, FrameRect(x, y, bitmap), paramIdx, IBlend{blendMethod, 1.0f})
  , mBitmap(bitmap)
{
}

IBitmapControl::IBitmapControl(IPlugBase* plugin, int x, int y, const IBitmapRef& bitmap)
  : IBitmapControl(plugin, x, y, -1, bitmap, IBlend::BlendAlpha)
{
}

bool IBitmapControl::Draw(IGraphics* graphics)
{
  return DrawFrame(graphics, mBitmap, mRect, mValue, &mBlend);
}

int IBitmapControl::FrameNumber(int frames, double value)
{
  if (frames <= 1) return 1;
  const int i = TruncateToInt32((frames - 1) * value + 0.5) + 1;
  return i < 1 ? 1 : i > frames ? frames : i;
}

bool IBitmapControl::DrawFrame(IGraphics* graphics, const IBitmapRef& bitmap, const IRect& rect,
                               double value, const IBlend* blend)
{
  const int frames = bitmap.Frames();
  const int i = FrameNumber(frames, value);
  int srcX = 0, srcY = 0;
  if (frames > 1 && i > 1)
  {
    if (bitmap.framesHorizontal)
      srcX = TruncateToInt32(static_cast<double>(bitmap.width) * (i - 1) / frames + 0.5);
    else
      srcY = TruncateToInt32(static_cast<double>(bitmap.height) * (i - 1) / frames + 0.5);
  }
  return graphics->BlitBitmap(bitmap, rect, srcX, srcY, blend);
}

IRect IBitmapControl::FrameRect(int x, int y, const IBitmapRef& bitmap)
{
  return IRect{x, y, x + bitmap.FrameWidth(), y + bitmap.FrameHeight()};
}
