#include "framework/IChunk.h"
#include "framework/IPlugBase.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace
{
class StatePlug : public IPlugBase
{
public:
  explicit StatePlug(int nPresets = 1)
    : IPlugBase(4, "2-2", nPresets, "State", "", "Maker", 0x00010000, FourCharCode("Stat"),
                FourCharCode("Mkr1"), 0, false, false, kAPIVST3)
  {
    Param(0)->InitContinuous("A", 0.0, -24.0, 24.0, 0.01);
    Param(1)->InitContinuous("B", 0.5, 0.12, 0.88, 0.01);
    Param(2)->InitContinuous("C", 0.5, 0.12, 0.88, 0.01);
    Param(3)->InitStepped("D", 0.0, 0.0, 1.0);
  }
  void ParamChanged(int index) override { changed.push_back(index); }
  void PresetRestored() override { ++restored; }

  std::vector<int> changed;
  int restored = 0;
};

IChunk ChunkOf(const std::vector<double>& values)
{
  IChunk chunk;
  for (double v : values) chunk.PutDouble(v);
  return chunk;
}
} // namespace

TEST(IChunk, StoresLittleEndianAndRefusesReadsPastTheEnd)
{
  IChunk chunk;
  ASSERT_TRUE(chunk.PutDouble(1.0));
  ASSERT_TRUE(chunk.PutInt32(2));
  ASSERT_EQ(chunk.Size(), 12u);
  const uint8_t expected[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 2, 0, 0, 0};
  EXPECT_EQ(std::memcmp(chunk.Data(), expected, sizeof expected), 0);

  double v = 0.0;
  EXPECT_EQ(chunk.GetDouble(v, 0), 8);
  EXPECT_EQ(v, 1.0);
  int32_t i = 0;
  EXPECT_EQ(chunk.GetInt32(i, 8), 12);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(chunk.GetDouble(v, 8), -1);
  EXPECT_EQ(chunk.GetDouble(v, -1), -1);
  EXPECT_EQ(chunk.GetInt32(i, 9), -1);
}

TEST(SerializeParams, WritesEveryPlainValueInIndexOrder)
{
  StatePlug plug;
  plug.Param(0)->ClampSet(-6.5);
  IChunk chunk;
  ASSERT_TRUE(plug.SerializeParams(chunk));
  ASSERT_EQ(chunk.Size(), 32u);
  double v;
  chunk.GetDouble(v, 0);
  EXPECT_EQ(v, -6.5);
  chunk.GetDouble(v, 24);
  EXPECT_EQ(v, 0.0);
}

TEST(UnserializeParams, ACompleteBlockSetsEveryParameterAndFiresEveryHook)
{
  StatePlug plug;
  const IChunk chunk = ChunkOf({3.0, 0.2, 99.0, 1.0});
  EXPECT_EQ(plug.UnserializeParams(chunk, 0), 32);
  EXPECT_EQ(plug.Param(0)->Value(), 3.0);
  EXPECT_EQ(plug.Param(1)->Value(), 0.2);
  EXPECT_EQ(plug.Param(2)->Value(), 0.88); // limited to the range
  EXPECT_EQ(plug.Param(3)->Value(), 1.0);
  EXPECT_EQ(plug.changed, (std::vector<int>{0, 1, 2, 3}));
}

TEST(UnserializeParams, AShortBlockSetsTheRecordWhereItRunsOutToZeroLimited)
{
  StatePlug plug;
  plug.Param(3)->ClampSet(1.0);
  IChunk chunk = ChunkOf({3.0, 0.2});
  chunk.PutInt32(0x7FFFFFFF); // 20 bytes: the third value is cut
  EXPECT_EQ(plug.UnserializeParams(chunk, 0), -1);
  EXPECT_EQ(plug.Param(0)->Value(), 3.0);
  EXPECT_EQ(plug.Param(1)->Value(), 0.2);
  EXPECT_EQ(plug.Param(2)->Value(), 0.12);
  EXPECT_EQ(plug.Param(3)->Value(), 1.0); // kept
  EXPECT_EQ(plug.changed, (std::vector<int>{0, 1, 2, 3}));

  StatePlug empty;
  EXPECT_EQ(empty.UnserializeParams(IChunk(), 0), -1);
  EXPECT_EQ(empty.Param(0)->Value(), 0.0);
  EXPECT_EQ(empty.Param(1)->Value(), 0.5);
}

TEST(UnserializeParams, NonFiniteStoredValuesAreNotApplied)
{
  StatePlug plug;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const IChunk chunk = ChunkOf({nan, -inf, 0.3, inf});
  EXPECT_EQ(plug.UnserializeParams(chunk, 0), 32);
  EXPECT_EQ(plug.Param(0)->Value(), 0.0);
  EXPECT_EQ(plug.Param(1)->Value(), 0.5);
  EXPECT_EQ(plug.Param(2)->Value(), 0.3);
  EXPECT_EQ(plug.Param(3)->Value(), 0.0);
}

TEST(Presets, TheDefaultPresetCapturesAndReloadsTheDefaults)
{
  StatePlug plug;
  EXPECT_STREQ(plug.Preset(0)->name, "empty");
  EXPECT_FALSE(plug.Preset(0)->initialized);
  plug.InitDefaultPreset("-");
  EXPECT_STREQ(plug.Preset(0)->name, "-");
  EXPECT_TRUE(plug.Preset(0)->initialized);
  plug.InitDefaultPreset("ignored: no free slot");
  EXPECT_STREQ(plug.Preset(0)->name, "-");

  plug.Param(0)->ClampSet(12.0);
  plug.Param(3)->ClampSet(1.0);
  plug.changed.clear();
  EXPECT_TRUE(plug.LoadPreset(0));
  EXPECT_EQ(plug.Param(0)->Value(), 0.0);
  EXPECT_EQ(plug.Param(3)->Value(), 0.0);
  EXPECT_EQ(plug.changed, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(plug.restored, 1);
  EXPECT_EQ(plug.CurrentPreset(), 0);

  EXPECT_FALSE(plug.LoadPreset(1));
  EXPECT_FALSE(plug.LoadPreset(-1));
  EXPECT_EQ(plug.restored, 1);
}

TEST(Presets, EmptySlotsCaptureTheCurrentStateAsUserPresets)
{
  StatePlug plug(3);
  plug.InitDefaultPreset("-");
  plug.Param(0)->ClampSet(5.0);
  EXPECT_TRUE(plug.LoadPreset(1));
  EXPECT_TRUE(plug.LoadPreset(2));
  EXPECT_STREQ(plug.Preset(1)->name, "user preset 1");
  EXPECT_STREQ(plug.Preset(2)->name, "user preset 2");
  EXPECT_EQ(plug.CurrentPreset(), 2);
  EXPECT_EQ(plug.Param(0)->Value(), 5.0);

  plug.Param(0)->ClampSet(-5.0);
  EXPECT_TRUE(plug.LoadPreset(1)); // now initialised: loads what it captured
  EXPECT_EQ(plug.Param(0)->Value(), 5.0);
}
