// Row layout, growth and reuse of the two bitmap classes.
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_SysBitmap.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "lice/linux/LICE_DrawContext.h"
#endif

#include <climits>
#include <cstdint>
#include <gtest/gtest.h>

TEST(LICE_PackPixel, PutsAlphaRedGreenBlueFromTheTopByteDown)
{
  EXPECT_EQ(LICE_PackPixel(0x12, 0x34, 0x56, 0x78), 0x78123456u);
  const LICE_Pixel32 pixel = LICE_PackPixel(1, 2, 3, 4);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&pixel);
  EXPECT_EQ(bytes[LICE_PIXEL_B], 3);
  EXPECT_EQ(bytes[LICE_PIXEL_G], 2);
  EXPECT_EQ(bytes[LICE_PIXEL_R], 1);
  EXPECT_EQ(bytes[LICE_PIXEL_A], 4);
}

TEST(LICE_MemBitmap, RowsAreWholeGroupsOfFourPixelsFromA64ByteBoundary)
{
  LICE_MemBitmap one(1, 3), wide(150, 2);
  EXPECT_EQ(one.rowPitch(), 4);
  EXPECT_EQ(wide.rowPitch(), 152);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(one.pixelData()) % 64, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide.pixelData()) % 64, 0u);
  EXPECT_FALSE(one.bottomUp());
  EXPECT_EQ(one.deviceContext(), nullptr);
  EXPECT_EQ(one.extensionQuery(0x59555678, nullptr), 0);
  EXPECT_EQ(one.extensionQuery(0x51B7000, nullptr), 0);
}

TEST(LICE_MemBitmap, TheSameSizeChangesNothing)
{
  LICE_MemBitmap bitmap(5, 5);
  bitmap.pixelData()[7] = 0xDEADBEEF;
  LICE_Pixel32* before = bitmap.pixelData();
  EXPECT_FALSE(bitmap.setSize(5, 5));
  EXPECT_EQ(bitmap.pixelData(), before);
  EXPECT_EQ(bitmap.pixelData()[7], 0xDEADBEEFu);
}

TEST(LICE_MemBitmap, GrowsWithAQuarterHeadroomAndNeverShrinks)
{
  LICE_MemBitmap bitmap(4, 4);
  EXPECT_EQ(bitmap.capacityBytes(), 64);
  EXPECT_TRUE(bitmap.setSize(4, 8));
  EXPECT_EQ(bitmap.capacityBytes(), 160);
  EXPECT_TRUE(bitmap.setSize(4, 9)); // 144 bytes fit
  EXPECT_EQ(bitmap.capacityBytes(), 160);
  EXPECT_TRUE(bitmap.setSize(2, 2));
  EXPECT_EQ(bitmap.capacityBytes(), 160);
  EXPECT_EQ(bitmap.pixelWidth(), 2);
  EXPECT_EQ(bitmap.rowPitch(), 4);
}

TEST(LICE_MemBitmap, EmptyOrNegativeSidesFreeTheStorage)
{
  for (auto [w, h] : {std::pair{0, 10}, std::pair{-5, 10}, std::pair{10, 0}})
  {
    LICE_MemBitmap bitmap(8, 8);
    EXPECT_TRUE(bitmap.setSize(w, h));
    EXPECT_EQ(bitmap.pixelWidth(), 0);
    EXPECT_EQ(bitmap.pixelHeight(), 0);
    EXPECT_EQ(bitmap.pixelData(), nullptr);
    EXPECT_EQ(bitmap.capacityBytes(), 0);
  }
  LICE_MemBitmap empty;
  EXPECT_EQ(empty.pixelData(), nullptr);
  EXPECT_EQ(empty.rowPitch(), 0);
}

TEST(LICE_MemBitmap, SizesBeyondAnIntOfBytesAreRefusedNotWrapped)
{
  LICE_MemBitmap bitmap(4, 4);
  EXPECT_TRUE(bitmap.setSize(INT_MAX, INT_MAX));
  EXPECT_EQ(bitmap.pixelData(), nullptr);
  EXPECT_EQ(bitmap.pixelWidth(), 0);
  EXPECT_TRUE(bitmap.setSize(65536, 65536)); // exactly 2^34 bytes
  EXPECT_EQ(bitmap.pixelData(), nullptr);
  EXPECT_TRUE(bitmap.setSize(3, 3));
  EXPECT_NE(bitmap.pixelData(), nullptr);
}

namespace
{
// The section the device context holds, as the platform sees it.
void ExpectContextBoundTo(LICE_SysBitmap& bitmap)
{
#ifdef _WIN32
  HBITMAP selected = static_cast<HBITMAP>(GetCurrentObject(bitmap.deviceContext(), OBJ_BITMAP));
  DIBSECTION section = {};
  ASSERT_EQ(GetObject(selected, sizeof(section), &section), int(sizeof(section)));
  EXPECT_EQ(section.dsBm.bmBits, bitmap.pixelData());
  EXPECT_EQ(section.dsBmih.biWidth, bitmap.rowPitch());
  EXPECT_EQ(section.dsBmih.biBitCount, 32);
  // GDI drawing lands in the engine's pixels: rows top-down, bytes blue, green, red.
  const int x = bitmap.pixelWidth() - 1, y = bitmap.pixelHeight() - 1;
  SetPixelV(bitmap.deviceContext(), x, y, RGB(0x11, 0x22, 0x33));
  GdiFlush();
  EXPECT_EQ(bitmap.pixelData()[y * bitmap.rowPitch() + x] & 0xFFFFFF, 0x112233u);
#else
  LICE_DrawContext* context = bitmap.deviceContext();
  EXPECT_EQ(context->Bits(), bitmap.pixelData());
  EXPECT_EQ(context->Width(), bitmap.pixelWidth());
  EXPECT_EQ(context->Height(), bitmap.pixelHeight());
  EXPECT_EQ(context->RowPitch(), bitmap.rowPitch());
#endif
}
} // namespace

TEST(LICE_SysBitmap, SectionRowsAreTheWidthRoundedUpToFourPixels)
{
  LICE_SysBitmap bitmap(57, 20);
  ASSERT_NE(bitmap.deviceContext(), nullptr);
  ASSERT_NE(bitmap.pixelData(), nullptr);
  EXPECT_EQ(bitmap.rowPitch(), 60);
  EXPECT_EQ(bitmap.pixelWidth(), 57);
  EXPECT_FALSE(bitmap.bottomUp());
  EXPECT_EQ(bitmap.extensionQuery(0x59555678, nullptr), 0);
  ExpectContextBoundTo(bitmap);
  EXPECT_FALSE(bitmap.setSize(57, 20));
}

TEST(LICE_SysBitmap, ShrinkingKeepsTheSectionAndGrowingPastItMakesANewOne)
{
  LICE_SysBitmap bitmap(57, 20);
  LICE_Pixel32* bits = bitmap.pixelData();
  EXPECT_TRUE(bitmap.setSize(40, 10));
  EXPECT_EQ(bitmap.pixelData(), bits);
  EXPECT_EQ(bitmap.rowPitch(), 60);
  EXPECT_EQ(bitmap.pixelWidth(), 40);
  EXPECT_EQ(bitmap.pixelHeight(), 10);
  ExpectContextBoundTo(bitmap);
  EXPECT_TRUE(bitmap.setSize(57, 20)); // still fits
  EXPECT_EQ(bitmap.pixelData(), bits);

  EXPECT_TRUE(bitmap.setSize(150, 550));
  EXPECT_EQ(bitmap.rowPitch(), 152);
  EXPECT_EQ(bitmap.pixelWidth(), 150);
  ExpectContextBoundTo(bitmap);
  bitmap.pixelData()[151 + 549 * 152] = 0x01020304; // the last stored pixel is writable
}

TEST(LICE_SysBitmap, AnEmptySizeDropsTheSection)
{
  LICE_SysBitmap bitmap(16, 16);
  EXPECT_FALSE(bitmap.setSize(0, 0));
  EXPECT_EQ(bitmap.pixelData(), nullptr);
  EXPECT_EQ(bitmap.pixelWidth(), 0);
  EXPECT_NE(bitmap.deviceContext(), nullptr);

  LICE_SysBitmap other(16, 16);
  EXPECT_FALSE(other.setSize(0, 10));
  EXPECT_EQ(other.pixelHeight(), 0);
  EXPECT_FALSE(other.setSize(-3, 5));
  EXPECT_EQ(other.pixelWidth(), 0);
  EXPECT_EQ(other.pixelData(), nullptr);
  EXPECT_TRUE(other.setSize(8, 8));
  EXPECT_NE(other.pixelData(), nullptr);

  LICE_SysBitmap empty;
  EXPECT_EQ(empty.pixelData(), nullptr);
  EXPECT_NE(empty.deviceContext(), nullptr);
}

TEST(LICE_SysBitmap, AnImpossibleSectionLeavesAnEmptyBitmap)
{
  LICE_SysBitmap bitmap(8, 8);
  EXPECT_TRUE(bitmap.setSize(INT_MAX / 2, INT_MAX / 2));
  EXPECT_EQ(bitmap.pixelData(), nullptr);
  EXPECT_EQ(bitmap.pixelWidth(), 0);
  EXPECT_EQ(bitmap.pixelHeight(), 0);
}

#ifndef _WIN32
TEST(LICE_DrawContext, SettersAnswerThePreviousState)
{
  LICE_SysBitmap bitmap(4, 4);
  LICE_DrawContext* context = bitmap.deviceContext();
  auto* font = reinterpret_cast<LICE_FontHandle>(uintptr_t(0x1000));
  EXPECT_EQ(context->SelectFont(font), nullptr);
  EXPECT_EQ(context->SelectFont(nullptr), font);
  EXPECT_EQ(context->SetTextColour(0x0000FF), 0u);
  EXPECT_EQ(context->TextColour(), 0x0000FFu);
  EXPECT_EQ(context->SetBackgroundMode(LICE_DrawContext::kTransparent), LICE_DrawContext::kOpaque);
  EXPECT_EQ(context->SetBackgroundColour(0x123456), 0xFFFFFFu);
}
#endif
