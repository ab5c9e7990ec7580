// Every vector path the processor has gives the same bits as the pixel-by-pixel reference.
#include "lice/LICE_VectorPath.h"

#include "LICE_TestBitmaps.h"
#include "lice/LICE_Composite.h"

#include <cstring>
#include <gtest/gtest.h>

namespace
{
std::vector<lice::VectorLevel> WideLevels()
{
  std::vector<lice::VectorLevel> levels;
  for (auto level : {lice::VectorLevel::kSse2, lice::VectorLevel::kAvx2})
    if (level <= lice::ProcessorVectorLevel()) levels.push_back(level);
  return levels;
}

// Restores the processor's own level when a test ends.
struct LevelScope
{
  ~LevelScope() { lice::SetActiveVectorLevel(lice::ProcessorVectorLevel()); }
};

float RandomWeight(std::mt19937& random)
{
  static const float kWeights[] = {1.0f, 0.5f, 0.75f, 0.25f, 1.002f, 0.999f, -0.5f, 2.0f};
  if (random() % 3 == 0) return float(random() % 1000) / 999.0f;
  return kWeights[random() % (sizeof(kWeights) / sizeof(float))];
}

int RandomMode(std::mt19937& random)
{
  // Mostly the editor's own four; any low byte now and then.
  static const int kModes[] = {LICE_OP_COPY | LICE_OP_SRCALPHA, LICE_OP_COPY,
                               LICE_OP_ADD | LICE_OP_SRCALPHA, LICE_OP_DODGE | LICE_OP_SRCALPHA};
  if (random() % 4 == 0) return int(random() & 0x100FF);
  return kModes[random() % 4];
}
} // namespace

TEST(LICE_VectorPath, RowsMatchThePixelByPixelReference)
{
  std::mt19937 random(3);
  for (lice::VectorLevel level : WideLevels())
  {
    const lice::RowKernels& wide = lice::KernelsFor(level);
    const lice::RowKernels& plain = lice::kScalarKernels;
    for (int round = 0; round < 3000; ++round)
    {
      const int n = int(random() % 70);
      std::vector<LICE_Pixel32> src(n + 8), a(n + 8), b;
      LICE_MemBitmap noise(int(src.size()), 2);
      FillRandom(noise, random);
      std::memcpy(src.data(), LICE_RowPointer(noise, 0), src.size() * 4);
      std::memcpy(a.data(), LICE_RowPointer(noise, 1), a.size() * 4);
      b = a;
      const int offset = int(random() % 8) % (int(a.size()) - n + 1);
      const LICE_Pixel32 colour = LICE_Pixel32(random());
      switch (round % 6)
      {
      case 0:
        wide.sourceOver(a.data() + offset, src.data() + 1, n);
        plain.sourceOver(b.data() + offset, src.data() + 1, n);
        break;
      case 1:
        wide.copyHalf(a.data() + offset, src.data(), n);
        plain.copyHalf(b.data() + offset, src.data(), n);
        break;
      case 2:
        wide.fillSolid(a.data() + offset, n, colour);
        plain.fillSolid(b.data() + offset, n, colour);
        break;
      case 3:
        wide.fillHalf(a.data() + offset, n, colour);
        plain.fillHalf(b.data() + offset, n, colour);
        break;
      case 4:
        wide.fillQuarter(a.data() + offset, n, colour);
        plain.fillQuarter(b.data() + offset, n, colour);
        break;
      default:
        wide.fillThreeQuarters(a.data() + offset, n, colour);
        plain.fillThreeQuarters(b.data() + offset, n, colour);
        break;
      }
      ASSERT_EQ(a, b) << "level " << int(level) << " kernel " << round % 6 << " n " << n;
    }
  }
}

TEST(LICE_VectorPath, CompositeAndFillMatchTheReferenceInEveryMode)
{
  LevelScope restore;
  std::mt19937 random(5);
  for (int round = 0; round < 1500; ++round)
  {
    LICE_MemBitmap src(1 + int(random() % 40), 1 + int(random() % 6));
    LICE_MemBitmap start(1 + int(random() % 40), 1 + int(random() % 6));
    FillRandom(src, random);
    FillRandom(start, random);
    const int x = int(random() % 50) - 10, y = int(random() % 10) - 3;
    const float weight = RandomWeight(random);
    const int mode = RandomMode(random);
    const LICE_Pixel32 colour = LICE_Pixel32(random());
    const int width = int(random() % 45), height = int(random() % 8);

    auto draw = [&](lice::VectorLevel level)
    {
      lice::SetActiveVectorLevel(level);
      LICE_MemBitmap dest(start.pixelWidth(), start.pixelHeight());
      std::memcpy(dest.pixelData(), start.pixelData(), size_t(dest.capacityBytes()));
      if (round % 3 == 2)
        LICE_FillArea(&dest, x, y, width, height, colour, weight, mode);
      else
        LICE_Composite(&dest, &src, x, y, nullptr, weight, mode);
      return Snapshot(dest);
    };
    const std::vector<LICE_Pixel32> reference = draw(lice::VectorLevel::kScalar);
    for (lice::VectorLevel level : WideLevels())
      ASSERT_EQ(draw(level), reference) << "level " << int(level) << " mode " << mode << " weight "
                                        << weight << " round " << round;
  }
}

TEST(LICE_VectorPath, ABitmapDrawnOntoItselfReadsPixelsInOrder)
{
  LevelScope restore;
  std::mt19937 random(9);
  LICE_MemBitmap start(33, 3);
  FillRandom(start, random);
  const LICE_Rect rect = {0, 0, 32, 3};
  std::vector<LICE_Pixel32> results[2];
  for (int pass = 0; pass < 2; ++pass)
  {
    lice::SetActiveVectorLevel(pass ? lice::ProcessorVectorLevel() : lice::VectorLevel::kScalar);
    LICE_MemBitmap bitmap(33, 3);
    std::memcpy(bitmap.pixelData(), start.pixelData(), size_t(bitmap.capacityBytes()));
    LICE_Composite(&bitmap, &bitmap, 1, 0, &rect, 1.0f, LICE_OP_COPY | LICE_OP_SRCALPHA);
    LICE_Composite(&bitmap, &bitmap, 1, 0, &rect, 0.5f, LICE_OP_COPY);
    results[pass] = Snapshot(bitmap);
  }
  EXPECT_EQ(results[0], results[1]);
}
