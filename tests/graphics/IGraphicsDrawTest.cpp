// The draw pass, dirty gathering, bitmap fetching and blitting, onto the real image engine.
#include "GraphicsTestSupport.h"
#include "graphics/IBitmapControl.h"

#include <gtest/gtest.h>

using namespace graphics_test;

namespace
{
LICE_Pixel32 SurfacePixel(IGraphics& graphics, int x, int y)
{
  return LICE_RowPointer(*graphics.Surface(), y)[x];
}

int FrameAt(IGraphics& graphics, int x, int y)
{
  return static_cast<int>((SurfacePixel(graphics, x, y) >> 16) & 0xFF);
}
} // namespace

TEST(IGraphicsDrawPass, AnEditorWithoutControlsPresentsNothing)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  EXPECT_TRUE(graphics.RedrawRegion(IRect{0, 0, 100, 80}));
  EXPECT_TRUE(graphics.presented.empty());
  IRect dirty;
  EXPECT_FALSE(graphics.GatherDirty(dirty));
}

TEST(IGraphicsDrawPass, StrictModeDrawsWhatTheRegionMeetsAndClearsEverything)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  auto* background = new TestControl(&plug, IRect{0, 0, 100, 80});
  auto* right = new TestControl(&plug, IRect{50, 10, 60, 20});
  auto* below = new TestControl(&plug, IRect{40, 50, 50, 60});
  auto* hidden = new TestControl(&plug, IRect{0, 0, 100, 80});
  auto* zero = new TestControl(&plug, IRect{});
  graphics.SetBackground(background);
  graphics.AddControl(right);
  graphics.AddControl(below);
  graphics.AddControl(hidden);
  graphics.AddControl(zero);
  hidden->SetHidden(true);

  // The region touches `right` along its left edge and `below` along its top edge: both drawn.
  ASSERT_TRUE(graphics.RedrawRegion(IRect{40, 0, 50, 50}));
  EXPECT_EQ(background->draws, 1);
  EXPECT_EQ(right->draws, 1);
  EXPECT_EQ(below->draws, 1);
  EXPECT_EQ(hidden->draws, 0);
  EXPECT_EQ(zero->draws, 0);
  ASSERT_EQ(graphics.presented.size(), 1u);
  EXPECT_EQ(graphics.presented[0], (IRect{40, 0, 50, 50}));
  EXPECT_EQ(graphics.DrawRegion(), (IRect{40, 0, 50, 50}));

  // Touching a control's right or bottom edge does not draw it.
  graphics.RedrawRegion(IRect{60, 0, 70, 10});
  graphics.RedrawRegion(IRect{40, 60, 50, 70});
  EXPECT_EQ(right->draws, 1);
  EXPECT_EQ(below->draws, 1);

  // The hidden control still carries a pending change; the pass after it clears it too.
  graphics.RedrawRegion(IRect{90, 70, 95, 75});
  for (TestControl* c : {background, right, below, hidden, zero}) EXPECT_FALSE(c->IsDirty());
  IRect dirty{1, 2, 3, 4};
  EXPECT_FALSE(graphics.GatherDirty(dirty));
  EXPECT_TRUE(dirty.Empty());

  // An empty region draws nothing but still clears.
  right->SetValueFromPlugin(0.2);
  right->SetValueFromPlugin(0.4);
  const int backgroundDraws = background->draws;
  graphics.RedrawRegion(IRect{});
  EXPECT_EQ(background->draws, backgroundDraws);
  EXPECT_EQ(right->draws, 1);
  EXPECT_FALSE(right->RedrawPending());
}

TEST(IGraphicsDrawPass, GatheringUnitesTheDirtyRectangles)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  auto* a = new TestControl(&plug, IRect{10, 10, 20, 20});
  auto* b = new TestControl(&plug, IRect{30, 5, 40, 15});
  auto* zero = new TestControl(&plug, IRect{});
  graphics.AddControl(a);
  graphics.AddControl(zero);
  graphics.AddControl(b);
  graphics.RedrawRegion(IRect{0, 0, 100, 80});
  graphics.RedrawRegion(IRect{0, 0, 100, 80});

  zero->SetHidden(true); // hidden controls are gathered too, but add no area
  IRect dirty;
  EXPECT_TRUE(graphics.GatherDirty(dirty));
  EXPECT_TRUE(dirty.Empty());
  a->SetHidden(false);
  b->SetHidden(false);
  EXPECT_TRUE(graphics.GatherDirty(dirty));
  EXPECT_EQ(dirty, (IRect{10, 5, 40, 20}));
}

TEST(IGraphicsDrawPass, LooseModeDrawsDirtyControlsAndWhatOverlapsThem)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  graphics.SetStrictDrawing(false);
  auto* background = new TestControl(&plug, IRect{0, 0, 100, 80});
  auto* a = new TestControl(&plug, IRect{10, 10, 20, 20});
  auto* b = new TestControl(&plug, IRect{15, 15, 30, 30});
  auto* far = new TestControl(&plug, IRect{60, 60, 70, 70});
  graphics.SetBackground(background);
  graphics.AddControl(a);
  graphics.AddControl(b);
  graphics.AddControl(far);
  graphics.RedrawRegion(IRect{0, 0, 100, 80}); // background dirty: everything drawn
  EXPECT_EQ(far->draws, 1);
  for (TestControl* c : {background, a, b, far}) EXPECT_FALSE(c->IsDirty());

  a->SetValueFromPlugin(0.1);
  a->SetValueFromPlugin(0.2);
  graphics.RedrawRegion(IRect{10, 10, 20, 20});
  EXPECT_EQ(background->draws, 2);
  EXPECT_EQ(a->draws, 2);
  EXPECT_EQ(b->draws, 2);
  EXPECT_EQ(far->draws, 1);
  EXPECT_EQ(graphics.DrawRegion(), (IRect{10, 10, 20, 20}));
}

TEST(IGraphicsBitmaps, FetchingCachesByResourceIdAlone)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  const int loadsBefore = graphics.loads;
  const IBitmapRef first = graphics.FetchBitmap(kSyntheticBase + 3, "strip.png", 3);
  const IBitmapRef second = graphics.FetchBitmap(kSyntheticBase + 3, "other.png", 5);
  ASSERT_NE(first.image, nullptr);
  EXPECT_EQ(first.image, second.image);
  EXPECT_LE(graphics.loads - loadsBefore, 1);
  EXPECT_EQ(first.width, 10);
  EXPECT_EQ(first.height, 12);
  EXPECT_EQ(second.frames, 5);
  EXPECT_FALSE(second.framesHorizontal);

  // Another editor shares the cache.
  TestGraphics other(&plug);
  EXPECT_EQ(other.FetchBitmap(kSyntheticBase + 3, "x.png", 3).image, first.image);
  EXPECT_EQ(other.loads, 0);
}

TEST(IGraphicsBitmaps, AMissingImageDrawsNothingAndIsNotCached)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  const IBitmapRef missing = graphics.FetchBitmap(kMissingId, "none.png", 61);
  EXPECT_EQ(missing.image, nullptr);
  EXPECT_EQ(missing.width, 0);
  EXPECT_EQ(missing.height, 0);
  graphics.FetchBitmap(kMissingId, "none.png", 61);
  EXPECT_EQ(graphics.loads, 2); // tried again: nothing was cached

  auto* control = new IBitmapControl(&plug, 5, 5, missing);
  graphics.AddControl(control);
  control->SetValueFromPlugin(0.5);
  EXPECT_TRUE(graphics.RedrawRegion(IRect{0, 0, 100, 80}));
  EXPECT_TRUE(graphics.BlitBitmap(missing, IRect{0, 0, 10, 10}, 0, 0, nullptr));
}

TEST(IGraphicsBitmaps, FrameSelectionPicksTheFrameOnTheSurface)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  const IBitmapRef strip = graphics.FetchBitmap(kSyntheticBase + 121, "meter.png", 121);
  auto* meter = new IBitmapControl(&plug, 20, 30, strip);
  graphics.AddControl(meter);
  EXPECT_EQ(meter->GetRect(), (IRect{20, 30, 30, 34}));
  const std::pair<double, int> cases[] = {{0.0, 1},  {0.5, 61},  {1.0, 121},
                                          {-1.0, 1}, {7.0, 121}, {0.3, 37}};
  for (const auto& [value, frame] : cases)
  {
    meter->SetValueFromPlugin(value);
    meter->SetValueFromPlugin(value); // past the first (default) value
    graphics.RedrawRegion(IRect{0, 0, 100, 80});
    EXPECT_EQ(FrameAt(graphics, 20, 30), frame) << "value " << value;
    EXPECT_EQ(FrameAt(graphics, 29, 33), frame) << "value " << value;
  }
}

TEST(IGraphicsBitmaps, BlitsAreClippedToTheDrawRegion)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  const IBitmapRef strip = graphics.FetchBitmap(kSyntheticBase + 2, "s.png", 2);
  graphics.mDrawRegion = IRect{0, 0, 100, 80};
  IBlend replace{IBlend::BlendReplace, 1.0f};
  graphics.BlitBitmap(strip, IRect{0, 0, 10, 4}, 0, 4, &replace); // frame 2 everywhere
  graphics.mDrawRegion = IRect{2, 1, 5, 3};
  graphics.BlitBitmap(strip, IRect{0, 0, 10, 4}, 0, 0, &replace); // frame 1 inside the region
  EXPECT_EQ(FrameAt(graphics, 2, 1), 1);
  EXPECT_EQ(FrameAt(graphics, 4, 2), 1);
  EXPECT_EQ(FrameAt(graphics, 5, 2), 2);
  EXPECT_EQ(FrameAt(graphics, 1, 1), 2);
  EXPECT_EQ(FrameAt(graphics, 3, 3), 2);

  // A destination outside the region changes nothing.
  graphics.mDrawRegion = IRect{50, 50, 60, 60};
  EXPECT_TRUE(graphics.BlitBitmap(strip, IRect{0, 0, 10, 4}, 0, 0, &replace));
  EXPECT_EQ(FrameAt(graphics, 4, 2), 1);
}

TEST(IGraphicsBitmaps, PlatformImagesMustBePngFiles)
{
  EXPECT_TRUE(IGraphics::IsPngFileName("resources/img/BG.png"));
  EXPECT_TRUE(IGraphics::IsPngFileName("a.b/IMAGE.PnG"));
  EXPECT_FALSE(IGraphics::IsPngFileName("image.png.bak"));
  EXPECT_FALSE(IGraphics::IsPngFileName("png"));
  EXPECT_FALSE(IGraphics::IsPngFileName("image.pngx"));
  EXPECT_FALSE(IGraphics::IsPngFileName(nullptr));
}
