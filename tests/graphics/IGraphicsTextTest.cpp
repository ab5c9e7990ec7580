// Styled text: measuring per alignment, drawing onto the surface, and the process-wide font
// cache, with the platform's real fonts.
#include "GraphicsTestSupport.h"
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_Composite.h"

#include <gtest/gtest.h>

using namespace graphics_test;

TEST(IGraphicsText, MeasuringRewritesTheRectanglePerAlignment)
{
  TestPlug plug;
  TestGraphics graphics(&plug, 150, 40);
  IText text; // the controls' style: "Verdana" 12, black, centred
  IRect left{10, 5, 110, 25};
  text.align = IText::kAlignNear;
  ASSERT_TRUE(graphics.MeasureText(text, "Mid Gain", left));
  const int w = left.W(), h = left.H();
  EXPECT_GT(w, 20);
  EXPECT_GT(h, 8);
  EXPECT_EQ(left.L, 10);
  EXPECT_EQ(left.T, 5);

  IRect centre{10, 5, 110, 25};
  text.align = IText::kAlignCenter;
  ASSERT_TRUE(graphics.MeasureText(text, "Mid Gain", centre));
  EXPECT_EQ(centre, (IRect{60 - w / 2, 5, 60 - w / 2 + w, 5 + h}));

  IRect right{10, 5, 110, 25};
  text.align = IText::kAlignFar;
  ASSERT_TRUE(graphics.DrawStyledText(text, "Mid Gain", right, true));
  EXPECT_EQ(right, (IRect{110 - w, 5, 110, 5 + h}));

  // Nothing to draw is no failure, and leaves the rectangle alone.
  IRect untouched{1, 2, 3, 4};
  EXPECT_TRUE(graphics.MeasureText(text, "", untouched));
  EXPECT_TRUE(graphics.DrawStyledText(text, nullptr, untouched, false));
  EXPECT_EQ(untouched, (IRect{1, 2, 3, 4}));
}

TEST(IGraphicsText, DrawingInksTheSurfaceInsideTheText)
{
  TestPlug plug;
  TestGraphics graphics(&plug, 150, 40);
  LICE_FillArea(graphics.Surface(), 0, 0, 150, 40, LICE_PackPixel(255, 255, 255, 255), 1.0f,
                LICE_OP_COPY);
  IText text;
  text.color = IColor{255, 200, 0, 0};
  IRect rect{0, 10, 150, 30};
  ASSERT_TRUE(graphics.DrawStyledText(text, "KORU", rect, false));
  IRect extent = rect;
  graphics.MeasureText(text, "KORU", extent);
  int inked = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 150; ++x)
    {
      if ((LICE_RowPointer(*graphics.Surface(), y)[x] & 0xFFFFFF) == 0xFFFFFF) continue;
      ++inked;
      if (!(IRect{extent.L - 2, extent.T - 2, extent.R + 2, extent.B + 2}.Contains(x, y)))
        ++outside;
    }
  EXPECT_GT(inked, 20);
  EXPECT_EQ(outside, 0);
}

TEST(IGraphicsText, FontsAreSharedByStyle)
{
  TestPlug plug;
  TestGraphics graphics(&plug);
  IText a, b, bigger, bold;
  bigger.size = 20;
  bold.style = IText::kStyleBold;
  LICE_CachedFont* font = graphics.FontFor(a);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(a.cachedFont, font);
  EXPECT_EQ(graphics.FontFor(b), font); // equal style: the cached font
  EXPECT_EQ(b.cachedFont, font);
  EXPECT_NE(graphics.FontFor(bigger), font);
  EXPECT_NE(graphics.FontFor(bold), font);
  EXPECT_GT(graphics.FontFor(bigger)->textHeight(), font->textHeight());
  TestGraphics other(&plug); // another editor shares the cache
  IText c;
  EXPECT_EQ(other.FontFor(c), font);
}
