// koru-render: renders an audio file through the KORU bundle, hosted as a DAW hosts it, and
// reports the levels before and after.
#include "AudioFile.h"
#include "BuiltInMaterial.h"
#include "HostedEffect.h"
#include "ParamSettingText.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr const char* kUsage =
    "usage: koru-render [options] [in.wav] out.wav\n"
    "Renders an audio file through the KORU VST3 bundle, loaded and driven as a host does.\n"
    "Without in.wav it renders built-in material: 6 s of generated stereo programme at 48 kHz.\n"
    "The output keeps the input's rate and channels (mono or stereo) as a float WAV file.\n"
    "\n"
    "  --param \"NAME=VALUE\"  set a parameter by its host title, in plain units, for example\n"
    "                        --param \"Compressor 1=48\"; may be repeated (the last one wins)\n"
    "  --bypass              switch the host bypass (\"Bypass\") on\n"
    "  --block N             frames per process call (default 512)\n"
    "  --precision 32|64     sample size of the processing and of the output file (default 64)\n"
    "  --state FILE          load a saved state before processing; --param and --bypass\n"
    "                        apply on top of it\n"
    "  --save-state FILE     write the state after processing\n"
    "  --bundle PATH         the KORU.vst3 bundle to load (default: the one of this build)\n"
    "  -h, --help            show this text\n";

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxBlock = 1 << 20;
// State files are tiny; anything this large is not one.
constexpr std::streamoff kMaxStateBytes = 1 << 20;

struct Options
{
  std::vector<ParamSetting> params;
  bool bypass = false;
  int block = 512;
  int precision = 64;
  std::string statePath;
  std::string saveStatePath;
  std::string bundlePath;
  std::string inputPath; // empty: built-in material
  std::string outputPath;
};

int UsageError(const std::string& message)
{
  std::fprintf(stderr, "koru-render: %s\n\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Error(const std::string& message)
{
  std::fprintf(stderr, "koru-render: %s\n", message.c_str());
  return kExitError;
}

bool ParseInt(const std::string& text, int& value)
{
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

// Answers -1 to go on, otherwise the exit code.
int ParseArguments(int argc, char** argv, Options& options)
{
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    auto value = [&](std::string& out)
    {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "-h" || arg == "--help")
    {
      std::fputs(kUsage, stdout);
      return 0;
    }
    else if (arg == "--param")
    {
      if (!value(text)) return UsageError("--param needs \"NAME=VALUE\"");
      ParamSetting setting;
      if (!ParseParamSetting(text, setting))
        return UsageError("--param \"" + text + "\": expected \"NAME=VALUE\" with a finite value");
      options.params.push_back(setting);
    }
    else if (arg == "--bypass")
    {
      options.bypass = true;
    }
    else if (arg == "--block")
    {
      if (!value(text) || !ParseInt(text, options.block) || options.block < 1 ||
          options.block > kMaxBlock)
        return UsageError("--block needs a number of frames from 1 to " +
                          std::to_string(kMaxBlock));
    }
    else if (arg == "--precision")
    {
      if (!value(text) || !ParseInt(text, options.precision) ||
          (options.precision != 32 && options.precision != 64))
        return UsageError("--precision needs 32 or 64");
    }
    else if (arg == "--state")
    {
      if (!value(options.statePath)) return UsageError("--state needs a file");
    }
    else if (arg == "--save-state")
    {
      if (!value(options.saveStatePath)) return UsageError("--save-state needs a file");
    }
    else if (arg == "--bundle")
    {
      if (!value(options.bundlePath)) return UsageError("--bundle needs a path");
    }
    else if (arg.size() > 1 && arg[0] == '-')
    {
      return UsageError("unknown option " + arg);
    }
    else
    {
      files.push_back(arg);
    }
  }
  if (files.empty()) return UsageError("no output file given");
  if (files.size() > 2) return UsageError("at most one input and one output file");
  if (files.size() == 2) options.inputPath = files[0];
  options.outputPath = files.back();
  return -1;
}

bool IsDirectory(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The bundle beside the build's tools folder when the tool runs from a build tree that moved;
// otherwise the one this build made.
std::string DefaultBundle()
{
  char exe[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  if (n > 0)
  {
    std::string dir(exe, static_cast<size_t>(n));
    dir = dir.substr(0, dir.rfind('/'));
    char beside[4096] = {};
    if (realpath((dir + "/../KORU.vst3").c_str(), beside) && IsDirectory(beside)) return beside;
  }
  return KORU_DEFAULT_BUNDLE;
}

bool FolderWritable(const std::string& file, std::string& error)
{
  const size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : file.substr(0, slash);
  if (IsDirectory(folder) && access(folder.c_str(), W_OK) == 0) return true;
  error = "cannot write \"" + file + "\": \"" + folder + "\" is not a writable folder";
  return false;
}

bool ReadStateFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
  if (IsDirectory(path))
  {
    error = "cannot read state \"" + path + "\": it is a folder";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in)
  {
    error = "cannot read state \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxStateBytes)
  {
    error = "cannot read state \"" + path + "\": not a KORU state";
    return false;
  }
  in.seekg(0, std::ios::beg);
  bytes.assign(static_cast<size_t>(size), 0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
  {
    error = "cannot read state \"" + path + "\"";
    return false;
  }
  return true;
}

bool WriteStateFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                    std::string& error)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out)
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  if (!out)
  {
    error = "cannot write state \"" + path + "\"";
    return false;
  }
  return true;
}

// The whole file through the effect in blocks; Sample is the host's sample type. Answers the
// seconds spent in the processing loop, or a negative number on failure.
template <class Sample>
double Render(HostedEffect& effect, const Audio& input, Audio& output, int block)
{
  const int channels = input.ChannelCount();
  const size_t frames = input.Frames();
  std::vector<std::vector<Sample>> in(channels, std::vector<Sample>(block));
  std::vector<std::vector<Sample>> out(channels, std::vector<Sample>(block));
  std::vector<void*> inPointers, outPointers;
  for (int c = 0; c < channels; ++c)
  {
    inPointers.push_back(in[c].data());
    outPointers.push_back(out[c].data());
  }
  output.sampleRate = input.sampleRate;
  output.channels.assign(channels, std::vector<double>(frames));

  const auto start = std::chrono::steady_clock::now();
  // Even an empty file gets one call: it delivers the parameter changes.
  size_t position = 0;
  do {
    const int n = static_cast<int>(std::min<size_t>(block, frames - position));
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < n; ++i) in[c][i] = static_cast<Sample>(input.channels[c][position + i]);
    if (!effect.Process(inPointers.data(), outPointers.data(), n)) return -1.0;
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < n; ++i) output.channels[c][position + i] = out[c][i];
    position += static_cast<size_t>(n);
  } while (position < frames);
  const auto stop = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(stop - start).count();
}

std::string FormatDb(double db)
{
  char text[32];
  if (std::isinf(db)) return "-inf";
  std::snprintf(text, sizeof(text), "%.2f", db);
  return text;
}

void PrintLevels(const char* what, const Audio& audio)
{
  for (int c = 0; c < audio.ChannelCount(); ++c)
  {
    const ChannelLevels levels = MeasureLevels(audio.channels[c]);
    const char* name = audio.ChannelCount() == 2 ? (c == 0 ? "L" : "R") : "M";
    std::printf("  %-6s %s  peak %8s dBFS (%.6f)  RMS %8s dBFS (%.6f)\n", what, name,
                FormatDb(levels.PeakDb()).c_str(), levels.peak, FormatDb(levels.RmsDb()).c_str(),
                levels.rms);
  }
}

int Run(const Options& options)
{
  Audio input;
  std::string error;
  std::string source;
  if (options.inputPath.empty())
  {
    input = builtin::Programme();
    source = "built-in material";
  }
  else
  {
    if (!ReadAudioFile(options.inputPath, input, error)) return Error(error);
    source = options.inputPath;
  }
  if (input.ChannelCount() != 1 && input.ChannelCount() != 2)
    return Error(source + " has " + std::to_string(input.ChannelCount()) +
                 " channels; KORU takes mono or stereo");

  // Folders that cannot take the files are found before the render, not after it.
  for (const std::string& path : {options.outputPath, options.saveStatePath})
    if (!path.empty() && !FolderWritable(path, error)) return Error(error);

  std::vector<std::uint8_t> state;
  if (!options.statePath.empty() && !ReadStateFile(options.statePath, state, error))
    return Error(error);

  const std::string bundle = options.bundlePath.empty() ? DefaultBundle() : options.bundlePath;
  HostedEffect effect("koru-render");
  if (!effect.Open(bundle)) return Error(effect.Error());

  // Names first, so that a typo costs nothing.
  struct Change
  {
    const HostedEffect::Parameter* parameter;
    double plain;
    double normalized;
  };
  std::vector<Change> changes;
  for (const ParamSetting& setting : options.params)
  {
    const HostedEffect::Parameter* parameter = effect.FindParameter(setting.name);
    if (!parameter)
    {
      std::string names;
      for (const HostedEffect::Parameter& p : effect.Parameters())
        names += "\n  \"" + p.title + "\"";
      return Error("no parameter is called \"" + setting.name + "\"; the parameters are:" + names);
    }
    const double lo = std::fmin(parameter->minPlain, parameter->maxPlain);
    const double hi = std::fmax(parameter->minPlain, parameter->maxPlain);
    if (setting.plain < lo || setting.plain > hi)
      std::fprintf(stderr, "koru-render: warning: \"%s\" = %g is outside %g..%g and is limited\n",
                   setting.name.c_str(), setting.plain, lo, hi);
    changes.push_back(
        {parameter, setting.plain, effect.PlainToNormalized(parameter->id, setting.plain)});
  }
  if (options.bypass && !effect.FindParameter("Bypass"))
    return Error("the effect has no \"Bypass\" parameter");

  const int sampleSize =
      options.precision == 64 ? Steinberg::Vst::kSample64 : Steinberg::Vst::kSample32;
  if (!effect.Start(input.ChannelCount(), sampleSize, options.block, input.sampleRate))
    return Error(effect.Error());

  // The state goes in after the set-up: setupProcessing switches the bypass off, and a state
  // saved with bypass on should stay bypassed.
  if (!options.statePath.empty())
  {
    std::vector<std::uint8_t> current;
    if (!effect.SaveState(current)) return Error(effect.Error());
    if (state.size() != current.size())
      return Error("\"" + options.statePath +
                   "\" is not a KORU state: " + std::to_string(state.size()) +
                   " bytes, a state has " + std::to_string(current.size()));
    if (!effect.LoadState(state))
      return Error("cannot load \"" + options.statePath + "\": " + effect.Error());
  }
  for (const Change& change : changes) effect.QueueChange(change.parameter->id, change.normalized);
  if (options.bypass) effect.QueueChange(HostedEffect::kBypassId, 1.0);

  std::printf("KORU: %s\n", bundle.c_str());
  std::printf("input: %s, %.0f Hz, %d channel%s, %zu frames (%.3f s)\n", source.c_str(),
              input.sampleRate, input.ChannelCount(), input.ChannelCount() == 1 ? "" : "s",
              input.Frames(), static_cast<double>(input.Frames()) / input.sampleRate);
  if (!options.statePath.empty()) std::printf("state: %s\n", options.statePath.c_str());
  for (const Change& change : changes)
    std::printf("param: %s = %g%s%s (normalised %.6f)\n", change.parameter->title.c_str(),
                change.plain, change.parameter->units.empty() ? "" : " ",
                change.parameter->units.c_str(), change.normalized);
  if (options.bypass) std::printf("param: Bypass = on\n");

  Audio output;
  const double seconds = options.precision == 64
                             ? Render<double>(effect, input, output, options.block)
                             : Render<float>(effect, input, output, options.block);
  if (seconds < 0.0) return Error(effect.Error());

  if (!options.saveStatePath.empty())
  {
    std::vector<std::uint8_t> saved;
    if (!effect.SaveState(saved)) return Error(effect.Error());
    if (!WriteStateFile(options.saveStatePath, saved, error)) return Error(error);
  }
  effect.Stop();

  if (!WriteAudioFile(options.outputPath, output, options.precision, error)) return Error(error);

  std::printf("output: %s, %d-bit float WAV\n", options.outputPath.c_str(), options.precision);
  std::printf("levels:\n");
  PrintLevels("input", input);
  PrintLevels("output", output);
  if (input.Frames() > 0)
    std::printf("render: %.3f ms, %.1f ns per frame (%d-bit, blocks of %d)\n", seconds * 1e3,
                seconds * 1e9 / static_cast<double>(input.Frames()), options.precision,
                options.block);
  else
    std::printf("render: no frames (%d-bit)\n", options.precision);
  if (!options.saveStatePath.empty())
    std::printf("state saved: %s\n", options.saveStatePath.c_str());
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  try
  {
    Options options;
    const int parsed = ParseArguments(argc, argv, options);
    if (parsed >= 0) return parsed;
    return Run(options);
  }
  catch (const std::exception& e)
  {
    return Error(std::string("failed: ") + e.what());
  }
}
