#include "effect/OnePoleSmoother.h"

#include "framework/DeterministicMath.h"

#include <cmath>
#include <gtest/gtest.h>

namespace
{

constexpr double kPi = 3.141592653589793;

} // namespace

TEST(OnePoleSmoother, PassesTargetThroughUntilRateIsSet)
{
  OnePoleSmoother s;
  EXPECT_EQ(s.Advance(0.7), 0.7);
  EXPECT_EQ(s.z, 0.7);
}

TEST(OnePoleSmoother, GlidesAtOneHertz)
{
  OnePoleSmoother s;
  s.SetRate(48000.0);
  EXPECT_EQ(s.b, dmath::Exp(-6.283185307179586 / 48000.0));
  EXPECT_EQ(s.a, 1.0 - s.b);
  double z = 0.0;
  for (int n = 0; n < 48000; ++n) z = s.Advance(1.0);
  // One second of a 1 Hz one-pole: 1 - e^(-2 pi).
  EXPECT_NEAR(z, 1.0 - std::exp(-2.0 * kPi), 1e-6);
}

TEST(OnePoleSmoother, FollowsANewRateAtOnce)
{
  OnePoleSmoother s;
  s.SetRate(48000.0);
  for (int n = 0; n < 1000; ++n) s.Advance(0.5);
  const double z = s.z;
  s.SetRate(96000.0);
  // The state is kept; only the coefficients change.
  EXPECT_EQ(s.z, z);
  EXPECT_EQ(s.Advance(0.5), s.a * 0.5 + s.b * z);
}
