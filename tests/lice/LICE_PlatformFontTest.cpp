// The platform's text services. On Linux the fonts and text drawing are our own, so their text
// format is checked here in pixels; the conversion rules hold on both systems.
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PlatformText.h"
#include "lice/LICE_SysBitmap.h"
#include "lice/TextTestSupport.h"

#include <gtest/gtest.h>

using namespace texttest;

TEST(PlatformText, Utf8ConversionIsStrict)
{
  char16_t out[8] = {};
  EXPECT_EQ(lice::TextUtf8ToUtf16("\xE2\x82\xAC", 3, out, 8), 1);
  EXPECT_EQ(out[0], 0x20AC);
  EXPECT_EQ(lice::TextUtf8ToUtf16("\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
  EXPECT_EQ(lice::TextUtf8ToUtf16("\xF0\x9F\x98\x80", 4, out, 8), 2);
  EXPECT_EQ(out[0], 0xD83D);
  EXPECT_EQ(out[1], 0xDE00);
  for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\x80"})
    EXPECT_EQ(lice::TextUtf8ToUtf16(bad, static_cast<int>(std::strlen(bad)), out, 8), 0) << bad;
  EXPECT_EQ(lice::TextUtf8ToUtf16("abc", 3, out, 2), 0); // does not fit
}

#ifndef _WIN32

namespace
{

constexpr LICE_Pixel32 kWhite = 0xFFFFFFFF;

// A platform font selected into a white system bitmap, text colour red 10, green 200, blue 30.
struct NativeText
{
  explicit NativeText(int height = 12, int quality = 0, int escapement = 0)
    : font(MakeFont(height, false, escapement, quality))
    , bitmap(200, 80)
    , dc(bitmap.deviceContext())
  {
    Fill(bitmap, kWhite);
    lice::TextSelectFont(dc, font);
    lice::TextSetColour(dc, 0x1EC80A);
    lice::TextSetBackgroundMode(dc, LICE_BKMODE_TRANSPARENT);
  }
  ~NativeText()
  {
    lice::TextSelectFont(dc, nullptr);
    LICE_DeletePlatformFont(font);
  }
  int Draw(const char* text, LICE_Rect rect, int flags)
  {
    return lice::TextDrawBytes(dc, text, -1, &rect, flags);
  }
  LICE_Rect Measure(const char* text, int flags = 0)
  {
    LICE_Rect rect = {};
    lice::TextDrawBytes(dc, text, -1, &rect, flags | LICE_DT_CALCRECT);
    return rect;
  }
  LICE_FontHandle font;
  LICE_SysBitmap bitmap;
  LICE_DeviceContext dc;
};

} // namespace

TEST(PlatformFont, HeightsFollowTheWindowsMeaning)
{
  struct Case
  {
    int height, cell;
  } cases[] = {{12, 12}, {30, 30}, {-12, 14}, {0, 16}}; // DejaVu: ascent 1901, descent 483 of 2048
  for (const Case& c : cases)
  {
    NativeText text(c.height);
    EXPECT_EQ(lice::TextMetricsHeight(text.dc), c.cell) << c.height;
    EXPECT_EQ(text.Measure("Ag").bottom, c.cell);
  }
  LICE_FontDescription huge;
  huge.height = 5000;
  EXPECT_EQ(LICE_CreatePlatformFont(huge), nullptr);
  EXPECT_FALSE(lice::TextProbeWine());
}

TEST(PlatformFont, AlignmentMovesTheInkByTheSpareRoom)
{
  NativeText text;
  const LICE_Rect rect = {10, 10, 190, 70};
  const LICE_Rect size = text.Measure("Hig");
  text.Draw("Hig", rect, LICE_DT_SINGLELINE);
  const LICE_Rect left = InkBox(text.bitmap, kWhite);
  const int spareX = 180 - size.right, spareY = 60 - size.bottom;
  struct Case
  {
    int flags, dx, dy;
  } cases[] = {{LICE_DT_CENTER, spareX / 2, 0},
               {LICE_DT_RIGHT, spareX, 0},
               {LICE_DT_VCENTER, 0, spareY / 2},
               {LICE_DT_BOTTOM | LICE_DT_RIGHT, spareX, spareY}};
  for (const Case& c : cases)
  {
    Fill(text.bitmap, kWhite);
    const int result = text.Draw("Hig", rect, c.flags | LICE_DT_SINGLELINE);
    const LICE_Rect box = InkBox(text.bitmap, kWhite);
    EXPECT_EQ(box.left, left.left + c.dx) << c.flags;
    EXPECT_EQ(box.top, left.top + c.dy) << c.flags;
    EXPECT_EQ(result, c.dy + size.bottom) << c.flags; // bottom of the text below rect top
  }
}

TEST(PlatformFont, LinesBreakAtLineFeedsUnlessSingleLine)
{
  NativeText text;
  const int line = lice::TextMetricsHeight(text.dc);
  EXPECT_EQ(text.Measure("ab\ncd").bottom, 2 * line);
  EXPECT_EQ(text.Measure("ab\r\ncd\rx").bottom, 3 * line);
  EXPECT_EQ(text.Measure("ab\ncd", LICE_DT_SINGLELINE).bottom, line);
  EXPECT_LT(text.Measure("ab\ncd").right, text.Measure("abcd").right);
  EXPECT_EQ(text.Draw("A\nB", {10, 10, 100, 70}, 0), 2 * line);
  const LICE_Rect box = InkBox(text.bitmap, kWhite);
  EXPECT_GT(box.bottom, 10 + line);
}

TEST(PlatformFont, TextIsClippedToItsRectangleUnlessNoClip)
{
  NativeText text(20);
  const LICE_Rect rect = {20, 20, 40, 30};
  text.Draw("WWWW", rect, 0);
  LICE_Rect box = InkBox(text.bitmap, kWhite);
  EXPECT_GE(box.left, 20);
  EXPECT_GE(box.top, 20);
  EXPECT_LE(box.right, 40);
  EXPECT_LE(box.bottom, 30);
  text.Draw("WWWW", rect, LICE_DT_NOCLIP);
  box = InkBox(text.bitmap, kWhite);
  EXPECT_GT(box.right, 60);
  EXPECT_GT(box.bottom, 30);
}

TEST(PlatformFont, InkTakesTheTextColourWithOpaqueAlphaAndBackgroundFillsTheCell)
{
  NativeText text(16, 3); // not antialiased: every inked pixel is fully covered
  for (int y = 0; y < 80; ++y) std::fill_n(LICE_RowPointer(text.bitmap, y), 200, 0x00FFFFFFu);
  text.Draw("Hx", {5, 5, 100, 40}, 0);
  EXPECT_GT(Count(text.bitmap, 0xFF0AC81E), 20);
  EXPECT_EQ(Inked(text.bitmap, 0x00FFFFFF), Count(text.bitmap, 0xFF0AC81E));

  Fill(text.bitmap, kWhite);
  lice::TextSetBackgroundMode(text.dc, LICE_BKMODE_OPAQUE);
  lice::TextSetBackgroundColour(text.dc, 0x0000FF); // red
  const LICE_Rect size = text.Measure("  ");
  text.Draw("  ", {5, 5, 100, 40}, 0);
  const LICE_Rect box = InkBox(text.bitmap, kWhite);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.top, 5);
  EXPECT_EQ(box.right, 5 + size.right);
  EXPECT_EQ(box.bottom, 5 + size.bottom);
  EXPECT_EQ(At(text.bitmap, 6, 6), 0xFFFF0000);
}

TEST(PlatformFont, TurnedFontRunsUpwards)
{
  NativeText text(14, 0, 900);
  text.Draw("Gain", {20, 70, 100, 80}, LICE_DT_NOCLIP);
  const LICE_Rect box = InkBox(text.bitmap, kWhite);
  EXPECT_GT(box.bottom - box.top, 2 * (box.right - box.left));
  EXPECT_LE(box.bottom, 70);
}

TEST(PlatformFont, CachedFontDrawsTheSameIntoBitmapsWithAndWithoutContext)
{
  LICE_CachedFont font;
  font.attachFont(MakeFont(13), LICE_FONTOPT_OWNED | LICE_FONTOPT_NATIVE);
  font.setForeground(0xFF204080);
  for (int flags : {0, int(LICE_DT_CENTER), LICE_DT_RIGHT | LICE_DT_BOTTOM | LICE_DT_SINGLELINE})
  {
    LICE_SysBitmap sys(120, 40);
    LICE_MemBitmap mem(120, 40);
    Fill(sys, kWhite);
    Fill(mem, kWhite);
    LICE_Rect a = {3, 3, 110, 36}, b = a;
    font.renderText(&sys, "Gain \xC3\xA9", -1, &a, flags);
    font.renderText(&mem, "Gain \xC3\xA9", -1, &b, flags);
    EXPECT_GT(Inked(sys, kWhite), 20);
    EXPECT_TRUE(SamePixels(sys, mem)) << flags;
  }
  // UTF-8 and the single-byte code page reach the same characters.
  LICE_SysBitmap utf8(60, 20), bytes(60, 20);
  Fill(utf8, kWhite);
  Fill(bytes, kWhite);
  LICE_Rect a = {2, 2, 60, 20}, b = a;
  font.renderText(&utf8, "\xE2\x82\xAC\xC3\xA9", -1, &a, 0);
  font.renderText(&bytes, "\x80\xE9", -1, &b, 0);
  EXPECT_TRUE(SamePixels(utf8, bytes));
}

#endif
