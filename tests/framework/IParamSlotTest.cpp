#include "framework/IParamSlot.h"

#include "framework/DeterministicMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{
std::string Display(const IParamSlot& p)
{
  char buf[128];
  p.FormatForHost(buf, sizeof buf);
  return buf;
}
} // namespace

TEST(IParamSlot, FreshRecordHoldsTheDocumentedDefaults)
{
  IParamSlot p;
  EXPECT_EQ(p.GetKind(), IParamSlot::kKindNone);
  EXPECT_EQ(p.Value(), 0.0);
  EXPECT_EQ(p.Min(), 0.0);
  EXPECT_EQ(p.Max(), 1.0);
  EXPECT_EQ(p.Step(), 1.0);
  EXPECT_EQ(p.Shape(), 1.0);
  EXPECT_EQ(p.Precision(), 0u);
  EXPECT_TRUE(p.CanAutomate());
  EXPECT_FALSE(p.NegateDisplay());
  EXPECT_STREQ(p.Name(), "");
}

TEST(IParamSlot, InitContinuousDerivesPrecisionAndMaximum)
{
  IParamSlot gain;
  gain.InitContinuous("Input 1", 0.0, -24.0, 24.0, 0.01, "%", "ignored group", 1.0);
  EXPECT_EQ(gain.GetKind(), IParamSlot::kKindContinuous);
  EXPECT_EQ(gain.Precision(), 2u);
  EXPECT_EQ(gain.Max(), 24.0);
  EXPECT_STREQ(gain.Label(), "%");
  EXPECT_STREQ(gain.Group(), "");

  IParamSlot narrow;
  narrow.InitContinuous("n", 0.0, 0.0, 0.5, 1.0);
  EXPECT_EQ(narrow.Max(), 1.0);
  EXPECT_EQ(narrow.Precision(), 0u);

  IParamSlot fine;
  fine.InitContinuous("f", 0.0, 0.0, 1.0, 0.0000001);
  EXPECT_EQ(fine.Precision(), 6u);

  IParamSlot keepShape;
  keepShape.SetShapeExponent(3.0);
  keepShape.InitContinuous("s", 0.0, 0.0, 1.0, 0.1, "", "", 0.0);
  EXPECT_EQ(keepShape.Shape(), 3.0);
}

TEST(IParamSlot, InitSteppedKeepsAKindSetEarlier)
{
  IParamSlot sw;
  sw.InitStepped("EQ Bypass 1", 0.0, 0.0, 1.0);
  EXPECT_EQ(sw.GetKind(), IParamSlot::kKindStepped);
  EXPECT_EQ(sw.Step(), 1.0);
  sw.InitContinuous("again", 0.0, 0.0, 1.0, 0.01);
  EXPECT_EQ(sw.GetKind(), IParamSlot::kKindStepped);
}

TEST(IParamSlot, NamesLongerThanTheFieldAreCut)
{
  IParamSlot p;
  const std::string longName(100, 'x');
  p.InitContinuous(longName.c_str(), 0.0, 0.0, 1.0, 0.1, longName.c_str());
  EXPECT_EQ(std::string(p.Name()), std::string(31, 'x'));
  EXPECT_EQ(std::string(p.Label()), std::string(31, 'x'));
}

TEST(IParamSlot, NormalisedLawWithShape)
{
  IParamSlot freq;
  freq.InitContinuous("Mid Frequency 1", 0.01, 0.01, 0.979, 0.01, "%");
  freq.SetShapeExponent(0.5);
  freq.ApplyNormalized(0.5);
  EXPECT_NEAR(freq.Value(), 0.695186, 1e-6);
  EXPECT_NEAR(freq.Normalized(), 0.5, 1e-12);
  EXPECT_DOUBLE_EQ(freq.PlainFromNormalized(0.25), 0.01 + 0.969 * 0.5);
}

// A linear law gives exactly what the power x^1 gives, across the whole range of doubles.
TEST(IParamSlot, LinearLawGivesThePowersBits)
{
  IParamSlot p;
  p.InitContinuous("Gain", 0.0, -24.0, 24.0, 0.01, "dB");
  std::mt19937_64 rng(3);
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                0.5,
                                0.01,
                                std::nextafter(1.0, 0.0),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min()};
  for (int i = 0; i < 200000; ++i)
  {
    // Every binary exponent and sign, random mantissas.
    const std::uint64_t bits = rng() & ~(std::uint64_t{0x7ff} << 52);
    const std::uint64_t exponent = static_cast<std::uint64_t>(i % 0x7ff) << 52;
    double x;
    const std::uint64_t all = bits | exponent;
    std::memcpy(&x, &all, sizeof x);
    values.push_back(x);
  }
  for (double x : values)
  {
    const double shaped = dmath::Pow(std::clamp(x, 0.0, 1.0), 1.0);
    const double plain = -24.0 + 48.0 * shaped;
    const double got = p.PlainFromNormalized(x);
    ASSERT_EQ(std::memcmp(&got, &plain, sizeof got), 0) << x;
    const double back = p.NormalizedFromPlain(x);
    const double want = dmath::Pow((std::clamp(x, -24.0, 24.0) + 24.0) / 48.0, 1.0);
    ASSERT_EQ(std::memcmp(&back, &want, sizeof back), 0) << x;
  }
}

TEST(IParamSlot, ApplyNormalizedRoundsSteppedKindsOnly)
{
  IParamSlot sw;
  sw.InitStepped("s", 0.0, 0.0, 1.0);
  sw.ApplyNormalized(0.49);
  EXPECT_EQ(sw.Value(), 0.0);
  sw.ApplyNormalized(0.5);
  EXPECT_EQ(sw.Value(), 1.0);

  IParamSlot gain;
  gain.InitContinuous("g", 0.0, -24.0, 24.0, 0.01);
  gain.ApplyNormalized(1.0);
  EXPECT_EQ(gain.Value(), 24.0);
  gain.ApplyNormalized(0.123456);
  EXPECT_DOUBLE_EQ(gain.Value(), -24.0 + 48.0 * 0.123456);
}

TEST(IParamSlot, OutOfRangeOrNaNNormalisedValuesNeverStoreBadValues)
{
  IParamSlot freq;
  freq.InitContinuous("f", 0.01, 0.01, 0.979, 0.01);
  freq.SetShapeExponent(0.5);
  freq.ApplyNormalized(-0.2);
  EXPECT_EQ(freq.Value(), 0.01);
  freq.ApplyNormalized(7.0);
  EXPECT_EQ(freq.Value(), 0.979);
  freq.ApplyNormalized(0.5);
  const double before = freq.Value();
  freq.ApplyNormalized(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(freq.Value(), before);
  freq.ApplyNormalized(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(freq.Value(), 0.01);
}

TEST(IParamSlot, ClampSetLimitsAndIgnoresNaN)
{
  IParamSlot p;
  p.InitContinuous("p", 0.5, 0.12, 0.88, 0.01);
  p.ClampSet(5.0);
  EXPECT_EQ(p.Value(), 0.88);
  p.ClampSet(-5.0);
  EXPECT_EQ(p.Value(), 0.12);
  p.ClampSet(std::nan(""));
  EXPECT_EQ(p.Value(), 0.12);
}

TEST(IParamSlot, NormalizedOfAValueOutsideTheRangeIsAnEnd)
{
  IParamSlot p;
  p.InitContinuous("p", 0.0, -24.0, 24.0, 0.01);
  EXPECT_EQ(p.NormalizedFromPlain(-100.0), 0.0);
  EXPECT_EQ(p.NormalizedFromPlain(100.0), 1.0);
}

TEST(IParamSlot, ZeroWidthRangeDoesNotDivideByZero)
{
  IParamSlot p;
  p.InitContinuous("p", 2.0, 2.0, 2.0, 0.0);
  EXPECT_EQ(p.Max(), 2.0);
  EXPECT_EQ(p.Normalized(), 0.0);
  p.ApplyNormalized(0.7);
  EXPECT_EQ(p.Value(), 2.0);
}

TEST(IParamSlot, DisplayStrings)
{
  IParamSlot gain;
  gain.InitContinuous("Input 1", 0.0, -24.0, 24.0, 0.01, "%");
  EXPECT_EQ(Display(gain), "0.00");
  gain.ApplyNormalized(0.0);
  EXPECT_EQ(Display(gain), "-24.00");
  EXPECT_STREQ(gain.UnitLabelForHost(), "%");

  IParamSlot whole;
  whole.InitContinuous("w", 0.0, -10.0, 10.0, 1.0);
  whole.ClampSet(-3.7);
  EXPECT_EQ(Display(whole), "-3");
  whole.SetNegateDisplay(true);
  EXPECT_EQ(Display(whole), "3");
  whole.SetNegateDisplay(false);
  whole.ClampSet(2.99);
  EXPECT_EQ(Display(whole), "2");
  whole.ClampSet(-0.5);
  EXPECT_EQ(Display(whole), "0");
}

TEST(IParamSlot, DisplayTextsReplaceTheNumberAndTheLabel)
{
  IParamSlot mode;
  mode.InitStepped("Mode", 0.0, 0.0, 2.0, "dB");
  mode.SetDisplayText(1, "wide");
  EXPECT_STREQ(mode.DisplayTextAt(1), "wide");
  EXPECT_STREQ(mode.DisplayTextAt(2), "");
  EXPECT_EQ(Display(mode), "0");
  EXPECT_STREQ(mode.UnitLabelForHost(), "dB");
  mode.ClampSet(1.0);
  EXPECT_EQ(Display(mode), "wide");
  EXPECT_STREQ(mode.UnitLabelForHost(), "");
}

TEST(IParamSlot, HugeValuesFormatWithinTheBuffer)
{
  IParamSlot p;
  p.InitContinuous("p", 0.0, -1e300, 1e300, 1.0);
  p.ClampSet(1e300);
  char small[8];
  p.FormatForHost(small, sizeof small);
  EXPECT_EQ(std::string(small), "2147483");
}
