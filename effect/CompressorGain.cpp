#include "effect/CompressorGain.h"

#include "framework/DeterministicMath.h"

#include <algorithm>
#include <cmath>

namespace
{

// -2 pi x 10 Hz to eight decimals: the detector's coefficient numerator.
constexpr double kDetectorNumerator = -62.83185307;
constexpr double kAttackMs = 10;
// Decibels per neper: turns a dB rate into the argument of exp.
constexpr double kDbPerNeper = 8.65617025;
constexpr double kHalfKneeDb = 6.0;
constexpr double kSlopeAboveKnee = -0.6666666666666667; // 1/3 - 1 for a 3:1 ratio
constexpr double kKneeCurvature = -0.02777777777777778; // -1/36

} // namespace

double CompressorLevelDb(double inL, double inR, double fs)
{
  const double h = dmath::Exp(kDetectorNumerator / fs);
  const double x = std::max(std::fabs(inR), std::fabs(inL));
  const double k = 1 - h;
  const double y1 = std::sqrt(k * x);
  double level;
  if (x > y1)
  {
    level = x;
  }
  else
  {
    level = std::sqrt(k * x + h * (k * x));
  }
  return 20 * dmath::Log10(level);
}

double CompressorTargetGain(double levelDb, double thresholdDb)
{
  const double E = levelDb;
  const double T = thresholdDb;
  double F;
  if (T - kHalfKneeDb > E)
  {
    F = 0;
  }
  else if (E > T + kHalfKneeDb)
  {
    F = (E - T) * kSlopeAboveKnee;
  }
  else
  {
    const double d = E - (T - kHalfKneeDb);
    F = d * d * kKneeCurvature;
  }
  return dmath::Exp10(F / 20);
}

double CompressorGain(double gain, double inL, double inR, double peakIn, double thresholdDb,
                      double fs)
{
  const double T = thresholdDb;
  const double t = dmath::Exp(T / (fs * kAttackMs / 1000) / kDbPerNeper);
  const double u = dmath::Exp(T / (fs * peakIn / 1000) / kDbPerNeper);
  const double G = CompressorTargetGain(CompressorLevelDb(inL, inR, fs), T);

  const double H = gain;
  if (H > G)
  {
    return std::max(G, H * t);
  }
  const double released = H / u;
  // 0/0 when the threshold is 0 and the input silent.
  if (std::isnan(released))
  {
    return G;
  }
  return std::min(released, G);
}
