#include "effect/InputCurve.h"

#include "effect/InputCurveTable.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace
{

const double kScale = static_cast<double>(inputcurve::kScale);
const double kEnd = -static_cast<double>(inputcurve::kTable[inputcurve::kCount - 1]);

// The curve as written: used to show that the in-range results are untouched by the
// handling of out-of-range inputs.
double LiteralCurve(double s)
{
  const double u = std::fabs(s) * kScale;
  const int i = static_cast<int>(u);
  double y;
  if (i >= inputcurve::kCount - 1)
  {
    y = inputcurve::kTable[inputcurve::kCount - 1];
  }
  else
  {
    const double f = u - i;
    y = inputcurve::kTable[i] * (1 - f) + inputcurve::kTable[i + 1] * f;
  }
  return std::copysign(y, s);
}

} // namespace

TEST(InputCurveTable, HoldsTheCurveAsStored)
{
  EXPECT_EQ(static_cast<double>(inputcurve::kScale), 142.14300537109375);
  EXPECT_EQ(inputcurve::kTable[0], 0.0f);
  EXPECT_EQ(inputcurve::kTable[1], -0.0010161543f);
  EXPECT_EQ(inputcurve::kTable[100], -0.10263471f);
  EXPECT_EQ(inputcurve::kTable[199], -0.20587352f);
  for (int i = 1; i < inputcurve::kCount; ++i)
  {
    EXPECT_LT(inputcurve::kTable[i], inputcurve::kTable[i - 1]) << "i = " << i;
  }
}

TEST(InputCurve, ZeroKeepsItsSign)
{
  EXPECT_EQ(InputCurve(0.0), 0.0);
  EXPECT_FALSE(std::signbit(InputCurve(0.0)));
  EXPECT_EQ(InputCurve(-0.0), 0.0);
  EXPECT_TRUE(std::signbit(InputCurve(-0.0)));
}

TEST(InputCurve, InterpolatesBetweenEntries)
{
  EXPECT_NEAR(InputCurve(1.0 / 142.143), 0.00101615, 5e-9);
  EXPECT_NEAR(InputCurve(0.5 / 142.143), 0.00050808, 5e-9);
  for (int i = 0; i < inputcurve::kCount; i += 7)
  {
    EXPECT_NEAR(InputCurve(i / kScale), -static_cast<double>(inputcurve::kTable[i]), 1e-12);
  }
}

TEST(InputCurve, SmallSignalsAreScaledByAbout0Point1444)
{
  // -16.8 dB, which the fixed output gain restores.
  EXPECT_NEAR(InputCurve(0.001) / 0.001, 0.1444, 1e-4);
  EXPECT_NEAR(20.0 * std::log10(InputCurve(0.001) / 0.001), -16.8, 0.01);
}

TEST(InputCurve, IsOddSymmetric)
{
  for (double s = 0.0; s < 2.0; s += 0.0037)
  {
    EXPECT_EQ(InputCurve(-s), -InputCurve(s)) << "s = " << s;
    EXPECT_GE(InputCurve(s), 0.0);
  }
}

TEST(InputCurve, RisesMonotonically)
{
  double previous = 0.0;
  for (double s = 0.0; s < 1.5; s += 0.0005)
  {
    const double y = InputCurve(s);
    EXPECT_GE(y, previous) << "s = " << s;
    previous = y;
  }
}

TEST(InputCurve, HoldsTheEndValueBeyondTheTable)
{
  EXPECT_NEAR(kEnd, 0.2058735, 1e-7);
  const double threshold = 199.0 / kScale;
  EXPECT_NEAR(threshold, 1.3999985, 1e-7);
  for (double s : {threshold, 1.4, 2.0, 10.0, 1e6})
  {
    EXPECT_EQ(InputCurve(s), kEnd) << "s = " << s;
    EXPECT_EQ(InputCurve(-s), -kEnd) << "s = " << s;
  }
  EXPECT_LT(InputCurve(std::nextafter(threshold, 0.0)), kEnd);
}

TEST(InputCurve, HugeInputsStillGiveTheEndValue)
{
  const double atIndexLimit = 2147483648.0 / kScale;
  for (double s : {std::nextafter(atIndexLimit, 0.0), atIndexLimit, 1e30, 1e300,
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity()})
  {
    EXPECT_EQ(InputCurve(s), kEnd) << "s = " << s;
    EXPECT_EQ(InputCurve(-s), -kEnd) << "s = " << s;
  }
}

TEST(InputCurve, NotANumberGivesZeroWithItsSignBit)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double positive = InputCurve(std::copysign(nan, 1.0));
  EXPECT_EQ(positive, 0.0);
  EXPECT_FALSE(std::signbit(positive));
  const double negative = InputCurve(std::copysign(nan, -1.0));
  EXPECT_EQ(negative, 0.0);
  EXPECT_TRUE(std::signbit(negative));
}

TEST(InputCurve, MatchesTheLiteralCurveBitForBitInRange)
{
  for (double s = -3.0; s <= 3.0; s += 0.000731)
  {
    EXPECT_EQ(InputCurve(s), LiteralCurve(s)) << "s = " << s;
  }
  for (double s : {1e-300, 5e-324, 1e-10, 0.25, 1e5, -1e5})
  {
    EXPECT_EQ(InputCurve(s), LiteralCurve(s)) << "s = " << s;
  }
}
