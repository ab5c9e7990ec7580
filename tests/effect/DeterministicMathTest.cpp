#include "effect/DeterministicMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Arguments must be the same on every platform, so no <random> distributions (their output is
// left to the library): splitmix64 and a fixed seed.
struct Arguments {
  std::uint64_t state = 0x4b4f5255u;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi).
  double Uniform(double lo, double hi) { return lo + (hi - lo) * (double(Next() >> 11) * 0x1p-53); }
};

// Distance in units in the last place between two finite doubles of one sign.
std::int64_t UlpDistance(double a, double b) {
  std::int64_t ia, ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  return ia > ib ? ia - ib : ib - ia;
}

}  // namespace

TEST(DeterministicMath, SpecialCases) {
  EXPECT_EQ(dmath::Exp(0.0), 1.0);
  EXPECT_EQ(dmath::Exp(-0.0), 1.0);
  EXPECT_EQ(dmath::Exp(-kInf), 0.0);
  EXPECT_EQ(dmath::Exp(kInf), kInf);
  EXPECT_EQ(dmath::Exp(710.0), kInf);
  EXPECT_EQ(dmath::Exp(-746.0), 0.0);

  // Unity gain must stay unity: 0 dB is exactly 1.
  EXPECT_EQ(dmath::Exp10(0.0), 1.0);
  EXPECT_EQ(dmath::Exp10(-0.0), 1.0);
  EXPECT_EQ(dmath::Exp10(-kInf), 0.0);
  EXPECT_EQ(dmath::Exp10(kInf), kInf);
  EXPECT_EQ(dmath::Exp10(309.0), kInf);
  EXPECT_EQ(dmath::Exp10(-324.0), 0.0);

  EXPECT_EQ(dmath::Log10(1.0), 0.0);
  EXPECT_EQ(dmath::Log10(0.0), -kInf);
  EXPECT_EQ(dmath::Log10(-0.0), -kInf);
  EXPECT_EQ(dmath::Log10(kInf), kInf);
  EXPECT_TRUE(std::isnan(dmath::Log10(-1.0)));

  EXPECT_TRUE(std::isnan(dmath::Exp(kNaN)));
  EXPECT_TRUE(std::isnan(dmath::Exp10(kNaN)));
  EXPECT_TRUE(std::isnan(dmath::Log10(kNaN)));
}

// Decibel figures the chain leans on; these are exact in any faithful implementation.
TEST(DeterministicMath, WholeDecadesAndDecibels) {
  EXPECT_EQ(dmath::Log10(10.0), 1.0);
  EXPECT_EQ(dmath::Log10(100.0), 2.0);
  EXPECT_EQ(dmath::Log10(0.001), -3.0);
  EXPECT_EQ(dmath::Exp10(1.0), 10.0);
  EXPECT_EQ(dmath::Exp10(2.0), 100.0);
  EXPECT_NEAR(dmath::Exp10(-6.0 / 20.0), 0.5011872336272722, 1e-16);
  EXPECT_NEAR(20 * dmath::Log10(0.5), -6.020599913279624, 1e-14);
}

// Within one unit in the last place of the C library over the ranges the chain uses and beyond.
TEST(DeterministicMath, AgreesWithTheCLibraryWithinOneUlp) {
  Arguments args;
  constexpr int kSamples = 20000;
  std::int64_t worstExp = 0, worstExp10 = 0, worstExp10Db = 0, worstLog10 = 0;
  for (int i = 0; i < kSamples; ++i) {
    const double x = args.Uniform(-708.0, 709.0);
    worstExp = std::max(worstExp, UlpDistance(dmath::Exp(x), std::exp(x)));

    const double d = args.Uniform(-307.0, 308.0);
    worstExp10 = std::max(worstExp10, UlpDistance(dmath::Exp10(d), std::pow(10.0, d)));

    // Gains in decibels over twenty: the effect's everyday arguments.
    const double g = args.Uniform(-10.0, 10.0);
    worstExp10Db = std::max(worstExp10Db, UlpDistance(dmath::Exp10(g), std::pow(10.0, g)));

    // Positive doubles across every binade, subnormals included.
    const double y = std::ldexp(args.Uniform(0.5, 1.0), int(args.Next() % 2098) - 1073);
    worstLog10 = std::max(worstLog10, UlpDistance(dmath::Log10(y), std::log10(y)));
  }
  EXPECT_LE(worstExp, 1);
  EXPECT_LE(worstExp10, 1);
  EXPECT_LE(worstExp10Db, 1);
  EXPECT_LE(worstLog10, 1);
}
