#include "BuiltInMaterial.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace builtin
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kBeat = 0.5; // seconds between kicks
constexpr double kFadeSeconds = 0.01;

// A small fixed-seed generator: std::uniform_real_distribution is not the same on every
// standard library, this is.
class Noise
{
public:
  double Next()
  {
    mState ^= mState << 13;
    mState ^= mState >> 7;
    mState ^= mState << 17;
    return static_cast<double>(mState >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

private:
  uint64_t mState = 0x4B4F5255u;
};

// The kick's pitch falls from 150 Hz to 45 Hz as it decays; its phase is the integral of
// that glide, so the waveform is continuous.
double Kick(double t)
{
  const double kStart = 150.0, kEnd = 45.0, kGlide = 0.04;
  const double phase =
      kTwoPi * (kEnd * t + (kStart - kEnd) * kGlide * (1.0 - std::exp(-t / kGlide)));
  const double body = std::sin(phase) * std::exp(-t / 0.18);
  const double click = std::exp(-t / 0.002);
  return body + 0.3 * click;
}

// Eight bass notes, one per beat (A1 A1 C2 D2 E2 E2 G1 A1), each a few harmonics of a
// soft saw with its own decay.
double Bass(double t)
{
  static const double kNotes[8] = {55.0, 55.0, 65.406, 73.416, 82.407, 82.407, 48.999, 55.0};
  const int beat = static_cast<int>(t / kBeat);
  const double local = t - beat * kBeat;
  const double f = kNotes[beat % 8];
  double saw = 0.0;
  for (int h = 1; h <= 5; ++h) saw += std::sin(kTwoPi * f * h * local) / h;
  const double attack = std::fmin(1.0, local / 0.005);
  return saw * attack * std::exp(-local / 0.35);
}

// An A minor chord with an octave, breathing under a 1.5 Hz tremolo.
double Chord(double t)
{
  static const double kPartials[4] = {220.0, 261.626, 329.628, 440.0};
  double sum = 0.0;
  for (double f : kPartials) sum += std::sin(kTwoPi * f * t);
  const double tremolo = 0.75 + 0.25 * std::sin(kTwoPi * 1.5 * t);
  return 0.25 * sum * tremolo;
}

// Hi-hat envelope: a short burst on every off-beat eighth.
double HatEnvelope(double t)
{
  const double eighth = kBeat / 2.0;
  const int step = static_cast<int>(t / eighth);
  if (step % 2 == 0) return 0.0;
  return std::exp(-(t - step * eighth) / 0.03);
}
} // namespace

Audio Programme()
{
  const size_t frames = static_cast<size_t>(kSampleRate * kSeconds);
  Audio audio;
  audio.sampleRate = kSampleRate;
  audio.channels.assign(2, std::vector<double>(frames));
  std::vector<double>& left = audio.channels[0];
  std::vector<double>& right = audio.channels[1];

  Noise noise;
  double lastNoise = 0.0;
  double peak = 0.0;
  for (size_t i = 0; i < frames; ++i)
  {
    const double t = static_cast<double>(i) / kSampleRate;
    const double kickTime = t - static_cast<int>(t / kBeat) * kBeat;
    const double kick = Kick(kickTime);
    const double bass = Bass(t);
    const double chord = Chord(t);
    // First difference of white noise: the hat keeps its top end and loses its bottom.
    const double white = noise.Next();
    const double hat = 0.5 * (white - lastNoise) * HatEnvelope(t);
    lastNoise = white;

    // Kick and bass in the middle, the chord leaning left, the hat leaning right.
    left[i] = 0.8 * kick + 0.5 * bass + 0.45 * chord + 0.12 * hat;
    right[i] = 0.8 * kick + 0.5 * bass + 0.25 * chord + 0.3 * hat;
    peak = std::fmax(peak, std::fmax(std::fabs(left[i]), std::fabs(right[i])));
  }

  const double scale = std::pow(10.0, kPeakDb / 20.0) / peak;
  const size_t fade = static_cast<size_t>(kFadeSeconds * kSampleRate);
  for (size_t i = 0; i < frames; ++i)
  {
    // Short fades at both ends so the file neither starts nor stops with a click.
    const size_t edge = std::min(i, frames - 1 - i);
    const double ramp = edge < fade ? static_cast<double>(edge) / fade : 1.0;
    left[i] *= scale * ramp;
    right[i] *= scale * ramp;
  }
  return audio;
}
} // namespace builtin
