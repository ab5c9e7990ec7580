#include "reference/HalfbandOversampler.h"

#include "effect/OnePoleSmoother.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{

constexpr double kPi = 3.141592653589793;

double Identity(double x) { return x; }

// Half a unit in the last of `digits` significant digits of `expected`.
double SignificantTolerance(double expected, int digits)
{
  const double magnitude = std::floor(std::log10(std::fabs(expected)));
  return 0.5 * std::pow(10.0, magnitude - (digits - 1));
}

std::vector<double> ImpulseResponse(int rateExponent, int length)
{
  HalfbandOversampler os(rateExponent);
  std::vector<double> out;
  for (int n = 0; n < length; ++n) out.push_back(os.Process(n == 0 ? 1.0 : 0.0, Identity));
  return out;
}

} // namespace

TEST(HalfbandOversampler, FactorIsTwoToTheRateExponent)
{
  EXPECT_EQ(HalfbandOversampler(0).Factor(), 1);
  EXPECT_EQ(HalfbandOversampler(1).Factor(), 2);
  EXPECT_EQ(HalfbandOversampler(2).Factor(), 4);
  EXPECT_EQ(HalfbandOversampler(3).Factor(), 8);
  EXPECT_EQ(HalfbandOversampler(4).Factor(), 16);
  EXPECT_EQ(HalfbandOversampler(2).RateExponent(), 2);
}

TEST(HalfbandOversampler, FactorOneCallsFunctionDirectly)
{
  HalfbandOversampler os(0);
  int calls = 0;
  const double inputs[] = {1.0, -0.25, 0.0, 3.5};
  for (double x : inputs)
  {
    EXPECT_EQ(os.Process(x,
                         [&](double v)
                         {
                           ++calls;
                           return v * 3.0 + 1.0;
                         }),
              x * 3.0 + 1.0);
  }
  EXPECT_EQ(calls, 4);
}

TEST(HalfbandOversampler, CallsFunctionOncePerOversampledSample)
{
  for (int k = 0; k <= 4; ++k)
  {
    HalfbandOversampler os(k);
    for (int n = 0; n < 10; ++n)
    {
      int calls = 0;
      os.Process(n == 0 ? 1.0 : 0.25,
                 [&](double v)
                 {
                   ++calls;
                   return v;
                 });
      EXPECT_EQ(calls, 1 << k) << "k = " << k;
    }
  }
}

TEST(HalfbandOversampler, ImpulseResponseAtFactorTwo)
{
  const std::array<double, 6> expected = {0.000113004, 0.00486942, 0.0584265,
                                          0.284564,    0.588967,   0.331326};
  const std::vector<double> out = ImpulseResponse(1, 6);
  for (int n = 0; n < 6; ++n)
  {
    EXPECT_NEAR(out[n], expected[n], SignificantTolerance(expected[n], 6)) << "n = " << n;
  }
}

TEST(HalfbandOversampler, ImpulseResponseAtFactorFour)
{
  // The first figure is known to five digits only.
  const std::array<double, 6> expected = {6.9621e-07, 0.000126107, 0.0041886,
                                          0.0486593,  0.246853,    0.56038};
  const std::array<int, 6> digits = {5, 6, 5, 6, 6, 5};
  const std::vector<double> out = ImpulseResponse(2, 6);
  for (int n = 0; n < 6; ++n)
  {
    EXPECT_NEAR(out[n], expected[n], SignificantTolerance(expected[n], digits[n])) << "n = " << n;
  }
}

TEST(HalfbandOversampler, StepSettlesWithinAThousandSamples)
{
  // The slowest pole is the base-rate all-pass of the 12-coefficient stages (0.98782, ringing
  // at Nyquist). At factor 4 the up- and down-stage poles add to a double pole whose ring is
  // still 1.04e-6 at sample 1000 and drops under 1e-6 from sample 1004.
  struct Case
  {
    int rateExponent;
    int settledFrom;
  };
  for (const Case c : {Case{1, 1000}, Case{2, 1004}})
  {
    HalfbandOversampler os(c.rateExponent);
    double worst = 0.0;
    for (int n = 0; n < 3000; ++n)
    {
      const double y = os.Process(1.0, Identity);
      if (n >= c.settledFrom) worst = std::max(worst, std::fabs(y - 1.0));
      if (n == 1000)
      {
        EXPECT_NEAR(y, 1.0, 1.05e-6) << "k = " << c.rateExponent;
      }
    }
    EXPECT_LT(worst, 1e-6) << "k = " << c.rateExponent;
  }
}

TEST(HalfbandOversampler, ConstantInputSettlesToOneAtEveryFactor)
{
  for (int k = 0; k <= 4; ++k)
  {
    HalfbandOversampler os(k);
    double y = 0.0;
    for (int n = 0; n < 5000; ++n) y = os.Process(1.0, Identity);
    EXPECT_NEAR(y, 1.0, 1e-9) << "k = " << k;
  }
}

TEST(HalfbandOversampler, ResetForgetsThePast)
{
  HalfbandOversampler os(2);
  for (int n = 0; n < 50; ++n) os.Process(std::sin(0.3 * n), Identity);
  os.Reset();
  const std::vector<double> fresh = ImpulseResponse(2, 20);
  for (int n = 0; n < 20; ++n) EXPECT_EQ(os.Process(n == 0 ? 1.0 : 0.0, Identity), fresh[n]);
}

TEST(HalfbandOversampler, FunctionRunsAtTheRaisedRate)
{
  // A smoother advanced inside the callback moves once per oversampled sample.
  HalfbandOversampler os(2);
  OnePoleSmoother gain;
  gain.SetRate(4 * 48000.0);
  OnePoleSmoother reference = gain;
  for (int n = 0; n < 100; ++n)
  {
    os.Process(0.5, [&](double v) { return v * gain.Advance(1.0); });
    for (int i = 0; i < 4; ++i) reference.Advance(1.0);
  }
  EXPECT_EQ(gain.z, reference.z);
}

TEST(HalfbandOversampler, OversampledSineKeepsItsLevel)
{
  // A 1 kHz sine at 48 kHz passes interpolator and decimator with unity gain. The amplitude is
  // read by correlation over whole periods, because the path delays the sine by a fraction of
  // a sample and the sample peaks miss the crest.
  const double w = 2.0 * kPi * 1000.0 / 48000.0;
  for (int k = 1; k <= 4; ++k)
  {
    HalfbandOversampler os(k);
    double sinSum = 0.0;
    double cosSum = 0.0;
    const int settle = 4800;
    const int length = 4800;
    for (int n = 0; n < settle + length; ++n)
    {
      const double y = os.Process(std::sin(w * n), Identity);
      if (n >= settle)
      {
        sinSum += y * std::sin(w * n);
        cosSum += y * std::cos(w * n);
      }
    }
    const double amplitude = 2.0 * std::hypot(sinSum, cosSum) / length;
    EXPECT_NEAR(amplitude, 1.0, 1e-6) << "k = " << k;
  }
}
