// koru-render run as a user runs it, its files held against KORU's own ProcessBlock.
#include "AudioFile.h"
#include "BuiltInMaterial.h"
#include "effect/KORU.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
const std::string kTool = KORU_RENDER_PATH;
const std::string kBundle = KORU_BUNDLE_PATH;
constexpr int kStateBytes = 76;

struct ToolRun
{
  int exitCode = -1; // -1 when the tool did not exit normally (a crash)
  std::string output;
};

std::string Quote(const std::string& text)
{
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

ToolRun RunTool(const std::vector<std::string>& args)
{
  std::string command = Quote(kTool) + " --bundle " + Quote(kBundle);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " 2>&1";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

bool Exists(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

double StateDouble(const std::vector<uint8_t>& bytes, int index)
{
  uint64_t bits = 0;
  for (int b = 7; b >= 0; --b) bits = bits << 8 | bytes[static_cast<size_t>(index * 8 + b)];
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

// Programme-like test input: tones, noise and a loud burst for the compressor, peaking near
// full scale; the right channel differs from the left.
Audio TestSignal(double rate, size_t frames, int channels)
{
  Audio audio;
  audio.sampleRate = rate;
  audio.channels.assign(static_cast<size_t>(channels), std::vector<double>(frames));
  const double twoPi = 2.0 * 3.14159265358979323846;
  uint32_t seed = 12345u;
  for (size_t i = 0; i < frames; ++i)
  {
    const double t = static_cast<double>(i) / rate;
    seed = seed * 1664525u + 1013904223u;
    const double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    const double burst = (i / 4096) % 3 == 1 ? 1.0 : 0.25;
    const double tones = 0.5 * std::sin(twoPi * 97.0 * t) + 0.3 * std::sin(twoPi * 1234.5 * t);
    audio.channels[0][i] = burst * (tones + 0.15 * noise);
    if (channels > 1) audio.channels[1][i] = burst * (0.7 * tones - 0.2 * noise);
  }
  return audio;
}

struct Setting
{
  std::string name;
  double plain;
};

int IndexOf(KORU& plug, const std::string& name)
{
  for (int i = 0; i < plug.ParamCount(); ++i)
    if (name == plug.Param(i)->Name()) return i;
  ADD_FAILURE() << "no parameter " << name;
  return 0;
}

// What the bundle computes for the same input, done in this process: the settings arrive as
// the host's normalised values (plainParamToNormalized) and go through ApplyNormalized and
// ParamChanged as the binding's first process call does; the audio goes through ProcessBlock
// in the same blocks. A mono file feeds silence to the second input and lets the second
// output go to scratch. 32-bit runs widen the float input and narrow the output.
Audio Reference(const Audio& input, const std::vector<Setting>& settings, int block, int precision)
{
  auto plug = std::make_unique<KORU>();
  plug->SetSampleRate(input.sampleRate);
  plug->SetMaxBlockSize(block);
  for (const Setting& setting : settings)
  {
    const int index = IndexOf(*plug, setting.name);
    const double normalized = plug->Param(index)->NormalizedFromPlain(setting.plain);
    plug->Param(index)->ApplyNormalized(normalized);
    plug->ParamChanged(index);
  }

  const size_t frames = input.Frames();
  std::vector<double> inL(frames), inR(frames, 0.0), outL(frames), outR(frames);
  for (size_t i = 0; i < frames; ++i)
  {
    inL[i] = input.channels[0][i];
    if (input.ChannelCount() > 1) inR[i] = input.channels[1][i];
    if (precision == 32)
    {
      inL[i] = static_cast<float>(inL[i]);
      inR[i] = static_cast<float>(inR[i]);
    }
  }
  for (size_t start = 0; start < frames; start += static_cast<size_t>(block))
  {
    const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), frames - start));
    double* ins[] = {inL.data() + start, inR.data() + start};
    double* outs[] = {outL.data() + start, outR.data() + start};
    plug->ProcessBlock(ins, outs, n);
  }

  Audio output;
  output.sampleRate = input.sampleRate;
  output.channels.push_back(outL);
  if (input.ChannelCount() > 1) output.channels.push_back(outR);
  if (precision == 32)
    for (auto& channel : output.channels)
      for (double& x : channel) x = static_cast<float>(x);
  return output;
}

std::vector<std::string> ParamArgs(const std::vector<Setting>& settings)
{
  std::vector<std::string> args;
  for (const Setting& setting : settings)
  {
    char value[64];
    std::snprintf(value, sizeof(value), "%.17g", setting.plain);
    args.push_back("--param");
    args.push_back(setting.name + "=" + value);
  }
  return args;
}

// Counts the samples that differ in their bits; the first difference is reported.
void ExpectSameSamples(const Audio& actual, const Audio& expected)
{
  ASSERT_EQ(actual.sampleRate, expected.sampleRate);
  ASSERT_EQ(actual.ChannelCount(), expected.ChannelCount());
  ASSERT_EQ(actual.Frames(), expected.Frames());
  for (int c = 0; c < actual.ChannelCount(); ++c)
  {
    size_t differing = 0;
    for (size_t i = 0; i < actual.Frames(); ++i)
    {
      const double a = actual.channels[c][i], e = expected.channels[c][i];
      if (std::memcmp(&a, &e, sizeof(double)) != 0 && differing++ == 0)
        ADD_FAILURE() << "channel " << c << " frame " << i << ": " << a << " != " << e;
    }
    EXPECT_EQ(differing, 0u) << "channel " << c;
  }
}

class RenderTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string pattern = ::testing::TempDir() + "koru-render-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    mDir = pattern;
  }
  void TearDown() override
  {
    if (!mDir.empty()) std::system(("rm -rf " + Quote(mDir)).c_str());
  }

  std::string Path(const std::string& name) const { return mDir + "/" + name; }

  std::string WriteInput(const Audio& audio, const std::string& name = "in.wav")
  {
    std::string error;
    EXPECT_TRUE(WriteAudioFile(Path(name), audio, 64, error)) << error;
    return Path(name);
  }

  Audio ReadOutput(const std::string& path)
  {
    Audio audio;
    std::string error;
    EXPECT_TRUE(ReadAudioFile(path, audio, error)) << error;
    return audio;
  }

  // Renders input with the arguments; expects success.
  Audio Render(const Audio& input, std::vector<std::string> args)
  {
    args.push_back(WriteInput(input));
    args.push_back(Path("out.wav"));
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return ReadOutput(Path("out.wav"));
  }

  std::string mDir;
};
} // namespace

// --- Bit-exactness against the effect's own output -----------------------------------------

TEST_F(RenderTest, SixtyFourBitOutputEqualsProcessBlock)
{
  const Audio input = TestSignal(48000.0, 48000, 2);
  const std::vector<Setting> settings = {{"Compressor 1", 48.0}, {"High Gain 1", 0.8}};
  std::vector<std::string> args = ParamArgs(settings);
  args.insert(args.end(), {"--precision", "64"});
  ExpectSameSamples(Render(input, args), Reference(input, settings, 512, 64));
}

TEST_F(RenderTest, OddBlocksOtherRateAndEveryControlEqualProcessBlock)
{
  // 44.1 kHz, 300-frame blocks with a short last one, every continuous control off its
  // default and one parameter given twice (the last value wins).
  const Audio input = TestSignal(44100.0, 30001, 2);
  const std::vector<Setting> settings = {{"Input 1", 6.5},       {"Output 1", -3.25},
                                         {"High Gain 1", 0.3},   {"Low Gain 1", 0.71},
                                         {"Mid Gain 1", 0.2},    {"Mid Frequency 1", 0.5},
                                         {"Compressor 1", 10.0}, {"Compressor 1", 30.0}};
  std::vector<std::string> args = ParamArgs(settings);
  args.insert(args.end(), {"--block", "300"});
  ExpectSameSamples(Render(input, args), Reference(input, settings, 300, 64));
}

TEST_F(RenderTest, SwitchesEqualProcessBlock)
{
  const Audio input = TestSignal(48000.0, 20000, 2);
  const std::vector<Setting> settings = {
      {"EQ Bypass 1", 1.0}, {"Compressor 1", 60.0}, {"Output 1", 2.0}};
  ExpectSameSamples(Render(input, ParamArgs(settings)), Reference(input, settings, 512, 64));
  const std::vector<Setting> other = {
      {"Compressor Bypass 1", 1.0}, {"Compressor 1", 60.0}, {"Low Gain 1", 0.9}};
  ExpectSameSamples(Render(input, ParamArgs(other)), Reference(input, other, 512, 64));
}

TEST_F(RenderTest, MonoFileEqualsProcessBlockWithSilentSecondInput)
{
  const Audio input = TestSignal(48000.0, 25000, 1);
  const std::vector<Setting> settings = {{"Compressor 1", 40.0}, {"Mid Gain 1", 0.8}};
  const Audio output = Render(input, ParamArgs(settings));
  EXPECT_EQ(output.ChannelCount(), 1);
  ExpectSameSamples(output, Reference(input, settings, 512, 64));
}

TEST_F(RenderTest, ThirtyTwoBitOutputEqualsNarrowedProcessBlock)
{
  const Audio input = TestSignal(48000.0, 24000, 2);
  const std::vector<Setting> settings = {{"Compressor 1", 48.0}, {"High Gain 1", 0.8}};
  std::vector<std::string> args = ParamArgs(settings);
  args.insert(args.end(), {"--precision", "32", "--block", "256"});
  ExpectSameSamples(Render(input, args), Reference(input, settings, 256, 32));
}

// --- Bypass ---------------------------------------------------------------------------------

TEST_F(RenderTest, BypassOutputEqualsInput)
{
  const Audio input = TestSignal(48000.0, 10000, 2);
  ExpectSameSamples(Render(input, {"--bypass", "--param", "Compressor 1=90"}), input);

  Audio narrowed = input;
  for (auto& channel : narrowed.channels)
    for (double& x : channel) x = static_cast<float>(x);
  ExpectSameSamples(Render(input, {"--bypass", "--precision", "32"}), narrowed);
}

// --- State files ----------------------------------------------------------------------------

TEST_F(RenderTest, SavedStateHoldsThePlainValuesAndTheBypassFlag)
{
  const Audio input = TestSignal(48000.0, 2000, 2);
  const std::vector<Setting> settings = {
      {"Compressor 1", 48.0}, {"High Gain 1", 0.8}, {"Input 1", -7.0}, {"EQ Bypass 1", 1.0}};
  std::vector<std::string> args = ParamArgs(settings);
  args.insert(args.end(), {"--save-state", Path("state.bin")});
  Render(input, args);
  const std::vector<uint8_t> bytes = ReadBytes(Path("state.bin"));
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kStateBytes));

  // The plain values the effect holds after the host's normalised values arrived.
  KORU plug;
  for (const Setting& setting : settings)
  {
    IParamSlot* param = plug.Param(IndexOf(plug, setting.name));
    param->ApplyNormalized(param->NormalizedFromPlain(setting.plain));
  }
  for (int i = 0; i < plug.ParamCount(); ++i)
    EXPECT_EQ(StateDouble(bytes, i), plug.Param(i)->Value()) << plug.Param(i)->Name();
  EXPECT_EQ(StateDouble(bytes, 6), 48.0);
  EXPECT_EQ(StateDouble(bytes, 0), -7.0);
  EXPECT_NEAR(StateDouble(bytes, 2), 0.8, 1e-15);
  EXPECT_EQ(StateDouble(bytes, 1), 0.0); // untouched: its default
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 72, bytes.end()), std::vector<uint8_t>(4, 0));

  Render(input, {"--bypass", "--save-state", Path("bypassed.bin")});
  const std::vector<uint8_t> bypassed = ReadBytes(Path("bypassed.bin"));
  ASSERT_EQ(bypassed.size(), static_cast<size_t>(kStateBytes));
  EXPECT_EQ(std::vector<uint8_t>(bypassed.begin() + 72, bypassed.end()),
            (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(RenderTest, StateRoundTripRendersTheSameSamples)
{
  const Audio input = TestSignal(48000.0, 20000, 2);
  const std::vector<Setting> settings = {
      {"Compressor 1", 55.5}, {"Mid Frequency 1", 0.3}, {"Mid Gain 1", 0.75}, {"Output 1", 1.5}};
  std::vector<std::string> args = ParamArgs(settings);
  args.insert(args.end(), {"--save-state", Path("a.bin")});
  const Audio first = Render(input, args);

  const Audio second = Render(input, {"--state", Path("a.bin"), "--save-state", Path("b.bin")});
  ExpectSameSamples(second, first);
  EXPECT_EQ(ReadBytes(Path("b.bin")), ReadBytes(Path("a.bin")));

  // --param applies on top of the loaded state.
  const Audio third = Render(input, {"--state", Path("a.bin"), "--param", "Compressor 1=0"});
  std::vector<Setting> changed = settings;
  changed.push_back({"Compressor 1", 0.0});
  ExpectSameSamples(third, Reference(input, changed, 512, 64));
}

TEST_F(RenderTest, StateSavedBypassedRendersBypassed)
{
  // The bypass flag of a state survives the tool's set-up.
  const Audio input = TestSignal(48000.0, 8000, 2);
  Render(input, {"--bypass", "--param", "Compressor 1=70", "--save-state", Path("b.bin")});
  ExpectSameSamples(Render(input, {"--state", Path("b.bin")}), input);
}

// --- Failures: clear message, non-zero exit, no crash, no output file -----------------------

TEST_F(RenderTest, UnknownParameterNameFailsListingTheNames)
{
  WriteInput(TestSignal(48000.0, 1000, 2));
  const ToolRun run = RunTool({"--param", "Compresor 1=48", Path("in.wav"), Path("out.wav")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("no parameter is called \"Compresor 1\""), std::string::npos)
      << run.output;
  for (const char* name : {"\"Compressor 1\"", "\"High Gain 1\"", "\"Bypass\""})
    EXPECT_NE(run.output.find(name), std::string::npos) << name;
  EXPECT_FALSE(Exists(Path("out.wav")));
}

TEST_F(RenderTest, MissingInputFileFailsCleanly)
{
  const ToolRun run = RunTool({Path("missing.wav"), Path("out.wav")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find(Path("missing.wav")), std::string::npos) << run.output;
  EXPECT_FALSE(Exists(Path("out.wav")));

  // Not audio at all.
  WriteBytes(Path("junk.wav"), std::vector<uint8_t>(1000, 0x5A));
  const ToolRun junk = RunTool({Path("junk.wav"), Path("out.wav")});
  EXPECT_EQ(junk.exitCode, 1) << junk.output;
  EXPECT_FALSE(Exists(Path("out.wav")));
}

TEST_F(RenderTest, UnwritableDestinationsFailBeforeRendering)
{
  WriteInput(TestSignal(48000.0, 1000, 2));
  const ToolRun output = RunTool({Path("in.wav"), Path("no-folder/out.wav")});
  EXPECT_EQ(output.exitCode, 1) << output.output;
  EXPECT_NE(output.output.find("not a writable folder"), std::string::npos) << output.output;
  EXPECT_EQ(output.output.find("levels:"), std::string::npos) << output.output;

  const ToolRun state =
      RunTool({"--save-state", Path("no-folder/s.bin"), Path("in.wav"), Path("out.wav")});
  EXPECT_EQ(state.exitCode, 1) << state.output;
  EXPECT_FALSE(Exists(Path("out.wav")));
}

TEST_F(RenderTest, UnreadableStatesFailCleanly)
{
  WriteInput(TestSignal(48000.0, 1000, 2));
  WriteBytes(Path("short.bin"), std::vector<uint8_t>(10, 0));
  WriteBytes(Path("long.bin"), std::vector<uint8_t>(200, 0xFF));
  for (const std::string& state : {Path("short.bin"), Path("long.bin"), Path("none.bin"), mDir})
  {
    const ToolRun run = RunTool({"--state", state, Path("in.wav"), Path("out.wav")});
    EXPECT_EQ(run.exitCode, 1) << state << "\n" << run.output;
    EXPECT_NE(run.output.find(state), std::string::npos) << run.output;
    EXPECT_FALSE(Exists(Path("out.wav")));
  }
}

TEST_F(RenderTest, BadUsageFailsWithTheUsageText)
{
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"--precision", "16", "out.wav"},
                                               {"--block", "0", "out.wav"},
                                               {"--param", "Compressor 1", "out.wav"},
                                               {"--param", "Compressor 1=loud", "out.wav"},
                                               {"--frobnicate", "out.wav"},
                                               {"a.wav", "b.wav", "c.wav"}})
  {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("usage: koru-render"), std::string::npos) << run.output;
  }
  const ToolRun help = RunTool({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--save-state FILE"), std::string::npos);
}

TEST_F(RenderTest, ThreeChannelFileIsRefused)
{
  Audio input = TestSignal(48000.0, 1000, 2);
  input.channels.push_back(input.channels[0]);
  const ToolRun run = RunTool({WriteInput(input), Path("out.wav")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("mono or stereo"), std::string::npos) << run.output;
}

// --- Built-in material ----------------------------------------------------------------------

TEST_F(RenderTest, BuiltInMaterialRendersAndReports)
{
  const ToolRun run = RunTool({"--param", "Compressor 1=48", Path("out.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  for (const char* text : {"built-in material", "input  L", "output R", "dBFS", "ns per frame"})
    EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;

  const Audio output = ReadOutput(Path("out.wav"));
  EXPECT_EQ(output.sampleRate, 48000.0);
  ASSERT_EQ(output.ChannelCount(), 2);
  EXPECT_EQ(output.Frames(), 288000u);
  const Audio input = builtin::Programme();
  const std::vector<Setting> settings = {{"Compressor 1", 48.0}};
  ExpectSameSamples(output, Reference(input, settings, 512, 64));
}

TEST(BuiltInMaterialTest, SixSecondsOfStereoPeakingAtMinusThreeDecibels)
{
  const Audio a = builtin::Programme();
  EXPECT_EQ(a.sampleRate, 48000.0);
  ASSERT_EQ(a.ChannelCount(), 2);
  EXPECT_EQ(a.Frames(), 288000u);
  const ChannelLevels left = MeasureLevels(a.channels[0]);
  const ChannelLevels right = MeasureLevels(a.channels[1]);
  EXPECT_NEAR(std::max(left.PeakDb(), right.PeakDb()), -3.0, 1e-9);
  EXPECT_GT(left.RmsDb(), -24.0);
  EXPECT_GT(right.RmsDb(), -24.0);
  EXPECT_NE(a.channels[0], a.channels[1]);
  EXPECT_EQ(a.channels[0].front(), 0.0); // faded in
  EXPECT_EQ(a.channels[1].back(), 0.0);  // faded out

  const Audio b = builtin::Programme();
  EXPECT_EQ(a.channels, b.channels);
}

TEST(BuiltInMaterialTest, KickEveryHalfSecond)
{
  // The loudest moment of each half second sits right at its start.
  const Audio a = builtin::Programme();
  const size_t beat = 24000;
  for (size_t start = beat; start + beat <= a.Frames(); start += beat)
  {
    size_t loudest = start;
    for (size_t i = start; i < start + beat; ++i)
      if (std::fabs(a.channels[0][i]) > std::fabs(a.channels[0][loudest])) loudest = i;
    EXPECT_LT(loudest - start, 2400u) << "beat at " << start;
  }
}
