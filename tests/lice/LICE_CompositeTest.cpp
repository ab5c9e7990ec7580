// Clipping and the per-mode figures of LICE_Composite, LICE_FillArea and LICE_SoftenArea.
#include "lice/LICE_Composite.h"

#include "LICE_TestBitmaps.h"
#include "lice/LICE_Combiners.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace
{
// One pixel drawn onto one pixel.
LICE_Pixel32 Draw(LICE_Pixel32 dest, LICE_Pixel32 src, float weight, int mode)
{
  LICE_MemBitmap d(1, 1), s(1, 1);
  At(d, 0, 0) = dest;
  At(s, 0, 0) = src;
  LICE_Composite(&d, &s, 0, 0, nullptr, weight, mode);
  return At(d, 0, 0);
}

LICE_Pixel32 FillOne(LICE_Pixel32 dest, LICE_Pixel32 colour, float weight, int mode)
{
  LICE_MemBitmap d(1, 1);
  At(d, 0, 0) = dest;
  LICE_FillArea(&d, 0, 0, 1, 1, colour, weight, mode);
  return At(d, 0, 0);
}

constexpr int kEveryMode[] = {LICE_OP_COPY,
                              LICE_OP_ADD,
                              LICE_OP_DODGE,
                              LICE_OP_MULTIPLY,
                              LICE_OP_OVERLAY,
                              LICE_OP_HSV,
                              LICE_OP_COPY | LICE_OP_SRCALPHA,
                              LICE_OP_ADD | LICE_OP_SRCALPHA,
                              LICE_OP_DODGE | LICE_OP_SRCALPHA,
                              LICE_OP_MULTIPLY | LICE_OP_SRCALPHA,
                              LICE_OP_OVERLAY | LICE_OP_SRCALPHA,
                              LICE_OP_HSV | LICE_OP_SRCALPHA,
                              0xF0 | (3 << 2) | 2};
} // namespace

TEST(LICE_Composite, WeightZeroNaNAndUnknownModesDrawNothing)
{
  for (int mode : kEveryMode)
  {
    EXPECT_EQ(Draw(0x80402010, 0xC0C0C0C0, 0.0f, mode), 0x80402010u) << mode;
    EXPECT_EQ(Draw(0x80402010, 0xC0C0C0C0, -0.0f, mode), 0x80402010u) << mode;
    EXPECT_EQ(FillOne(0x80402010, 0xC0C0C0C0, 0.0f, mode), 0x80402010u) << mode;
    if (mode < 0xF0)
    {
      EXPECT_EQ(Draw(0x80402010, 0xC0C0C0C0, std::nanf(""), mode), 0x80402010u) << mode;
      EXPECT_EQ(FillOne(0x80402010, 0xC0C0C0C0, std::nanf(""), mode), 0x80402010u) << mode;
    }
  }
  for (int mode : {6, 0x77, 0xEF, 6 | LICE_OP_SRCALPHA})
  {
    EXPECT_EQ(Draw(0x80402010, 0xC0C0C0C0, 1.0f, mode), 0x80402010u);
    EXPECT_EQ(FillOne(0x80402010, 0xC0C0C0C0, 1.0f, mode), 0x80402010u);
  }
  // Bits other than the low byte and the source-alpha flag are ignored.
  EXPECT_EQ(Draw(0, 0xC8C8C8C8, 1.0f, LICE_OP_ADD | 0x100), 0xC8C8C8C8u);
  // Negative weight: copy draws nothing, add subtracts.
  EXPECT_EQ(Draw(0x80402010, 0xC0C0C0C0, -1.0f, LICE_OP_COPY), 0x80402010u);
  EXPECT_EQ(Draw(0x80402010, 0x10101010, -1.0f, LICE_OP_ADD), 0x70301000u);
}

TEST(LICE_Composite, CopyFigures)
{
  // Full weight copies all four bytes; half weight averages whole pixels with truncated halves.
  EXPECT_EQ(Draw(0xFF102030, 0x11223344, 1.0f, LICE_OP_COPY), 0x11223344u);
  EXPECT_EQ(Draw(0xFFFFFFFF, 0xFF000000, 0.5f, LICE_OP_COPY), 0xFE7F7F7Fu);
  // Other weights: d = s + (d - s) * (256 - w) / 256 on all four channels; 0.999 gives w = 255.
  EXPECT_EQ(Draw(0xFFFFFFFF, 0x00000000, 0.999f, LICE_OP_COPY), 0u);
  EXPECT_EQ(Draw(0xFF000000, 0x00FFFFFF, 0.25f, LICE_OP_COPY), 0xBF404040u);
}

TEST(LICE_Composite, SourceAlphaCopyFigures)
{
  const int mode = LICE_OP_COPY | LICE_OP_SRCALPHA;
  EXPECT_EQ(Draw(0x80402010, 0x00FFFFFF, 1.0f, mode), 0x80402010u);
  EXPECT_EQ(Draw(0x80402010, 0xFF123456, 1.0f, mode), 0xFF123456u);
  // Alpha 128 over opaque: alpha stays 255, the destination keeps (255 - 128) / 256 of colour.
  EXPECT_EQ(Draw(0xFF102030, 0x80F0E0D0, 1.0f, mode), 0xFF818181u);
  // Half weight, opaque source: v = 128; destination alpha grows by 128, up to 255.
  EXPECT_EQ(Draw(0x64000000, 0xFFFFFFFF, 0.5f, mode), 0xE4808080u);
  EXPECT_EQ(Draw(0xC8000000, 0xFFFFFFFF, 0.5f, mode), 0xFF808080u);
  EXPECT_EQ(Draw(0x64000000, 0x00FFFFFF, 0.5f, mode), 0x64000000u);
}

TEST(LICE_Composite, OtherModeFigures)
{
  EXPECT_EQ(Draw(0x64646464, 0xC8C8C8C8, 1.0f, LICE_OP_ADD), 0xFFFFFFFFu);
  EXPECT_EQ(Draw(0xFFFFFFFF, 0xFFFFFFFF, 1.0f, LICE_OP_MULTIPLY), 0xFEFEFEFEu);
  EXPECT_EQ(Draw(0x64646464, 0x80808080, 1.0f, LICE_OP_DODGE), 0xC8C8C8C8u);
  EXPECT_EQ(Draw(0x00C80164, 0xFFFFFFFF, 1.0f, LICE_OP_DODGE), 0x00FFFFFFu); // q = 1
  EXPECT_EQ(Draw(0x80808080, 0xFFFFFFFF, 1.0f, LICE_OP_OVERLAY), 0xBFBFBFBFu);
  EXPECT_EQ(Draw(0x4D4D4D4D, 0x80808080, 1.0f, LICE_OP_OVERLAY), 0x4D4D4D4Du); // 128: identity
  // Weighted forms leave pixels of source alpha 0 alone (dodge excepted: no early exit).
  EXPECT_EQ(Draw(0x40404040, 0x00FFFFFF, 1.0f, LICE_OP_ADD | LICE_OP_SRCALPHA), 0x40404040u);
  EXPECT_EQ(Draw(0x40404040, 0x00FFFFFF, 1.0f, LICE_OP_MULTIPLY | LICE_OP_SRCALPHA), 0x40404040u);
  EXPECT_EQ(Draw(0x40404040, 0x00808080, 1.0f, LICE_OP_DODGE | LICE_OP_SRCALPHA), 0x40404040u);
  EXPECT_EQ(Draw(0x40404040, 0x7F808080, 1.0f, LICE_OP_ADD | LICE_OP_SRCALPHA), 0x7F808080u);
  // Channel copy: destination alpha takes source red; the weight does not matter.
  EXPECT_EQ(Draw(0xAABBCCDD, 0x11223344, 0.3f, 0xF0 | (3 << 2) | 2), 0x22BBCCDDu);
  // Weights past 8 act as 8.
  EXPECT_EQ(Draw(0, 0x01010101, 100.0f, LICE_OP_ADD), Draw(0, 0x01010101, 8.0f, LICE_OP_ADD));
  EXPECT_EQ(Draw(0, 0x01010101, 8.0f, LICE_OP_ADD), 0x08080808u);
}

TEST(LICE_Composite, HsvShiftsHueAndRoundTripsAtNeutral)
{
  // Red shifted by 129 of 384 steps lands just past pure green.
  EXPECT_EQ(Draw(0x10FF0000, 0x77D68080, 1.0f, LICE_OP_HSV), 0x7700FF04u);
  // With source alpha the weight is (119 + 1) * 256 / 256: a shift of 60.
  EXPECT_EQ(Draw(0x10FF0000, 0x77D68080, 1.0f, LICE_OP_HSV | LICE_OP_SRCALPHA), 0x77FFEF00u);

  std::mt19937 random(7);
  int worst = 0;
  for (int i = 0; i < 20000; ++i)
  {
    const LICE_Pixel32 dest = LICE_Pixel32(random());
    const LICE_Pixel32 out = Draw(dest, 0x33808080, i % 2 ? 1.0f : 0.37f, LICE_OP_HSV);
    EXPECT_EQ(out >> 24, 0x33u);
    for (int shift = 0; shift < 24; shift += 8)
      worst = std::max(worst, std::abs(int((out >> shift) & 0xFF) - int((dest >> shift) & 0xFF)));
  }
  EXPECT_LE(worst, 5); // the integer conversion's own rounding, nothing more
  EXPECT_EQ(Draw(0x00575757, 0xFF808080, 1.0f, LICE_OP_HSV), 0xFF575757u); // greys exactly
}

TEST(LICE_Composite, ClipsToBothBitmaps)
{
  LICE_MemBitmap src(6, 2), dest(5, 2);
  for (int x = 0; x < 6; ++x) At(src, x, 0) = At(src, x, 1) = LICE_Pixel32(x + 1);

  Fill(dest, 0);
  LICE_Composite(&dest, &src, -3, 0, nullptr, 1.0f, LICE_OP_COPY);
  EXPECT_EQ(At(dest, 0, 0), 4u);
  EXPECT_EQ(At(dest, 2, 1), 6u);
  EXPECT_EQ(At(dest, 3, 0), 0u);

  Fill(dest, 0);
  const LICE_Rect rect = {-2, 0, 4, 2};
  LICE_Composite(&dest, &src, 0, 0, &rect, 1.0f, LICE_OP_COPY);
  EXPECT_EQ(At(dest, 0, 0), 0u);
  EXPECT_EQ(At(dest, 1, 0), 0u);
  EXPECT_EQ(At(dest, 2, 0), 1u);
  EXPECT_EQ(At(dest, 4, 1), 3u);

  // Bottom-up rows are addressed from the end of the storage.
  BottomUpBitmap flipped(4, 3);
  Fill(flipped, 0);
  LICE_Composite(&flipped, &src, 0, 0, nullptr, 1.0f, LICE_OP_COPY);
  EXPECT_EQ(flipped.pixelData()[2 * flipped.rowPitch()], 1u);
  EXPECT_EQ(flipped.pixelData()[0], 0u);
}

TEST(LICE_Composite, AnyRectangleStaysInsideTheBitmaps)
{
  std::mt19937 random(11);
  constexpr LICE_Pixel32 kPadding = 0x5A5A5A5A;
  LICE_MemBitmap src(13, 7);
  FillRandom(src, random);
  const int extremes[] = {INT_MIN, INT_MIN + 1, -100000, -14, -1, 0, 1, 5, 12, 13, 100000, INT_MAX};
  auto pick = [&](int low, int high)
  {
    if (random() % 4 == 0) return extremes[random() % (sizeof(extremes) / sizeof(int))];
    return low + int(random() % unsigned(high - low + 1));
  };
  for (int round = 0; round < 4000; ++round)
  {
    LICE_MemBitmap dest(9, 6);
    Fill(dest, kPadding);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 9; ++x) At(dest, x, y) = 0;
    const bool withRect = random() % 2;
    const LICE_Rect rect = {pick(-5, 15), pick(-5, 10), pick(-5, 15), pick(-5, 10)};
    const int x = pick(-15, 12), y = pick(-10, 8);
    const int mode = kEveryMode[random() % (sizeof(kEveryMode) / sizeof(int))];
    if (random() % 2)
      LICE_Composite(&dest, &src, x, y, withRect ? &rect : nullptr, 1.0f, mode);
    else
      LICE_FillArea(&dest, x, y, rect.right, rect.bottom, 0xFFFFFFFF, 1.0f, LICE_OP_COPY);
    // Padding columns of every row are never written.
    for (int row = 0; row < 6; ++row)
      for (int column = 9; column < dest.rowPitch(); ++column)
        ASSERT_EQ(At(dest, column, row), kPadding);

    if (mode != LICE_OP_COPY) continue;
    // For plain copies, compare with mapping every source pixel one by one.
    Fill(dest, 0);
    LICE_Composite(&dest, &src, x, y, withRect ? &rect : nullptr, 1.0f, LICE_OP_COPY);
    const int64_t left = withRect ? rect.left : 0, top = withRect ? rect.top : 0;
    const int64_t right = withRect ? rect.right : 13, bottom = withRect ? rect.bottom : 7;
    for (int sy = 0; sy < 7; ++sy)
      for (int sx = 0; sx < 13; ++sx)
      {
        if (sx < left || sx >= right || sy < top || sy >= bottom) continue;
        const int64_t dx = x + (sx - left), dy = y + (sy - top);
        if (dx < 0 || dx >= 9 || dy < 0 || dy >= 6) continue;
        ASSERT_EQ(At(dest, int(dx), int(dy)), At(src, sx, sy));
        At(dest, int(dx), int(dy)) = 0;
      }
    for (int row = 0; row < 6; ++row)
      for (int column = 0; column < 9; ++column) ASSERT_EQ(At(dest, column, row), 0u);
  }
}

TEST(LICE_Composite, EmptyOrMissingBitmapsDrawNothing)
{
  LICE_MemBitmap empty, pixel(1, 1);
  At(pixel, 0, 0) = 7;
  LICE_Composite(&pixel, &empty, 0, 0, nullptr, 1.0f, LICE_OP_COPY);
  LICE_Composite(&empty, &pixel, 0, 0, nullptr, 1.0f, LICE_OP_COPY);
  LICE_Composite(nullptr, &pixel, 0, 0, nullptr, 1.0f, LICE_OP_COPY);
  LICE_Composite(&pixel, nullptr, 0, 0, nullptr, 1.0f, LICE_OP_COPY);
  LICE_FillArea(&empty, 0, 0, 5, 5, 0, 1.0f, LICE_OP_COPY);
  LICE_FillArea(nullptr, 0, 0, 5, 5, 0, 1.0f, LICE_OP_COPY);
  LICE_SoftenArea(&empty, 5, 5);
  LICE_SoftenArea(nullptr, 5, 5);
  EXPECT_EQ(At(pixel, 0, 0), 7u);
}

TEST(LICE_FillArea, WholePixelFormsAndTheGeneralRule)
{
  const LICE_Pixel32 c = 0x80C86432, d = 0x40102030;
  auto half = [](LICE_Pixel32 p) { return (p >> 1) & 0x7F7F7F7F; };
  auto quarter = [](LICE_Pixel32 p) { return (p >> 2) & 0x3F3F3F3F; };
  EXPECT_EQ(FillOne(d, c, 1.0f, LICE_OP_COPY), c);
  EXPECT_EQ(FillOne(d, c, 0.5f, LICE_OP_COPY), half(c) + half(d));
  EXPECT_EQ(FillOne(d, c, 0.25f, LICE_OP_COPY), half(d) + quarter(d) + quarter(c));
  EXPECT_EQ(FillOne(d, c, 0.75f, LICE_OP_COPY), quarter(c) + quarter(d) + half(c));
  // Colour alpha 128 scales the weight to 128 / 255: w = 128, the half form.
  EXPECT_EQ(FillOne(d, c, 1.0f, LICE_OP_COPY | LICE_OP_SRCALPHA), half(c) + half(d));
  // w = 76: colour channels toward the colour, alpha toward w itself.
  EXPECT_EQ(FillOne(d, c, 0.3f, LICE_OP_COPY), 0x44473531u);
  // The other modes pass w as the alpha value.
  EXPECT_EQ(FillOne(0x10646464, 0x00C8C8C8, 1.0f, LICE_OP_ADD), 0xFFFFFFFFu);
  EXPECT_EQ(FillOne(0x10646464, 0x00C8C8C8, 0.5f, LICE_OP_ADD), 0x50C8C8C8u);
  EXPECT_EQ(FillOne(0xFFFFFFFF, 0x00FFFFFF, 1.0f, LICE_OP_MULTIPLY), 0xFFFEFEFEu);
  EXPECT_EQ(FillOne(0xFF808080, 0x00808080, 1.0f, LICE_OP_OVERLAY), 0xFF808080u);
  EXPECT_EQ(FillOne(0x00FF0000, 0x00D68080, 1.0f, LICE_OP_HSV), 0x0000FF04u);

  // Clipped to the destination, negative origins shrinking the area.
  LICE_MemBitmap bitmap(4, 3);
  Fill(bitmap, 0);
  LICE_FillArea(&bitmap, -2, -1, 4, 3, 9, 1.0f, LICE_OP_COPY);
  EXPECT_EQ(At(bitmap, 0, 0), 9u);
  EXPECT_EQ(At(bitmap, 1, 1), 9u);
  EXPECT_EQ(At(bitmap, 2, 0), 0u);
  EXPECT_EQ(At(bitmap, 0, 2), 0u);
  LICE_FillArea(&bitmap, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 5, 1.0f, LICE_OP_COPY);
  LICE_FillArea(&bitmap, 3, 2, INT_MAX, INT_MAX, 6, 1.0f, LICE_OP_COPY);
  EXPECT_EQ(At(bitmap, 3, 2), 6u);
  EXPECT_EQ(At(bitmap, 2, 2), 0u);
}

TEST(LICE_SoftenArea, BlursWithTheUnsoftenedNeighbours)
{
  LICE_MemBitmap bitmap(5, 5);
  Fill(bitmap, 0);
  At(bitmap, 1, 1) = 0xFFFFFFFF;
  At(bitmap, 4, 4) = 0xFFFFFFFF; // outside the softened 4 x 4
  LICE_SoftenArea(&bitmap, 4, 4);
  EXPECT_EQ(At(bitmap, 1, 1), 0x7F7F7F7Fu);
  EXPECT_EQ(At(bitmap, 1, 0), 0x3F3F3F3Fu); // first row: a quarter of the one below
  EXPECT_EQ(At(bitmap, 0, 1), 0x3F3F3F3Fu); // first column: a quarter of the right
  EXPECT_EQ(At(bitmap, 2, 1), 0x1F1F1F1Fu);
  EXPECT_EQ(At(bitmap, 1, 2), 0x1F1F1F1Fu); // an eighth of the unsoftened pixel above
  EXPECT_EQ(At(bitmap, 2, 2), 0u);
  EXPECT_EQ(At(bitmap, 4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(At(bitmap, 3, 4), 0u);

  // Even fields stay as they are; sizes are limited to the bitmap; below 2 nothing happens.
  Fill(bitmap, 0x40404040);
  LICE_SoftenArea(&bitmap, 100, 100);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(bitmap, x, y), 0x40404040u);
  At(bitmap, 0, 0) = 0xFFFFFFFF;
  LICE_SoftenArea(&bitmap, 1, 5);
  EXPECT_EQ(At(bitmap, 0, 0), 0xFFFFFFFFu);

  // Wider than the line buffer on the stack.
  LICE_MemBitmap wide(1500, 2);
  Fill(wide, 0x80808080);
  LICE_SoftenArea(&wide, 1500, 2);
  EXPECT_EQ(At(wide, 1499, 1), 0x80808080u);
}

TEST(LICE_Combiners, PublicFunctionsWriteThePixelInPlace)
{
  LICE_Pixel32 p = 0xFF102030;
  lice::CombineSourceOver(&p, 0xF0, 0xE0, 0xD0, 0x80, 256);
  EXPECT_EQ(p, 0xFF818181u);
  p = 0x64646464;
  lice::CombineAdd(&p, 200, 200, 200, 200, 256);
  EXPECT_EQ(p, 0xFFFFFFFFu);
  p = 0x40404040;
  lice::CombineWeightedAdd(&p, 255, 255, 255, 0, 256);
  EXPECT_EQ(p, 0x40404040u);
  p = 0x64646464;
  lice::CombineDodge(&p, 128, 128, 128, 128, 256);
  EXPECT_EQ(p, 0xC8C8C8C8u);
  p = 0x64646464;
  lice::CombineWeightedDodge(&p, 128, 128, 128, 255, 256);
  EXPECT_EQ(p, 0xFFC8C8C8u);
  p = 0xFFFFFFFF;
  lice::CombineWeightedMultiply(&p, 255, 255, 255, 255, 256);
  EXPECT_EQ(p, 0xFEFEFEFEu);
  p = 0x80808080;
  lice::CombineOverlay(&p, 255, 255, 255, 255, 256);
  EXPECT_EQ(p, 0xBFBFBFBFu);
  p = 0x10FF0000;
  lice::CombineHSV(&p, 214, 128, 128, 0x77, 256);
  EXPECT_EQ(p, 0x7700FF04u);
}
