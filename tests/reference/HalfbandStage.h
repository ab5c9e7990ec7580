#pragma once

#include <array>
#include <cmath>
#include <cstddef>

// One rate-doubling or rate-halving step: two parallel chains of first-order all-pass
// sections (c + z^-1) / (1 + c z^-1) running at the lower rate. Coefficients are dealt
// alternately: chain 0 takes c[0], c[2], ..., chain 1 takes c[1], c[3], ....
// Value type; no allocation, audio thread only.
template <std::size_t N>
class HalfbandStage
{
public:
  explicit HalfbandStage(const std::array<double, N>& coefficients) : mCoefficients(coefficients)
  {
    Reset();
  }

  void Reset()
  {
    mLastInputs.fill(0.0);
    mLastOutputs.fill(0.0);
  }

  // False once a memory holds a non-number or an infinity.
  bool IsFinite() const
  {
    for (std::size_t i = 0; i < N; ++i)
      if (!std::isfinite(mLastInputs[i]) || !std::isfinite(mLastOutputs[i])) return false;
    return true;
  }

  // Up-stage: one sample in, two out; chain 0 gives the earlier sample, chain 1 the later.
  void Up(double s, double& first, double& second)
  {
    first = Chain(0, s);
    second = Chain(1, s);
  }

  // Down-stage: two samples in (s0 earlier, s1 later), one out. The later sample goes
  // through chain 0 so that the two paths line up again.
  double Down(double s0, double s1)
  {
    const double y0 = Chain(0, s1);
    const double y1 = Chain(1, s0);
    return (y0 + y1) * 0.5;
  }

private:
  double Chain(std::size_t first, double s)
  {
    for (std::size_t i = first; i < N; i += 2)
    {
      const double y = (s - mLastOutputs[i]) * mCoefficients[i] + mLastInputs[i];
      mLastInputs[i] = s;
      mLastOutputs[i] = y;
      s = y;
    }
    return s;
  }

  std::array<double, N> mCoefficients;
  std::array<double, N> mLastInputs{};
  std::array<double, N> mLastOutputs{};
};
