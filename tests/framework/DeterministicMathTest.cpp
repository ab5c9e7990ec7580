#include "framework/DeterministicMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace
{

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Arguments must be the same on every platform, so no <random> distributions (their output is
// left to the library): splitmix64 and a fixed seed.
struct Arguments
{
  std::uint64_t state = 0x4b4f5255u;
  std::uint64_t Next()
  {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi).
  double Uniform(double lo, double hi) { return lo + (hi - lo) * (double(Next() >> 11) * 0x1p-53); }
};

// Distance in units in the last place between two finite doubles of one sign.
std::int64_t UlpDistance(double a, double b)
{
  std::int64_t ia, ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  return ia > ib ? ia - ib : ib - ia;
}

} // namespace

TEST(DeterministicMath, SpecialCases)
{
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
TEST(DeterministicMath, WholeDecadesAndDecibels)
{
  EXPECT_EQ(dmath::Log10(10.0), 1.0);
  EXPECT_EQ(dmath::Log10(100.0), 2.0);
  EXPECT_EQ(dmath::Log10(0.001), -3.0);
  EXPECT_EQ(dmath::Exp10(1.0), 10.0);
  EXPECT_EQ(dmath::Exp10(2.0), 100.0);
  EXPECT_NEAR(dmath::Exp10(-6.0 / 20.0), 0.5011872336272722, 1e-16);
  EXPECT_NEAR(20 * dmath::Log10(0.5), -6.020599913279624, 1e-14);
}

// Within one unit in the last place of the C library over the ranges the chain uses and beyond.
TEST(DeterministicMath, AgreesWithTheCLibraryWithinOneUlp)
{
  Arguments args;
  constexpr int kSamples = 20000;
  std::int64_t worstExp = 0, worstExp10 = 0, worstExp10Db = 0, worstLog10 = 0;
  for (int i = 0; i < kSamples; ++i)
  {
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

namespace
{

// FNV-1a over the bit patterns of the results, a byte at a time from the low end so that the
// value does not depend on the machine's byte order.
struct BitsHash
{
  std::uint64_t value = 0xcbf29ce484222325u;
  void Add(double x)
  {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    for (int i = 0; i < 8; ++i)
    {
      value ^= (bits >> (8 * i)) & 0xffu;
      value *= 0x100000001b3u;
    }
  }
};

// Magnitudes spread evenly over binades, [2^lo, 2^(hi+1)); ldexp is exact on every platform.
double LogUniform(Arguments& args, int lo, int hi)
{
  return std::ldexp(args.Uniform(1.0, 2.0), lo + int(args.Next() % std::uint64_t(hi - lo + 1)));
}

constexpr int kGoldenSamples = 4096;

std::uint64_t ExpGoldenHash()
{
  Arguments args{0x65787030u};
  BitsHash hash;
  for (int i = 0; i < kGoldenSamples; ++i)
  {
    hash.Add(dmath::Exp(-args.Uniform(1e-4, 50.0))); // envelope and smoothing coefficients
    hash.Add(dmath::Exp(
        -LogUniform(args, -40, 1))); // time constants of fractions of a sample up to hours
    hash.Add(dmath::Exp(args.Uniform(-1.0, 1.0))); // around zero
  }
  return hash.value;
}

std::uint64_t Exp10GoldenHash()
{
  Arguments args{0x65787031u};
  BitsHash hash;
  for (int i = 0; i < kGoldenSamples; ++i)
  {
    hash.Add(dmath::Exp10(args.Uniform(-5.0, 2.0)));
    hash.Add(dmath::Exp10(double(int(args.Next() % 2401) - 1600) /
                          200.0)); // -160..+80 dB in 0.1 dB steps, over 20
  }
  return hash.value;
}

std::uint64_t Log10GoldenHash()
{
  Arguments args{0x6c6f6731u};
  BitsHash hash;
  for (int i = 0; i < kGoldenSamples; ++i)
  {
    hash.Add(dmath::Log10(
        LogUniform(args, -40, 2))); // 1e-12 .. 8: levels from the floor to over full scale
    hash.Add(dmath::Log10(args.Uniform(1e-12, 10.0)));
  }
  return hash.value;
}

} // namespace

// Renders must be the same bits on every machine: these hashes of results over fixed arguments
// were taken on Linux (x86-64, g++) and are the same from the MinGW build running on Windows.
// A change here means a rendered project sounds different to the last bit; do not just update them.
TEST(DeterministicMath, ResultsMatchTheGoldenHashes)
{
  EXPECT_EQ(ExpGoldenHash(), 0x5e9c10a67638dd40u);
  EXPECT_EQ(Exp10GoldenHash(), 0xd20e619ffeb3e7dau);
  EXPECT_EQ(Log10GoldenHash(), 0xdf49e8485f182ad5u);
}

// Every whole decade from the level floor to far above full scale, both ways.
TEST(DeterministicMath, WholeDecadesAcrossTheLevelRange)
{
  const double decades[] = {1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4,
                            1e-3,  1e-2,  1e-1,  1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                            1e6,   1e7,   1e8,   1e9,  1e10, 1e11, 1e12};
  int n = -12;
  for (const double decade : decades)
  {
    EXPECT_EQ(dmath::Exp10(double(n)), decade) << "10^" << n;
    EXPECT_EQ(dmath::Log10(decade), double(n)) << "10^" << n;
    ++n;
  }
}

// Exp10 skips pow's logarithm of the constant base but must stay pow(10, x) to the bit: over
// the gains, the whole double range, the edges of overflow and underflow (subnormal results
// included) and pow's special exponents.
TEST(DeterministicMath, Exp10IsPowOfTenToTheBit)
{
  auto same = [](double x)
  {
    const double a = dmath::Exp10(x), b = koru_dmath_pow(10.0, x);
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
  };
  Arguments args{0x31307870u};
  int mismatches = 0;
  for (int i = 0; i < 50000; ++i)
  {
    mismatches += !same(args.Uniform(-10.0, 10.0));
    mismatches += !same(args.Uniform(-330.0, 310.0));
    mismatches += !same(args.Uniform(-324.5, -307.0)); // subnormal results
    mismatches += !same(args.Uniform(307.5, 308.5));   // around overflow
    mismatches += !same((args.Next() & 1 ? -1 : 1) * LogUniform(args, -80, 70));
  }
  EXPECT_EQ(mismatches, 0);
  for (const double x : {0.0,
                         -0.0,
                         kInf,
                         -kInf,
                         kNaN,
                         0x1p-66,
                         -0x1p-66,
                         0x1p-65,
                         0x1p63,
                         -0x1p63,
                         0x1p62,
                         1e300,
                         -1e300,
                         std::numeric_limits<double>::denorm_min(),
                         308.25,
                         308.2547155599167,
                         -323.3062153431158,
                         -324.0,
                         1.0,
                         -1.0,
                         22.0,
                         -22.0})
    EXPECT_TRUE(same(x)) << x;
}
