#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Audio held whole in memory, one vector of samples per channel, full scale at +-1.0.
struct Audio
{
  double sampleRate = 48000.0;
  std::vector<std::vector<double>> channels;

  int ChannelCount() const { return static_cast<int>(channels.size()); }
  std::size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Peak and RMS of one channel, linear and in dB relative to full scale.
struct ChannelLevels
{
  double peak = 0.0;
  double rms = 0.0;
  double PeakDb() const;
  double RmsDb() const;
};

ChannelLevels MeasureLevels(const std::vector<double>& samples);

// Reads any file libsndfile knows; integer formats come back scaled to +-1.0. False with
// error set when the file cannot be opened or read, or holds no channels.
bool ReadAudioFile(const std::string& path, Audio& audio, std::string& error);

// Writes a WAV file of 64-bit floats (bits 64) or 32-bit floats (bits 32), at the audio's
// rate and channel count. A file that cannot be written completely is removed.
bool WriteAudioFile(const std::string& path, const Audio& audio, int bits, std::string& error);
