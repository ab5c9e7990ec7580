// The cached font on both systems: which path draws, the cache's decoding, measuring, the glyph
// masks (trimming, overhang, rotations, effects), background modes and the shared scratch.
#include "lice/LICE_CachedFont.h"

#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_SysBitmap.h"
#include "lice/TextTestSupport.h"

#include <climits>
#include <gtest/gtest.h>
#include <memory>

using namespace texttest;

namespace
{

constexpr LICE_Pixel32 kWhite = 0xFFFFFFFF;
constexpr LICE_Pixel32 kRed = 0xFFFF0000;
constexpr LICE_Pixel32 kBlue = 0xFF0000FF;
constexpr int kFont = LICE_FONTOPT_OWNED | LICE_FONTOPT_NATIVE;
constexpr int kCachedFont = LICE_FONTOPT_OWNED;

// A bitmap that keeps the platform's text drawing away, as some bitmaps may.
class NoPlatformTextBitmap : public LICE_MemBitmap
{
public:
  using LICE_MemBitmap::LICE_MemBitmap;
  intptr_t extensionQuery(int code, void*) override { return code == 0x59555678; }
};

std::unique_ptr<LICE_CachedFont> Font(int options, int height = 12, bool italic = false)
{
  auto font = std::make_unique<LICE_CachedFont>();
  LICE_FontHandle handle = MakeFont(height, italic);
  EXPECT_NE(handle, nullptr);
  font->attachFont(handle, options);
  font->setForeground(kRed);
  return font;
}

// True when the font holds a mask for the code: the text went through the glyph cache.
bool Cached(LICE_CachedFont& font, int code)
{
  LICE_MemBitmap probe(8, 8);
  return font.paintGlyph(&probe, code, 2, 0, {0, 0, 8, 8});
}

int Draw(LICE_CachedFont& font, LICE_IBitmap& bitmap, const char* text, int x, int y,
         int flags = LICE_DT_NOCLIP, int length = -1)
{
  LICE_Rect rect = {x, y, bitmap.pixelWidth(), bitmap.pixelHeight()};
  return font.renderText(&bitmap, text, length, &rect, flags);
}

// Both texts drawn by the font into fresh white bitmaps give the same pixels.
bool DrawSame(LICE_CachedFont& font, const char* a, const char* b, int flags = LICE_DT_NOCLIP)
{
  LICE_MemBitmap first(120, 60), second(120, 60);
  Fill(first, kWhite);
  Fill(second, kWhite);
  Draw(font, first, a, 4, 4, flags);
  Draw(font, second, b, 4, 4, flags);
  return Inked(first, kWhite) > 0 && SamePixels(first, second);
}

} // namespace

TEST(TextPath, OpaqueTextIsNativeOutsideWineAndCachedUnderWine)
{
  auto font = Font(kFont);
  LICE_SysBitmap bitmap(64, 32);
  Fill(bitmap, kWhite);
  Draw(*font, bitmap, "A", 4, 4);
  EXPECT_GT(Inked(bitmap, kWhite), 0);
#ifdef _WIN32
  EXPECT_TRUE(Cached(*font, 'A'));
#else
  EXPECT_FALSE(Cached(*font, 'A'));
#endif
}

TEST(TextPath, ForegroundAlphaCachedOnlyEffectsAndFontsWithoutNativeUseTheCache)
{
  struct Case
  {
    int options, flags;
  } cases[] = {{kFont, LICE_TEXT_FOREGROUND_ALPHA},
               {kFont, LICE_TEXT_CACHED_ONLY},
               {kFont | LICE_FONTOPT_MONO, 0},
               {kCachedFont, 0}};
  for (const Case& c : cases)
  {
    auto font = Font(c.options);
    LICE_SysBitmap bitmap(64, 32);
    Fill(bitmap, kWhite);
    Draw(*font, bitmap, "A", 4, 4, LICE_DT_NOCLIP | c.flags);
    EXPECT_GT(Inked(bitmap, kWhite), 0);
    EXPECT_TRUE(Cached(*font, 'A')) << c.options << " " << c.flags;
  }
  auto font = Font(kFont);
  NoPlatformTextBitmap bitmap(64, 32);
  Draw(*font, bitmap, "A", 4, 4);
  EXPECT_TRUE(Cached(*font, 'A'));
}

TEST(TextPath, HeightsFrom256DrawNativelyAndCachedGlyphsAbove1023AreNothing)
{
  auto font = Font(kFont | LICE_FONTOPT_MONO | LICE_FONTOPT_ROTATE, 300);
  EXPECT_GE(font->textHeight(), 256);
  LICE_SysBitmap bitmap(400, 400);
  Fill(bitmap, kWhite);
  Draw(*font, bitmap, "A", 10, 10,
       LICE_DT_NOCLIP | LICE_TEXT_FOREGROUND_ALPHA | LICE_TEXT_CACHED_ONLY);
  EXPECT_GT(Inked(bitmap, kWhite), 1000);
  EXPECT_FALSE(Cached(*font, 'A'));

  auto huge = Font(kFont, 1100);
  NoPlatformTextBitmap refusing(64, 64);
  Fill(refusing, kWhite);
  EXPECT_EQ(Draw(*huge, refusing, "A", 0, 0), 0);
  EXPECT_EQ(Inked(refusing, kWhite), 0);
}

TEST(TextDecoding, FourByteSequenceIsASpaceAndCarriageReturnNothing)
{
  auto font = Font(kCachedFont);
  EXPECT_TRUE(DrawSame(*font,
                       "a\xF0\x9F\x98\x80"
                       "b",
                       "a b"));
  EXPECT_TRUE(DrawSame(*font, "a\rb", "ab"));
  EXPECT_TRUE(DrawSame(*font, "a\nb", "a b", LICE_DT_NOCLIP | LICE_DT_SINGLELINE));
  EXPECT_TRUE(DrawSame(*font, "\xC3\xA9", "\xE9")); // 2-byte sequence = its code
}

TEST(TextDecoding, LineFeedStartsANewLine)
{
  auto font = Font(kCachedFont);
  LICE_Rect one = {}, two = {}, crlf = {};
  font->renderText(nullptr, "ab", -1, &one, LICE_DT_CALCRECT);
  font->renderText(nullptr, "a\nb", -1, &two, LICE_DT_CALCRECT);
  font->renderText(nullptr, "a\r\nb", -1, &crlf, LICE_DT_CALCRECT);
  EXPECT_EQ(one.bottom, font->textHeight());
  EXPECT_EQ(two.bottom, 2 * font->textHeight());
  EXPECT_EQ(crlf.bottom, two.bottom);
  EXPECT_LT(two.right, one.right);
}

TEST(TextDecoding, TextEndsAtItsLengthOrItsTerminator)
{
  for (int options : {kFont, kCachedFont})
  {
    auto font = Font(options);
    // Exact-size heap buffers: reading past them is caught by the sanitizers.
    std::unique_ptr<char[]> ab(new char[3]{'a', 'b', 0});
    LICE_MemBitmap beyond(120, 60), plain(120, 60);
    Fill(beyond, kWhite);
    Fill(plain, kWhite);
    Draw(*font, beyond, ab.get(), 4, 4, LICE_DT_NOCLIP, 1000);
    Draw(*font, plain, "ab", 4, 4);
    EXPECT_TRUE(SamePixels(beyond, plain));

    // A sequence cut by the length is its lead byte alone; no NUL follows it here.
    std::unique_ptr<char[]> cut(new char[1]{'\xC3'});
    LICE_MemBitmap bitmap(60, 30);
    Fill(bitmap, kWhite);
    Draw(*font, bitmap, cut.get(), 4, 4, LICE_DT_NOCLIP, 1);
    for (const char* bad : {"\xF4\x90\x80", "\xED\xA0\x80", "\xC0\xAF", "\xFF\xFE", "\xE2\x82"})
      Draw(*font, bitmap, bad, 4, 4);

    // A length of 0 is no text.
    Fill(bitmap, kWhite);
    LICE_Rect rect = {5, 6, 50, 50};
    EXPECT_EQ(font->renderText(&bitmap, "abc", 0, &rect, 0), 0);
    EXPECT_EQ(Inked(bitmap, kWhite), 0);
    EXPECT_EQ(font->renderText(&bitmap, "abc", 0, &rect, LICE_DT_CALCRECT), 0);
    EXPECT_EQ(rect.right, 5);
    EXPECT_EQ(rect.bottom, 6);
  }
}

TEST(TextMeasure, WithoutBitmapWidensTheRectangleAndAnswersTheHeight)
{
  for (int options : {kFont, kCachedFont})
  {
    auto font = Font(options);
    LICE_Rect rect = {5, 7, 5, 7};
    EXPECT_EQ(font->renderText(nullptr, "Gain", -1, &rect, LICE_DT_CALCRECT), font->textHeight());
    EXPECT_EQ(rect.left, 5);
    EXPECT_GT(rect.right, 5 + 10);
    EXPECT_EQ(rect.bottom, 7 + font->textHeight());
    EXPECT_EQ(font->renderText(nullptr, "Gain", -1, &rect, 0), 0);
#ifndef _WIN32
    if (options == kFont)
    {
      EXPECT_FALSE(Cached(*font, 'G'));
    }
#endif
  }
}

TEST(GlyphCache, PrecacheRendersAsciiAtAttachAndNothingAbove127)
{
  auto font = Font(kCachedFont | LICE_FONTOPT_PRECACHE);
  EXPECT_TRUE(Cached(*font, 'A'));
  LICE_MemBitmap bitmap(60, 30);
  Fill(bitmap, kWhite);
  Draw(*font, bitmap, "\xC3\xA9", 4, 4);
  EXPECT_EQ(Inked(bitmap, kWhite), 0);
  EXPECT_FALSE(Cached(*font, 0xE9));
}

TEST(GlyphCache, HighEntriesStayFoundWhateverTheOrderTheyCameIn)
{
  auto font = Font(kCachedFont);
  LICE_MemBitmap bitmap(60, 30);
  const char* texts[] = {"\xE2\x86\x92", "\xCE\xA9", "\xC3\xBF",
                         "\xC3\xB1",     "\xC3\xA9", "\xC3\x80"};
  const int codes[] = {0x2192, 0x3A9, 0xFF, 0xF1, 0xE9, 0xC0};
  for (const char* text : texts) Draw(*font, bitmap, text, 4, 4);
  for (int code : codes) EXPECT_TRUE(Cached(*font, code)) << code;
  EXPECT_FALSE(Cached(*font, 0xE8));
}

#ifndef _WIN32
// Each glyph is cut to its ink and placed back by its overhang: cached text lands where the
// platform draws it (italic glyphs reach past their advance on both sides).
TEST(GlyphCache, CachedTextLandsWhereNativeTextDoes)
{
  auto font = Font(kFont, 14, true);
  LICE_SysBitmap native(160, 40), cached(160, 40);
  Fill(native, kWhite);
  Fill(cached, kWhite);
  Draw(*font, native, "fjf Wy\xC3\xA9", 6, 6);
  Draw(*font, cached, "fjf Wy\xC3\xA9", 6, 6, LICE_DT_NOCLIP | LICE_TEXT_CACHED_ONLY);
  EXPECT_GT(Inked(native, kWhite), 50);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 160; ++x)
      for (int shift : {0, 8, 16, 24})
        ASSERT_NEAR(At(native, x, y) >> shift & 0xFF, At(cached, x, y) >> shift & 0xFF, 2)
            << x << "," << y;
}
#endif

TEST(GlyphCache, RotatedTextIsTheUprightTextTurned)
{
  auto upright = Font(kCachedFont, 14, true);
  auto clockwise = Font(kCachedFont | LICE_FONTOPT_ROTATE, 14, true);
  auto counter = Font(kCachedFont | LICE_FONTOPT_ROTATE | LICE_FONTOPT_ROTATE_CCW, 14, true);
  const char* text = "fj";
  const int h = upright->textHeight();
  LICE_MemBitmap a(100, 100), b(100, 100), c(100, 100);
  Fill(a, kWhite);
  Fill(b, kWhite);
  Fill(c, kWhite);
  Draw(*upright, a, text, 20, 40);
  Draw(*clockwise, b, text, 40, 20);
  LICE_Rect extent = {};
  counter->renderText(nullptr, text, -1, &extent, LICE_DT_CALCRECT);
  Draw(*counter, c, text, 40, 20);
  ASSERT_GT(Inked(a, kWhite), 20);
  EXPECT_EQ(Inked(b, kWhite), Inked(a, kWhite));
  EXPECT_EQ(Inked(c, kWhite), Inked(a, kWhite));
  // Upright ink lies in rows 40.. 40 + h and columns from 20 less the margin of 2.
  for (int y = 40; y < 40 + h; ++y)
    for (int x = 18; x < 20 + extent.bottom; ++x)
    {
      ASSERT_EQ(At(b, 40 + h - 1 - (y - 40), 20 + (x - 20)), At(a, x, y)) << x << "," << y;
      ASSERT_EQ(At(c, 40 + (y - 40), 20 + extent.bottom - 1 - (x - 20)), At(a, x, y));
    }
}

TEST(GlyphEffects, MonoShadowAndOutlineUseOnlyTheTwoColours)
{
  for (int effect : {LICE_FONTOPT_MONO, LICE_FONTOPT_SHADOW, LICE_FONTOPT_OUTLINE})
  {
    auto font = Font(kCachedFont | effect, 16);
    font->setEffectColour(kBlue);
    LICE_MemBitmap bitmap(80, 40);
    Fill(bitmap, kWhite);
    Draw(*font, bitmap, "Ag", 4, 4);
    int red = 0, blue = 0;
    for (int y = 1; y < 39; ++y)
      for (int x = 1; x < 79; ++x)
      {
        const LICE_Pixel32 p = At(bitmap, x, y);
        ASSERT_TRUE(p == kWhite || p == kRed || p == kBlue) << std::hex << p;
        red += p == kRed;
        if (p != kBlue) continue;
        ++blue;
        // A shadow pixel lies right of or below the glyph, an outline pixel beside it.
        const bool marked = effect == LICE_FONTOPT_SHADOW
                                ? At(bitmap, x - 1, y) == kRed ||
                                      At(bitmap, x - 1, y - 1) == kRed ||
                                      At(bitmap, x, y - 1) == kRed
                                : At(bitmap, x - 1, y) == kRed || At(bitmap, x + 1, y) == kRed ||
                                      At(bitmap, x, y - 1) == kRed || At(bitmap, x, y + 1) == kRed;
        ASSERT_TRUE(marked) << x << "," << y;
      }
    EXPECT_GT(red, 20);
    EXPECT_EQ(blue > 0, effect != LICE_FONTOPT_MONO);
  }
}

TEST(GlyphEffects, InvertedMaskFillsTheWholeCellAndSoftenSpreadsTheInk)
{
  auto inverted = Font(kCachedFont | LICE_FONTOPT_INVERT);
  LICE_MemBitmap bitmap(80, 40);
  Fill(bitmap, kWhite);
  Draw(*inverted, bitmap, " ", 20, 10);
  const LICE_Rect box = InkBox(bitmap, kWhite);
  EXPECT_EQ(box.left, 20 - 2); // the glyph margin, 2 below a height of 16
  EXPECT_EQ(box.top, 10);
  EXPECT_EQ(box.bottom, 10 + inverted->textHeight());
  EXPECT_EQ(Inked(bitmap, kWhite), (box.right - box.left) * (box.bottom - box.top));
  EXPECT_EQ(At(bitmap, box.left, box.top), kRed);

  auto plain = Font(kCachedFont), soft = Font(kCachedFont | LICE_FONTOPT_SOFTEN);
  LICE_MemBitmap sharp(80, 40), blurred(80, 40);
  Fill(sharp, kWhite);
  Fill(blurred, kWhite);
  Draw(*plain, sharp, "Hi", 4, 4);
  Draw(*soft, blurred, "Hi", 4, 4);
  EXPECT_GT(Inked(blurred, kWhite), Inked(sharp, kWhite));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_TRUE(At(sharp, x, y) == kWhite || At(blurred, x, y) != kWhite) << x << "," << y;
}

TEST(GlyphEffects, ForegroundAlphaWeighsTheText)
{
  auto font = Font(kCachedFont | LICE_FONTOPT_MONO, 16);
  font->setForeground(LICE_PackPixel(255, 0, 0, 128));
  LICE_MemBitmap bitmap(80, 40);
  Fill(bitmap, kWhite);
  Draw(*font, bitmap, "H", 4, 4, LICE_DT_NOCLIP | LICE_TEXT_FOREGROUND_ALPHA);
  // w = 128: each channel keeps half the white, alpha stays opaque.
  EXPECT_GT(Count(bitmap, 0xFFFF7F7F), 10);
  EXPECT_EQ(Inked(bitmap, kWhite), Count(bitmap, 0xFFFF7F7F));
}

TEST(TextBackground, OpaqueModeFillsTheCellsTransparentLeavesThem)
{
  for (int options : {kFont, kCachedFont})
  {
    auto font = Font(options);
    LICE_SysBitmap bitmap(80, 40);
    Fill(bitmap, kWhite);
    Draw(*font, bitmap, " ", 10, 10);
    EXPECT_EQ(Inked(bitmap, kWhite), 0);
    EXPECT_EQ(font->setBackgroundMode(LICE_BKMODE_OPAQUE), LICE_BKMODE_TRANSPARENT);
    font->setBackground(kBlue);
    LICE_Rect extent = {};
    font->renderText(nullptr, " ", -1, &extent, LICE_DT_CALCRECT);
    Draw(*font, bitmap, " ", 10, 10);
    const LICE_Rect box = InkBox(bitmap, kWhite);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.right, 10 + extent.right);
    EXPECT_EQ(box.bottom, 10 + font->textHeight());
    EXPECT_EQ(At(bitmap, 10, 10), kBlue);
  }
}

TEST(TextScratch, LastFontReleasesTheScratchBitmaps)
{
  ASSERT_FALSE(LICE_CachedFont::scratchBitmapsExist());
  auto first = Font(kCachedFont), second = Font(kFont);
  LICE_MemBitmap bitmap(40, 20);
  Draw(*first, bitmap, "a", 0, 0);
  Draw(*second, bitmap, "a", 0, 0);
  EXPECT_TRUE(LICE_CachedFont::scratchBitmapsExist());
  first.reset();
  EXPECT_TRUE(LICE_CachedFont::scratchBitmapsExist());
  second.reset();
  EXPECT_FALSE(LICE_CachedFont::scratchBitmapsExist());
  auto third = Font(kCachedFont);
  Draw(*third, bitmap, "a", 0, 0);
  EXPECT_TRUE(LICE_CachedFont::scratchBitmapsExist());
}

TEST(TextBadInput, AnyRectangleDrawsOnlyInsideTheBitmap)
{
  const LICE_Rect rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                             {INT_MAX - 3, INT_MAX - 3, INT_MIN, INT_MIN},
                             {-50, -50, -10, -10},
                             {30, 5, 10, 2},
                             {INT_MAX, 0, INT_MAX, 10},
                             {-3, -4, 200, 200}};
  for (int options : {kFont, kCachedFont, kCachedFont | LICE_FONTOPT_ROTATE,
                      kCachedFont | LICE_FONTOPT_ROTATE | LICE_FONTOPT_ROTATE_CCW})
  {
    auto font = Font(options);
    // 57 wide: the rows hold three padding pixels that nothing may touch.
    LICE_SysBitmap sys(57, 20);
    LICE_MemBitmap mem(57, 20);
    for (LICE_IBitmap* bitmap :
         {static_cast<LICE_IBitmap*>(&sys), static_cast<LICE_IBitmap*>(&mem)})
    {
      for (int y = 0; y < 20; ++y) std::fill_n(LICE_RowPointer(*bitmap, y), 60, 0x12345678u);
      for (LICE_Rect rect : rects)
        for (int flags = 0; flags < 0x200; flags += 0x1F)
        {
          LICE_Rect r = rect;
          font->renderText(bitmap, "Wg\n\xC3\xA9x", -1, &r, flags | LICE_DT_CENTER);
          r = rect;
          font->renderText(bitmap, "Wy", -1, &r, flags | LICE_DT_BOTTOM | LICE_DT_RIGHT);
        }
      for (int y = 0; y < 20; ++y)
        for (int x = 57; x < 60; ++x) ASSERT_EQ(LICE_RowPointer(*bitmap, y)[x], 0x12345678u);
    }
    EXPECT_EQ(font->renderText(&sys, nullptr, -1, nullptr, 0), 0);
    EXPECT_EQ(font->renderText(nullptr, "a", -1, nullptr, LICE_DT_CALCRECT), 0);
  }
}

TEST(EditorFonts, AStyleFontDrawsAndMeasuresWhateverItsFace)
{
  LICE_FontDescription description; // "Verdana", 12: the editor's default style
  LICE_CachedFont font;
  LICE_FontHandle handle = LICE_CreatePlatformFont(description);
  ASSERT_NE(handle, nullptr);
  font.attachFont(handle, LICE_FONTOPT_OWNED | LICE_FONTOPT_NATIVE);
  EXPECT_EQ(font.fontHandle(), handle);
  EXPECT_GT(font.textHeight(), 8);
  EXPECT_EQ(font.setForeground(LICE_PackPixel(0, 0, 0, 255)), 0u);
  LICE_SysBitmap surface(150, 40);
  Fill(surface, kWhite);
  LICE_Rect rect = {0, 10, 150, 30};
  font.renderText(&surface, "Mid Gain", -1, &rect, LICE_DT_NOCLIP | LICE_DT_CENTER);
  const LICE_Rect box = InkBox(surface, kWhite);
  EXPECT_GT(box.left, 30);
  EXPECT_LT(box.right, 120);
  LICE_Rect measured = {};
  EXPECT_EQ(font.renderText(&surface, "Mid Gain", -1, &measured,
                            LICE_DT_NOCLIP | LICE_DT_CENTER | LICE_DT_CALCRECT),
            font.textHeight());
  EXPECT_NEAR(measured.right, box.right - box.left, 3);
}
