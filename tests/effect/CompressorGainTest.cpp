#include "effect/CompressorGain.h"

#include "framework/DeterministicMath.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

constexpr double kFs = 48000.0;

double Db(double gain) { return 20.0 * std::log10(gain); }

// The step as written, in one piece, to pin every result to the last bit.
double LiteralStep(double H, double inL, double inR, double peakIn, double T, double fs)
{
  const double h = dmath::Exp(-62.83185307 / fs);
  const double t = dmath::Exp(T / (fs * 10 / 1000) / 8.65617025);
  const double u = dmath::Exp(T / (fs * peakIn / 1000) / 8.65617025);
  const double x = std::max(std::fabs(inR), std::fabs(inL));
  const double k = 1 - h;
  const double y1 = std::sqrt(k * x);
  const double level = x > y1 ? x : std::sqrt(k * x + h * (k * x));
  const double E = 20 * dmath::Log10(level);
  double F;
  if (T - 6 > E)
  {
    F = 0;
  }
  else if (E > T + 6)
  {
    F = (E - T) * -0.6666666666666667;
  }
  else
  {
    F = (E - (T - 6)) * (E - (T - 6)) * -0.02777777777777778;
  }
  const double G = dmath::Exp10(F / 20);
  if (H > G) return std::max(G, H * t);
  if (std::isnan(H / u)) return G;
  return std::min(H / u, G);
}

} // namespace

TEST(CompressorDetector, ReadsTheLouderChannel)
{
  EXPECT_EQ(CompressorLevelDb(0.5, -0.1, kFs), CompressorLevelDb(0.5, 0.0, kFs));
  EXPECT_EQ(CompressorLevelDb(0.1, -0.5, kFs), CompressorLevelDb(0.5, 0.0, kFs));
  EXPECT_NEAR(CompressorLevelDb(0.5, 0.2, kFs), -6.0206, 1e-4);
  EXPECT_NEAR(CompressorLevelDb(0.1, 0.0, kFs), -20.0, 1e-12);
}

TEST(CompressorDetector, ReadsQuietSignalsHigh)
{
  // Below x = 1 - h (about -57.7 dBFS at 48 kHz) the level is sqrt((1 - h^2) x).
  EXPECT_NEAR(CompressorLevelDb(1e-4, 0.0, kFs), -65.8, 0.05);
  const double h = dmath::Exp(-62.83185307 / kFs);
  EXPECT_NEAR(Db(1.0 - h), -57.7, 0.05);
  EXPECT_NEAR(CompressorLevelDb(1e-4, 0.0, kFs), Db(std::sqrt((1.0 - h * h) * 1e-4)), 1e-9);
}

TEST(CompressorCurve, FlatBelowTheKnee)
{
  EXPECT_EQ(CompressorTargetGain(-40.0, -20.0), 1.0);
  EXPECT_EQ(CompressorTargetGain(-26.0, -20.0), 1.0);
  EXPECT_EQ(CompressorTargetGain(-100.0, 0.0), 1.0);
}

TEST(CompressorCurve, SoftKneeOfTwelveDecibels)
{
  EXPECT_NEAR(Db(CompressorTargetGain(-20.0, -20.0)), -1.0, 1e-12);
  // The knee and the 3:1 slope meet at T + 6 with -4 dB.
  EXPECT_NEAR(Db(CompressorTargetGain(-14.0, -20.0)), -4.0, 1e-12);
  EXPECT_NEAR(Db(CompressorTargetGain(std::nextafter(-14.0, 0.0), -20.0)), -4.0, 1e-12);
}

TEST(CompressorCurve, ThreeToOneAboveTheKnee)
{
  EXPECT_NEAR(Db(CompressorTargetGain(0.0, -20.0)), -20.0 * 2.0 / 3.0, 1e-9);
  EXPECT_NEAR(Db(CompressorTargetGain(-6.0206, -20.0)), -9.3196, 1e-4);
  EXPECT_NEAR(CompressorTargetGain(CompressorLevelDb(0.5, 0.5, kFs), -20.0), 0.341995, 5e-7);
}

TEST(CompressorGain, AttackFallsByAtMostTPerSample)
{
  // T = -20 dB at 48 kHz: t = 0.995198, about 20.07 dB in 10 ms.
  const double t = CompressorGain(1.0, 1.0, 1.0, 1.0, -20.0, kFs);
  EXPECT_NEAR(t, 0.995198, 5e-7);
  EXPECT_EQ(t, dmath::Exp(-20.0 / (kFs * 10 / 1000) / 8.65617025));
  // A +20 dB input asks for -26.7 dB, deeper than 10 ms of attack can reach.
  double gain = 1.0;
  for (int n = 0; n < 480; ++n) gain = CompressorGain(gain, 10.0, 10.0, 10.0, -20.0, kFs);
  EXPECT_NEAR(Db(gain), -20.07, 0.01);
}

TEST(CompressorGain, AttackStopsAtTheTarget)
{
  double gain = 1.0;
  for (int n = 0; n < 1000; ++n) gain = CompressorGain(gain, 0.5, -0.5, 0.5, -20.0, kFs);
  EXPECT_NEAR(gain, 0.341995, 5e-7);
  EXPECT_EQ(gain, CompressorTargetGain(CompressorLevelDb(0.5, -0.5, kFs), -20.0));
}

TEST(CompressorGain, ReleaseRateFollowsTheInputPeak)
{
  // Per-sample rise of about |T| dB spread over peakIn milliseconds: 20 dB over 0.5 ms.
  const double u = dmath::Exp(-20.0 / (kFs * 0.5 / 1000) / 8.65617025);
  EXPECT_EQ(CompressorGain(0.05, 0.0, 0.0, 0.5, -20.0, kFs), 0.05 / u);
  double gain = 0.05;
  for (int n = 0; n < 24; ++n) gain = CompressorGain(gain, 0.0, 0.0, 0.5, -20.0, kFs);
  EXPECT_NEAR(Db(gain / 0.05), 20.07, 0.01);
  for (int n = 0; n < 100; ++n) gain = CompressorGain(gain, 0.0, 0.0, 0.5, -20.0, kFs);
  EXPECT_EQ(gain, 1.0);
}

TEST(CompressorGain, NoCompressionAtThresholdZero)
{
  // t = u = 1 for any non-zero peak: the gain stays where it is.
  EXPECT_EQ(CompressorGain(1.0, 1.0, 1.0, 1.0, 0.0, kFs), 1.0);
  EXPECT_EQ(CompressorGain(1.0, 0.9, -0.3, 0.9, 0.0, kFs), 1.0);
  EXPECT_EQ(CompressorGain(0.5, 0.0, 0.0, 0.25, 0.0, kFs), 0.5);
  EXPECT_EQ(CompressorGain(0.5, 0.2, 0.2, 0.25, 0.0, kFs), 0.5);
}

TEST(CompressorGain, SilenceJumpsToTheTarget)
{
  // peakIn = 0 with T < 0: u = 0, H / u is infinite and the gain takes G at once.
  EXPECT_EQ(CompressorGain(0.25, 1e-10, 1e-10, 0.0, -20.0, kFs), 1.0);
  // With T = 0 as well, H / u is 0 / 0: the gain becomes G.
  EXPECT_EQ(CompressorGain(0.25, 1e-10, 1e-10, 0.0, 0.0, kFs), 1.0);
  // Attack does not depend on peakIn.
  EXPECT_EQ(CompressorGain(1.0, 0.5, 0.5, 0.0, -20.0, kFs),
            CompressorGain(1.0, 0.5, 0.5, 0.7, -20.0, kFs));
}

TEST(CompressorGain, GainFollowsTheTargetThroughTheSilentPath)
{
  // A tiny gain released from silence lands exactly on G, the cleanest read of the curve.
  const double G = CompressorGain(1e-300, 1e-4, 0.0, 0.0, -66.0, kFs);
  EXPECT_EQ(G, CompressorTargetGain(CompressorLevelDb(1e-4, 0.0, kFs), -66.0));
  // -65.8 dB is in the knee of a -66 dB threshold: F = (E + 72)^2 / -36.
  EXPECT_NEAR(Db(G), -(6.2 * 6.2) / 36.0, 0.02);
}

TEST(CompressorGain, MatchesTheStepAsWrittenBitForBit)
{
  for (double fs : {44100.0, 48000.0, 96000.0})
  {
    for (double T : {0.0, -0.37, -12.5, -48.0, -96.0})
    {
      for (double x : {0.0, 1e-6, 3e-3, 0.05, 0.3, 0.9, 1.7})
      {
        for (double H : {1.0, 0.6, 0.05})
        {
          for (double peak : {0.0, 0.01, 0.8})
          {
            EXPECT_EQ(CompressorGain(H, x, -0.5 * x, peak, T, fs),
                      LiteralStep(H, x, -0.5 * x, peak, T, fs))
                << "fs " << fs << " T " << T << " x " << x << " H " << H << " peak " << peak;
          }
        }
      }
    }
  }
}
