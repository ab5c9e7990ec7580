#pragma once
#include "graphics/IControl.h"

// Draws one frame of a filmstrip chosen by its value: the editor's background and meters.
// The rectangle is one frame's size at (x, y).
class IBitmapControl : public IControl
{
public:
  IBitmapControl(IPlugBase* plugin, int x, int y, int paramIdx, const IBitmapRef& bitmap,
                 int blendMethod = IBlend::BlendAlpha);
  // No parameter, alpha blending.
  IBitmapControl(IPlugBase* plugin, int x, int y, const IBitmapRef& bitmap);

  bool Draw(IGraphics* graphics) override;

  const IBitmapRef& GetBitmap() const { return mBitmap; }

  // The 1-based frame of frames that value selects: the nearest of the frames spread evenly
  // over 0..1, limited to 1..frames.
  static int FrameNumber(int frames, double value);
  // Blits the frame value selects into rect.
  static bool DrawFrame(IGraphics* graphics, const IBitmapRef& bitmap, const IRect& rect,
                        double value, const IBlend* blend);
  // A frame-sized rectangle at (x, y).
  static IRect FrameRect(int x, int y, const IBitmapRef& bitmap);

protected:
  IBitmapRef mBitmap;
};
