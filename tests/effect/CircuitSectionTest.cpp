#include "effect/CircuitSection.h"

#include <array>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>

namespace
{

constexpr double kFs = 48000.0;
constexpr double kPi = 3.141592653589793;

double SignificantTolerance(double expected, int digits)
{
  const double magnitude = std::floor(std::log10(std::fabs(expected)));
  return 0.5 * std::pow(10.0, magnitude - (digits - 1));
}

void ExpectCoefficients(const CircuitSection& q, const std::array<double, 6>& expected)
{
  const std::array<double, 6> actual = {q.a0, q.a1, q.a2, q.b0, q.b1, q.b2};
  const char* names[] = {"a0", "a1", "a2", "b0", "b1", "b2"};
  for (int i = 0; i < 6; ++i)
  {
    EXPECT_NEAR(actual[i], expected[i], SignificantTolerance(expected[i], 6)) << names[i];
  }
}

// Response of the designed biquad at frequency f for a section stepped at rate.
std::complex<double> Response(const CircuitSection& q, double f, double rate)
{
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / rate);
  const std::complex<double> z2 = z1 * z1;
  return (q.b0 + q.b1 * z1 + q.b2 * z2) / (q.a0 + q.a1 * z1 + q.a2 * z2);
}

double ResponseDb(const CircuitSection& q, double f, double rate)
{
  return 20.0 * std::log10(std::abs(Response(q, f, rate)));
}

// The sections as the effect designs them at 48 kHz with the constant controls settled
// (1.0 for the high circuit, 0.3 for the low one). High and mid take 1 - position.
CircuitSection High(double highPos)
{
  CircuitSection q;
  DesignHigh(q, 0.25 * kFs, 1.0 - highPos, 1.0);
  return q;
}

CircuitSection Low(double lowPos)
{
  CircuitSection q;
  DesignLow(q, kFs, lowPos, 0.3);
  return q;
}

// The mid section runs at twice the base rate but its rate constant uses the base rate.
CircuitSection Mid(double midPos, double midFreqPos)
{
  CircuitSection q;
  DesignMid(q, 5.0 * kFs * (1.0 - midFreqPos), 1.0 - midPos);
  return q;
}

struct Extremum
{
  double frequency;
  double db;
};

// Largest deviation from 0 dB on a fine logarithmic grid from 20 Hz to 20 kHz.
Extremum MidExtremum(const CircuitSection& q)
{
  Extremum e{0.0, 0.0};
  for (double f = 20.0; f <= 20000.0; f *= 1.0005)
  {
    const double db = ResponseDb(q, f, 2.0 * kFs);
    if (std::fabs(db) > std::fabs(e.db)) e = {f, db};
  }
  return e;
}

} // namespace

TEST(CircuitSection, StartsAtZero)
{
  const CircuitSection q;
  const std::array<double, 12> fields = {q.lastInput, q.lastOutput, q.x1, q.x2, q.y1, q.y2,
                                         q.a0,        q.a1,         q.a2, q.b0, q.b1, q.b2};
  for (double v : fields) EXPECT_EQ(v, 0.0);
}

TEST(CircuitSectionDesign, HighCoefficients)
{
  CircuitSection q;
  DesignHigh(q, 12000.0, 0.5, 1.0);
  ExpectCoefficients(q, {0.0963783, -0.164096, 0.0677366, -0.0901772, 0.152808, -0.0626488});
}

TEST(CircuitSectionDesign, LowCoefficients)
{
  CircuitSection q;
  DesignLow(q, 48000.0, 0.5, 0.3);
  ExpectCoefficients(q, {1.34503, -0.921366, -0.389432, -1.345, 0.921348, 0.389424});
}

TEST(CircuitSectionDesign, MidCoefficients)
{
  CircuitSection q;
  DesignMid(q, 237600.0, 0.5);
  ExpectCoefficients(q, {22.9116, -45.0215, 22.112, -22.9111, 45.0206, -22.1115});
}

TEST(CircuitSectionDesign, LeavesTheMemoriesAlone)
{
  CircuitSection q;
  DesignLow(q, kFs, 0.5, 0.3);
  Step(q, 0.5);
  Step(q, -0.25);
  const CircuitSection before = q;
  DesignHigh(q, 0.25 * kFs, 0.3, 1.0);
  EXPECT_EQ(q.x1, before.x1);
  EXPECT_EQ(q.x2, before.x2);
  EXPECT_EQ(q.y1, before.y1);
  EXPECT_EQ(q.y2, before.y2);
  EXPECT_EQ(q.lastInput, before.lastInput);
  EXPECT_EQ(q.lastOutput, before.lastOutput);
}

TEST(CircuitSectionStep, DividesByA0OnEveryStep)
{
  CircuitSection q;
  q.a0 = 2.0;
  q.a1 = -0.5;
  q.a2 = 0.25;
  q.b0 = 1.0;
  q.b1 = 0.5;
  q.b2 = -1.0;
  EXPECT_EQ(Step(q, 1.0), 0.5);                // (1) / 2
  EXPECT_EQ(Step(q, 0.0), (0.5 + 0.25) / 2.0); // (b1 x1 - a1 y1) / a0
  EXPECT_EQ(Step(q, 0.0), (-1.0 + 0.5 * 0.375 - 0.25 * 0.5) / 2.0);
  EXPECT_EQ(q.x1, 0.0);
  EXPECT_EQ(q.x2, 0.0);
  EXPECT_EQ(q.y2, 0.375);
  EXPECT_EQ(q.lastInput, 0.0);
  EXPECT_EQ(q.lastOutput, q.y1);
}

TEST(CircuitSectionStep, KeepsInputsAndOutputs)
{
  CircuitSection q;
  DesignMid(q, 120000.0, 0.3);
  const double y0 = Step(q, 0.25);
  const double y1 = Step(q, -0.5);
  EXPECT_EQ(q.x1, -0.5);
  EXPECT_EQ(q.x2, 0.25);
  EXPECT_EQ(q.y1, y1);
  EXPECT_EQ(q.y2, y0);
  EXPECT_EQ(q.lastInput, -0.5);
  EXPECT_EQ(q.lastOutput, y1);
}

TEST(CircuitSectionStep, StepResponseReachesTheDcGain)
{
  // At DC the biquad's gain is B0 / A0 of the circuit: close to -1 at the flat setting.
  CircuitSection q = Low(0.5);
  double y = 0.0;
  for (int n = 0; n < 20000; ++n) y = Step(q, 1.0);
  EXPECT_NEAR(y, (q.b0 + q.b1 + q.b2) / (q.a0 + q.a1 + q.a2), 1e-9);
  EXPECT_NEAR(y, -0.99998, 5e-6);
}

TEST(CircuitSectionStep, ZeroA0GivesSilenceNotInfinity)
{
  CircuitSection q;
  DesignHigh(q, 0.25 * kFs, 0.5, 1.0);
  Step(q, 1.0);
  q.a0 = 0.0;
  EXPECT_EQ(Step(q, 0.5), 0.0);
  // The memories still move on.
  EXPECT_EQ(q.x1, 0.5);
  EXPECT_EQ(q.x2, 1.0);
  EXPECT_EQ(q.y1, 0.0);
  EXPECT_EQ(q.lastOutput, 0.0);
  // And a fresh section, all zero, stays silent.
  CircuitSection fresh;
  EXPECT_EQ(Step(fresh, 1.0), 0.0);
}

TEST(CircuitSectionStep, HighCircuitAtVeryHighRatesRightAfterConstruction)
{
  // With its controls still at 0 the high circuit's a0 goes through zero between 384 and
  // 768 kHz (its A2 constant is negative). At 768 kHz it is negative but not zero, so the
  // step divides as usual and stays finite.
  CircuitSection q;
  DesignHigh(q, 0.25 * 768000.0, 0.0, 0.0);
  EXPECT_LT(q.a0, 0.0);
  const double y = Step(q, 1.0);
  EXPECT_TRUE(std::isfinite(y));
  EXPECT_EQ(y, (q.b0 * 1.0) / q.a0);
}

TEST(CircuitSectionStep, A0StaysPositiveForEveryControlUpTo384kHz)
{
  // The effect's high-band b stays between 0.12 c and 0.88 c, as both smoothers start at 0.
  for (double fs : {44100.0, 48000.0, 96000.0, 192000.0, 384000.0})
  {
    for (double c = 0.0; c <= 1.0; c += 0.05)
    {
      for (double share = 0.12; share <= 0.8801; share += 0.04)
      {
        CircuitSection q;
        DesignHigh(q, 0.25 * fs, share * c, c);
        EXPECT_GT(q.a0, 0.0) << "fs " << fs << " b " << share * c << " c " << c;
      }
    }
  }
}

TEST(CircuitSectionShape, FlatSettingsInvertPolarity)
{
  for (double f : {20.0, 100.0, 1000.0, 5000.0, 20000.0})
  {
    const std::complex<double> low = Response(Low(0.5), f, kFs);
    EXPECT_NEAR(low.real(), -0.99998, 5e-6) << f;
    EXPECT_NEAR(low.imag(), 0.0, 5e-6) << f;
    const std::complex<double> mid = Response(Mid(0.5, 0.5), f, 2.0 * kFs);
    EXPECT_NEAR(mid.real(), -0.99998, 5e-6) << f;
    EXPECT_NEAR(mid.imag(), 0.0, 5e-6) << f;
  }
  // At 1 kHz the high circuit's response is -0.957 with a small phase shift.
  const std::complex<double> high = Response(High(0.5), 1000.0, kFs);
  EXPECT_NEAR(high.real(), -0.957, 5e-4);
  EXPECT_NEAR(high.imag(), 0.0, 0.01);
  EXPECT_NEAR(ResponseDb(High(0.5), 1000.0, kFs), -0.38, 0.005);
  EXPECT_NEAR(ResponseDb(High(0.5), 20000.0, kFs), -0.62, 0.005);
}

TEST(CircuitSectionShape, HighShelf)
{
  EXPECT_NEAR(ResponseDb(High(0.88), 20000.0, kFs), 14.7, 0.05);
  EXPECT_NEAR(ResponseDb(High(0.88), 5000.0, kFs), 8.1, 0.05);
  EXPECT_NEAR(ResponseDb(High(0.12), 20000.0, kFs), -17.7, 0.05);
}

TEST(CircuitSectionShape, LowShelf)
{
  EXPECT_NEAR(ResponseDb(Low(0.9), 20.0, kFs), 13.4, 0.05);
  EXPECT_NEAR(ResponseDb(Low(0.9), 500.0, kFs), 0.9, 0.05);
  EXPECT_NEAR(ResponseDb(Low(0.1), 20.0, kFs), -13.4, 0.05);
  EXPECT_NEAR(ResponseDb(Low(0.1), 500.0, kFs), -0.9, 0.05);
}

TEST(CircuitSectionShape, MidPeakAndDip)
{
  struct Case
  {
    double freqPos;
    double centre;
  };
  for (const Case c : {Case{0.01, 145.0}, Case{0.5, 284.0}, Case{0.979, 6600.0}})
  {
    const Extremum peak = MidExtremum(Mid(0.9, c.freqPos));
    EXPECT_NEAR(peak.db, 12.24, 0.005) << c.freqPos;
    EXPECT_NEAR(peak.frequency, c.centre, 0.02 * c.centre) << c.freqPos;
    const Extremum dip = MidExtremum(Mid(0.1, c.freqPos));
    EXPECT_NEAR(dip.db, -12.24, 0.005) << c.freqPos;
    EXPECT_NEAR(dip.frequency, c.centre, 0.02 * c.centre) << c.freqPos;
  }
}

TEST(CircuitSectionStability, JuryConditions)
{
  CircuitSection s;
  EXPECT_FALSE(HasStablePoles(s)); // nothing designed yet
  s.a0 = 1.0;
  s.a1 = -1.8;
  s.a2 = 0.81; // double pole at 0.9
  EXPECT_TRUE(HasStablePoles(s));
  s.a2 = 1.0; // on the unit circle
  EXPECT_FALSE(HasStablePoles(s));
  s.a1 = -2.1;
  s.a2 = 1.1025; // double pole at 1.05
  EXPECT_FALSE(HasStablePoles(s));
  s.a0 = -1.0;
  s.a1 = 1.8;
  s.a2 = -0.81; // same poles, negated polynomial
  EXPECT_TRUE(HasStablePoles(s));
}

TEST(CircuitSectionStability, TheHighModelIsUnstableWhileItsShapeControlIsNearZero)
{
  CircuitSection s;
  DesignHigh(s, 12000.0, 0.0, 0.0);
  EXPECT_FALSE(HasStablePoles(s));
  DesignHigh(s, 12000.0, 0.5, 1.0);
  EXPECT_TRUE(HasStablePoles(s));
  // Once the shape control has settled every position is stable, up to very high rates.
  for (double K : {0.25 * 22050.0, 12000.0, 0.25 * 192000.0, 0.25 * 1.5e6})
    for (double b : {0.12, 0.5, 0.88})
    {
      DesignHigh(s, K, b, 1.0);
      EXPECT_TRUE(HasStablePoles(s)) << K << " " << b;
    }
}

TEST(CircuitSectionStability, TheStableHighDesignKeepsTheLastStableCoefficients)
{
  CircuitSection s;
  DesignHighStable(s, 48000.0, 0.0, 0.0);
  EXPECT_EQ(s.a0, 0.0); // nothing stable yet: the section stays silent
  EXPECT_EQ(Step(s, 1.0), 0.0);

  DesignHighStable(s, 48000.0, 0.5, 1.0);
  CircuitSection reference;
  DesignHigh(reference, 48000.0, 0.5, 1.0);
  EXPECT_EQ(s.a0, reference.a0);
  EXPECT_EQ(s.b2, reference.b2);

  DesignHighStable(s, 48000.0, 0.0, 0.0); // unstable: ignored
  EXPECT_EQ(s.a0, reference.a0);
  EXPECT_EQ(s.a1, reference.a1);
  EXPECT_EQ(s.b1, reference.b1);
}
