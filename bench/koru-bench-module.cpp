// koru-bench-module: times KORU through a built bundle, as a host runs it, on every vector path,
// 64-bit and 32-bit samples, the three cases and every block size, and prints ns per stereo
// frame, the best of the rounds. Plain C++ beside the Google Benchmark program, so that it is
// built for Windows too and the Linux and Windows modules are timed the same way on one machine.
// The configurations take turns round by round, so a busy neighbour slows them all alike; given
// several bundles, the same holds across them (an A/B of two builds in one run).
#include "BenchProgramme.h"
#include "HostedChain.h"
#include "effect/VectorIsa.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr const char* kUsage =
    "usage: koru-bench-module BUNDLE... [--rounds N] [--frames N] [--warm-up N] [--filter TEXT]\n"
    "Times the KORU.vst3 bundle BUNDLE at 48 kHz: every vector path the processor has (each\n"
    "instance kept to its path through KORU's own interface for it), 64- and 32-bit samples, the\n"
    "cases "
    "Defaults, Compressor48 and AllMoving, blocks of 32, 64, 128, 512 and 2048 frames. Each\n"
    "round plays N frames (default 48000) through every configuration whose name contains\n"
    "TEXT; prints the best ns per stereo frame of N rounds (default 20). Before the first round\n"
    "each configuration plays N frames untimed (default 192000: the smoothed controls settle).\n"
    "Given several bundles, every configuration runs for each, named after the bundle's place\n"
    "in the list (A/, B/, ...), all taking turns in the same rounds.\n"
    "Under callgrind, --toggle-collect='*TimedRound*' counts the rounds alone.\n";

// One configuration: its own instance, playing its programme block after block.
class Configuration
{
public:
  virtual ~Configuration() = default;
  virtual void Play(long frames) = 0;
  std::string name;
  int blockFrames = 0;
  double best = 0.0; // ns per frame
};

template <class Sample>
class Player : public Configuration
{
public:
  Player(std::unique_ptr<HostedEffect> effect, chainbench::Case which, int frames)
    : mEffect(std::move(effect))
    , mChain(*mEffect)
    , mPlayer(mChain, which, frames)
  {
    blockFrames = frames;
  }
  void Play(long frames) override
  {
    for (long done = 0; done < frames; done += blockFrames) mPlayer.Block();
  }

private:
  std::unique_ptr<HostedEffect> mEffect;
  HostedChain mChain;
  chainbench::Player<HostedChain, Sample> mPlayer;
};
// Answers ns per frame.
__attribute__((noinline)) double TimedRound(Configuration& c, long frames)
{
  const auto start = std::chrono::steady_clock::now();
  c.Play(frames);
  const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
  const long played = (frames + c.blockFrames - 1) / c.blockFrames * c.blockFrames;
  return took.count() / static_cast<double>(played);
}
} // namespace

int main(int argc, char** argv)
{
  if (argc < 2 || std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")
  {
    std::fprintf(argc < 2 ? stderr : stdout, "%s", kUsage);
    return argc < 2 ? 2 : 0;
  }
  std::vector<std::string> bundles;
  int first = 1;
  for (; first < argc && std::string(argv[first]).rfind("--", 0) != 0; ++first)
    bundles.push_back(argv[first]);
  if (bundles.empty() || bundles.size() > 26)
  {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  int rounds = 20;
  long frames = 48000;
  long warmUp = chainbench::kWarmUpFrames;
  std::string filter;
  for (int i = first; i < argc; i += 2)
  {
    const std::string option = argv[i];
    if (i + 1 >= argc)
    {
      std::fprintf(stderr, "%s", kUsage);
      return 2;
    }
    if (option == "--rounds")
      rounds = std::atoi(argv[i + 1]);
    else if (option == "--frames")
      frames = std::atol(argv[i + 1]);
    else if (option == "--warm-up")
      warmUp = std::atol(argv[i + 1]);
    else if (option == "--filter")
      filter = argv[i + 1];
    else
    {
      std::fprintf(stderr, "%s", kUsage);
      return 2;
    }
  }

  // Each configuration's bundles side by side, so that they take their turns back to back.
  std::vector<std::unique_ptr<Configuration>> configurations;
  for (VectorIsa isa : {VectorIsa::kAvx512, VectorIsa::kAvx, VectorIsa::kSse2})
  {
    if (LimitedVectorIsa(isa) != isa) continue;
    for (int bits : {64, 32})
      for (chainbench::Case which : chainbench::kCases)
        for (int blockFrames : chainbench::kBlockSizes)
          for (size_t b = 0; b < bundles.size(); ++b)
          {
            const std::string prefix =
                bundles.size() > 1 ? std::string(1, static_cast<char>('A' + b)) + "/" : "";
            const std::string name = prefix + "Module" + std::to_string(bits) + "/" +
                                     VectorIsaName(isa) + "/" + chainbench::CaseName(which) + "/" +
                                     std::to_string(blockFrames);
            if (name.find(filter) == std::string::npos) continue;
            auto effect = std::make_unique<HostedEffect>("koru-bench-module");
            const int sampleSize =
                bits == 64 ? Steinberg::Vst::kSample64 : Steinberg::Vst::kSample32;
            if (!effect->Open(bundles[b]) || !effect->LimitVectorPath(VectorIsaName(isa)) ||
                !effect->Start(2, sampleSize, blockFrames, chainbench::kSampleRate))
            {
              std::fprintf(stderr, "koru-bench-module: %s\n", effect->Error().c_str());
              return 1;
            }
            std::unique_ptr<Configuration> c;
            if (bits == 64)
              c = std::make_unique<Player<double>>(std::move(effect), which, blockFrames);
            else
              c = std::make_unique<Player<float>>(std::move(effect), which, blockFrames);
            c->name = name;
            configurations.push_back(std::move(c));
          }
  }

  for (auto& c : configurations) c->Play(warmUp);
  for (int round = 0; round < rounds; ++round)
    for (auto& c : configurations)
    {
      const double ns = TimedRound(*c, frames);
      if (round == 0 || ns < c->best) c->best = ns;
    }
  for (const auto& c : configurations)
    std::printf("%-40s %8.2f ns/frame\n", c->name.c_str(), c->best);
  return 0;
}
