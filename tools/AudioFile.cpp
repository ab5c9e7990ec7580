#include "AudioFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sndfile.h>

namespace
{
// At most this many frames go through libsndfile per call, so that the interleaved buffer
// stays small whatever the file's length.
constexpr sf_count_t kChunkFrames = 65536;

double ToDb(double linear)
{
  return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}
} // namespace

double ChannelLevels::PeakDb() const { return ToDb(peak); }
double ChannelLevels::RmsDb() const { return ToDb(rms); }

ChannelLevels MeasureLevels(const std::vector<double>& samples)
{
  ChannelLevels levels;
  double sumOfSquares = 0.0;
  for (double x : samples)
  {
    levels.peak = std::fmax(levels.peak, std::fabs(x));
    sumOfSquares += x * x;
  }
  if (!samples.empty()) levels.rms = std::sqrt(sumOfSquares / static_cast<double>(samples.size()));
  return levels;
}

bool ReadAudioFile(const std::string& path, Audio& audio, std::string& error)
{
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
  {
    error = "cannot open \"" + path + "\": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0)
  {
    sf_close(file);
    error = "\"" + path + "\" holds no audio";
    return false;
  }

  Audio result;
  result.sampleRate = static_cast<double>(info.samplerate);
  result.channels.assign(static_cast<size_t>(info.channels), {});
  for (auto& channel : result.channels) channel.reserve(static_cast<size_t>(info.frames));

  std::vector<double> interleaved(static_cast<size_t>(kChunkFrames * info.channels));
  for (;;)
  {
    const sf_count_t got = sf_readf_double(file, interleaved.data(), kChunkFrames);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f)
      for (int c = 0; c < info.channels; ++c)
        result.channels[static_cast<size_t>(c)].push_back(
            interleaved[static_cast<size_t>(f * info.channels + c)]);
  }
  const int status = sf_error(file);
  sf_close(file);
  if (status != SF_ERR_NO_ERROR)
  {
    error = "cannot read \"" + path + "\": " + sf_error_number(status);
    return false;
  }
  audio = std::move(result);
  return true;
}

bool WriteAudioFile(const std::string& path, const Audio& audio, int bits, std::string& error)
{
  if (audio.channels.empty())
  {
    error = "nothing to write to \"" + path + "\"";
    return false;
  }
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
  info.channels = audio.ChannelCount();
  info.format = SF_FORMAT_WAV | (bits == 32 ? SF_FORMAT_FLOAT : SF_FORMAT_DOUBLE);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    error = "cannot create \"" + path + "\": " + sf_strerror(nullptr);
    return false;
  }

  const sf_count_t frames = static_cast<sf_count_t>(audio.Frames());
  std::vector<double> interleaved(static_cast<size_t>(kChunkFrames * info.channels));
  bool complete = true;
  for (sf_count_t start = 0; start < frames && complete; start += kChunkFrames)
  {
    const sf_count_t n = std::min(kChunkFrames, frames - start);
    for (sf_count_t f = 0; f < n; ++f)
      for (int c = 0; c < info.channels; ++c)
        interleaved[static_cast<size_t>(f * info.channels + c)] =
            audio.channels[static_cast<size_t>(c)][static_cast<size_t>(start + f)];
    // Float files take the values narrowed; samples that came from 32-bit processing are
    // floats already, so nothing is rounded twice.
    complete = sf_writef_double(file, interleaved.data(), n) == n;
  }
  if (!complete) error = "cannot write \"" + path + "\": " + sf_strerror(file);
  if (sf_close(file) != 0 && complete)
  {
    complete = false;
    error = "cannot finish \"" + path + "\"";
  }
  if (!complete) std::remove(path.c_str());
  return complete;
}
