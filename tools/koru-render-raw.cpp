// koru-render-raw: renders a fixed generated programme through a KORU bundle, 64-bit at
// 48 kHz, and writes the output as raw interleaved little-endian doubles. The Linux and the
// Windows modules must write the same bytes: everything the program computes itself (input,
// block sizes, parameter values) uses only + - * / and sqrt, which IEEE 754 rounds exactly,
// never the platform's libm, whose sin, cos and exp differ between glibc and msvcrt.
#include "HostedEffect.h"
#include "vst3/HostParamIds.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace
{
constexpr const char* kUsage =
    "usage: koru-render-raw [--vector-path SSE2|AVX|AVX512] BUNDLE OUT.raw\n"
    "Renders a fixed generated stereo programme through the KORU.vst3 bundle BUNDLE (64-bit,\n"
    "48 kHz, uneven blocks, every parameter and the host bypass changed along the way) and\n"
    "writes the output to OUT.raw as interleaved little-endian doubles. Prints the frame count\n"
    "and the 64-bit FNV-1a hash of the file. The same bundle gives the same bytes on every run\n"
    "and on every platform. --vector-path keeps the instance to that vector path or a narrower\n"
    "one (the processor's widest when that is narrower); every path renders the same bytes.\n";

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

constexpr double kSampleRate = 48000.0;
constexpr int kChannels = 2;
constexpr long kFrames = 480000; // 10 s
// Block sizes in turn: single frames, odd sizes and the largest block the set-up allows.
constexpr int kBlockSizes[] = {512, 1, 160, 1024, 33, 257, 7, 640, 96, 1000, 2, 511};
constexpr int kMaxBlock = 1024;
// Every sixth block is a change round: each effect parameter gets a new value, the host
// bypass goes on for one round in four, and the preset is reloaded once.
constexpr int kBlocksPerRound = 6;
constexpr int kPresetRound = 30;
// A stretch of digital silence, so that the filters and the detector decay to nothing
// and recover.
constexpr long kSilenceStart = 288000;
constexpr long kSilenceEnd = 292800;

int Error(const std::string& message)
{
  std::fprintf(stderr, "koru-render-raw: %s\n", message.c_str());
  return kExitError;
}

// The normalised value of effect parameter `index` in change round `round`: a walk over
// 0, 0.1 .. 1 that differs from one parameter to the next, so that the switches go on and
// off and every knob reaches both ends.
double RoundValue(int round, int index) { return ((5 * round + 3 * index) % 11) / 10.0; }

// The test programme, one frame at a time: two sinusoids from rotating phasors (kept on the
// unit circle by a square-root normalisation), a triangle and white noise from a 64-bit
// linear congruential generator, under a slow triangular level swell from quiet to above
// full scale, which drives both the input curve and the compressor.
class Programme
{
public:
  void Next(long frame, double& left, double& right)
  {
    Rotate(mLowX, mLowY, kLowCos, mLowSin);
    Rotate(mHighX, mHighY, kHighCos, mHighSin);
    mSeed = mSeed * 6364136223846793005ull + 1442695040888963407ull;
    const double noise = static_cast<double>(mSeed >> 11) * (1.0 / 9007199254740992.0) - 0.5;
    const double tri = Triangle(frame, 437);
    const double level = 0.02 + 1.98 * (0.5 + 0.5 * Triangle(frame, 72000));
    if (frame >= kSilenceStart && frame < kSilenceEnd)
    {
      left = right = 0.0;
      return;
    }
    left = level * (0.6 * mLowX + 0.15 * mHighY + 0.1 * noise);
    right = level * (0.4 * tri + 0.3 * mLowY - 0.2 * mHighX + 0.1 * noise);
  }

private:
  // About 95 Hz and 2.3 kHz at 48 kHz: cos and sin of the step, sin from cos by sqrt.
  static constexpr double kLowCos = 0.99980;
  static constexpr double kHighCos = 0.9;
  const double mLowSin = std::sqrt(1.0 - kLowCos * kLowCos);
  const double mHighSin = std::sqrt(1.0 - kHighCos * kHighCos);

  static void Rotate(double& x, double& y, double c, double s)
  {
    const double nx = x * c - y * s;
    const double ny = x * s + y * c;
    const double scale = 1.0 / std::sqrt(nx * nx + ny * ny);
    x = nx * scale;
    y = ny * scale;
  }

  // -1 .. 1 .. -1 over `period` frames, from integer arithmetic.
  static double Triangle(long frame, long period)
  {
    const long half = period / 2;
    const long phase = frame % period;
    const long distance = phase < half ? half - phase : phase - half;
    return 2.0 * static_cast<double>(distance) / static_cast<double>(half) - 1.0;
  }

  double mLowX = 1.0, mLowY = 0.0;
  double mHighX = 1.0, mHighY = 0.0;
  std::uint64_t mSeed = 12345;
};

// 64-bit FNV-1a, over the bytes as they are written.
class Fnv1a
{
public:
  void Add(const std::uint8_t* bytes, std::size_t count)
  {
    for (std::size_t i = 0; i < count; ++i)
    {
      mHash ^= bytes[i];
      mHash *= 1099511628211ull;
    }
  }
  std::uint64_t Value() const { return mHash; }

private:
  std::uint64_t mHash = 14695981039346656037ull;
};

// Little-endian whatever the machine: byte i of the double's bit pattern is bits 8i..8i+7.
void PutDouble(double value, std::uint8_t* out)
{
  std::uint64_t bits = 0;
  static_assert(sizeof bits == sizeof value, "double is 64 bits");
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

int Run(const std::string& bundle, const std::string& outputPath, const std::string& vectorPath)
{
  HostedEffect effect("koru-render-raw");
  if (!effect.Open(bundle)) return Error(effect.Error());
  if (!vectorPath.empty() && !effect.LimitVectorPath(vectorPath)) return Error(effect.Error());

  // The nine effect parameters, by their ids 0..8, plus the host's preset and bypass.
  std::vector<Steinberg::Vst::ParamID> effectIds;
  bool hasPreset = false;
  bool hasBypass = false;
  for (const HostedEffect::Parameter& parameter : effect.Parameters())
  {
    if (parameter.id == kPresetParamId)
      hasPreset = true;
    else if (parameter.id == kBypassParamId)
      hasBypass = true;
    else
      effectIds.push_back(parameter.id);
  }
  if (effectIds.size() != 9 || !hasPreset || !hasBypass)
    return Error("expected \"Preset\", \"Bypass\" and nine effect parameters, found " +
                 std::to_string(effect.Parameters().size()) + " parameters");

  if (!effect.Start(kChannels, Steinberg::Vst::kSample64, kMaxBlock, kSampleRate))
    return Error(effect.Error());

  std::FILE* file = std::fopen(outputPath.c_str(), "wb");
  if (!file) return Error("cannot write \"" + outputPath + "\"");

  std::vector<double> inL(kMaxBlock), inR(kMaxBlock), outL(kMaxBlock), outR(kMaxBlock);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kMaxBlock) * kChannels * 8);
  Programme programme;
  Fnv1a hash;
  long frame = 0;
  int block = 0;
  int changes = 0;
  while (frame < kFrames)
  {
    // The first round runs at the defaults, so the start-up of the smoothed controls (the
    // high band's shape rising from 0 among them) is rendered with the equaliser on.
    if (block % kBlocksPerRound == 0 && block > 0)
    {
      const int round = block / kBlocksPerRound;
      if (round == kPresetRound)
      {
        effect.QueueChange(kPresetParamId, 0.0);
        ++changes;
      }
      for (std::size_t i = 0; i < effectIds.size(); ++i)
      {
        // One parameter a round gets two points; the last one counts.
        if (static_cast<int>(i) == round % 9)
        {
          effect.QueueChange(effectIds[i], 1.0 - RoundValue(round, static_cast<int>(i)));
          ++changes;
        }
        effect.QueueChange(effectIds[i], RoundValue(round, static_cast<int>(i)));
        ++changes;
      }
      effect.QueueChange(kBypassParamId, round % 4 == 3 ? 1.0 : 0.0);
      ++changes;
    }

    const long remaining = kFrames - frame;
    const int planned = kBlockSizes[block % std::size(kBlockSizes)];
    const int size = remaining < planned ? static_cast<int>(remaining) : planned;
    for (int i = 0; i < size; ++i) programme.Next(frame + i, inL[i], inR[i]);
    void* inputs[kChannels] = {inL.data(), inR.data()};
    void* outputs[kChannels] = {outL.data(), outR.data()};
    if (!effect.Process(inputs, outputs, size))
    {
      std::fclose(file);
      return Error(effect.Error());
    }

    for (int i = 0; i < size; ++i)
    {
      PutDouble(outL[i], &bytes[static_cast<std::size_t>(i) * 16]);
      PutDouble(outR[i], &bytes[static_cast<std::size_t>(i) * 16 + 8]);
    }
    const std::size_t count = static_cast<std::size_t>(size) * 16;
    hash.Add(bytes.data(), count);
    if (std::fwrite(bytes.data(), 1, count, file) != count)
    {
      std::fclose(file);
      return Error("cannot write \"" + outputPath + "\"");
    }
    frame += size;
    ++block;
  }
  effect.Stop();
  if (std::fclose(file) != 0) return Error("cannot write \"" + outputPath + "\"");

  std::printf("koru-render-raw: %ld frames, %d blocks, %d parameter changes\n", frame, block,
              changes);
  std::printf("fnv1a64 %016" PRIx64 "  %s\n", hash.Value(), outputPath.c_str());
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))
  {
    std::printf("%s", kUsage);
    return 0;
  }
  std::string vectorPath;
  int first = 1;
  if (argc > 2 && std::string(argv[1]) == "--vector-path")
  {
    vectorPath = argv[2];
    first = 3;
  }
  if (argc - first != 2)
  {
    std::fprintf(stderr, "%s", kUsage);
    return kExitUsage;
  }
  return Run(argv[first], argv[first + 1], vectorPath);
}
