// The shipped KORU::ProcessBlock must give the literal chain's output bit for bit: on every
// signal, setting, block size and sample rate, whatever shortcuts the shipped chain takes.
#include "effect/CircuitDesignCache.h"
#include "effect/CircuitSectionPair.h"
#include "effect/CompressorGain.h"
#include "effect/CompressorStepper.h"
#include "effect/InputCurve.h"
#include "effect/KORU.h"
#include "effect/KORUParameterTable.h"
#include "effect/StereoHalfbandOversampler.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "reference/HalfbandOversampler.h"
#include "reference/LiteralKORUChain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <utility>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;

// The shipped instance and the reference, fed the same parameter values and the same input.
class ChainPair
{
public:
  explicit ChainPair(double fs, VectorIsa isa = VectorIsa::kAvx512)
    : mShipped(std::make_unique<KORU>())
  {
    mShipped->LimitVectorIsa(isa);
    // KORU always has its editor, so its meters run.
    mLiteral.SetMetersRunning(mShipped->GetGUI() != nullptr);
    SetSampleRate(fs);
    mShipped->SetMaxBlockSize(4096);
  }

  void SetSampleRate(double fs)
  {
    mShipped->SetSampleRate(fs);
    mLiteral.SetSampleRate(fs);
  }

  // Through the record and the hook, as the binding does; the reference takes the value the
  // record ended up with.
  void SetParam(int index, double plain)
  {
    mShipped->Param(index)->ClampSet(plain);
    mShipped->ParamChanged(index);
    mLiteral.SetParam(index, mShipped->Param(index)->Value());
  }

  // Runs one block through both; answers false (and says where) at the first differing bit.
  // inPlace hands the shipped chain its input buffers as outputs.
  ::testing::AssertionResult Block(const double* left, const double* right, int frames,
                                   bool inPlace = false)
  {
    mInL.assign(left, left + frames);
    mInR.assign(right, right + frames);
    mRefL.assign(frames, 0.0);
    mRefR.assign(frames, 0.0);
    double* refIns[] = {mInL.data(), mInR.data()};
    double* refOuts[] = {mRefL.data(), mRefR.data()};
    mLiteral.ProcessBlock(refIns, refOuts, frames);

    mInL.assign(left, left + frames);
    mInR.assign(right, right + frames);
    mOutL.assign(frames, 0.0);
    mOutR.assign(frames, 0.0);
    double* ins[] = {mInL.data(), mInR.data()};
    double* outs[] = {mOutL.data(), mOutR.data()};
    mShipped->ProcessBlock(ins, inPlace ? ins : outs, frames);
    const std::vector<double>& gotL = inPlace ? mInL : mOutL;
    const std::vector<double>& gotR = inPlace ? mInR : mOutR;

    for (int n = 0; n < frames; ++n)
      if (std::memcmp(&gotL[n], &mRefL[n], sizeof(double)) != 0 ||
          std::memcmp(&gotR[n], &mRefR[n], sizeof(double)) != 0)
        return ::testing::AssertionFailure()
               << "frame " << mFrame + n << " of a " << frames << "-frame block: shipped ("
               << gotL[n] << ", " << gotR[n] << "), literal (" << mRefL[n] << ", " << mRefR[n]
               << ")";
    mFrame += frames;
    return StateMatches();
  }

  // The state the next block starts from must match too.
  ::testing::AssertionResult StateMatches() const
  {
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof(double)) == 0; };
    if (!same(mShipped->CompressorGainState(), mLiteral.CompressorGainState()))
      return ::testing::AssertionFailure() << "compressor gain differs after frame " << mFrame;
    for (int s = 1; s <= 10; ++s)
      if (!same(mShipped->Smoother(s).z, mLiteral.Smoother(s).z) ||
          !same(mShipped->Smoother(s).a, mLiteral.Smoother(s).a) ||
          !same(mShipped->Smoother(s).b, mLiteral.Smoother(s).b))
        return ::testing::AssertionFailure()
               << "smoother S" << s << " differs after frame " << mFrame;
    if (!same(mShipped->VUState(), mLiteral.VUState()) ||
        !same(mShipped->GRState(), mLiteral.GRState()))
      return ::testing::AssertionFailure() << "meter states differ after frame " << mFrame;
    // The meter controls were last pushed the states after the last frame (which they keep in
    // their range once they have a value): with one-frame blocks, every frame's values.
    const IGraphics* graphics = mShipped->GetGUI();
    const std::pair<int, double> meters[] = {{mShipped->GRMeterIdx(), mLiteral.GRState()},
                                             {mShipped->VUMeterIdx(), mLiteral.VUState()}};
    for (const auto& [index, state] : meters)
    {
      const double shown = graphics->GetControl(index)->GetValue();
      if (mFrame > 0 && shown != state && shown != std::clamp(state, 0.0, 1.0))
        return ::testing::AssertionFailure()
               << "meter " << index << " shows " << shown << " after frame " << mFrame
               << ", the literal chain's state is " << state;
    }
    return ::testing::AssertionSuccess();
  }

private:
  std::unique_ptr<KORU> mShipped;
  LiteralKORUChain mLiteral;
  std::vector<double> mInL, mInR, mOutL, mOutR, mRefL, mRefR;
  long mFrame = 0;
};

// A tour of programme and torture signals, one segment of this many frames after the other.
constexpr size_t kSegmentFrames = 800;
// A tour of programme and torture signals, one segment after the other.
struct TestSignal
{
  std::vector<double> left, right;

  TestSignal(double fs, size_t frames, unsigned seed) : left(frames), right(frames)
  {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const size_t segment = kSegmentFrames;
    for (size_t i = 0; i < frames; ++i)
    {
      const double t = static_cast<double>(i) / fs;
      const size_t k = i % segment;
      double l = 0.0, r = 0.0;
      switch ((i / segment) % 10)
      {
      case 0: break; // silence
      case 1:        // sines, different on each side
        l = 0.5 * std::sin(2 * kPi * 1000.0 * t);
        r = 0.25 * std::sin(2 * kPi * 97.0 * t) + 0.2 * std::sin(2 * kPi * 7000.0 * t);
        break;
      case 2: // white noise near full scale
        l = 0.7 * noise(rng);
        r = 0.7 * noise(rng);
        break;
      case 3: // tone bursts, gated every 200 frames
        l = (k / 200) % 2 ? 0.9 * std::sin(2 * kPi * 440.0 * t) : 0.0;
        r = (k / 200) % 2 ? 0.0 : 0.05 * noise(rng);
        break;
      case 4: // full scale
        l = (k / 37) % 2 ? 1.0 : -1.0;
        r = std::sin(2 * kPi * 50.0 * t);
        break;
      case 5: // transients: clicks and steps
        l = k % 301 == 0 ? 1.0 : 0.0;
        r = (k / 500) % 2 ? 0.8 : -0.3;
        break;
      case 6: // quiet programme around the knee of a deep threshold
        l = 1e-3 * std::sin(2 * kPi * 300.0 * t) + 1e-5 * noise(rng);
        r = 3e-6 * noise(rng);
        break;
      case 7: // far past full scale, and non-finite samples
        l = k % 97 == 0 ? nan : 100.0 * noise(rng);
        r = k % 89 == 0 ? (k % 2 ? inf : -inf) : (k % 13 == 0 ? 1e300 : 3.0 * noise(rng));
        break;
      case 8: // one side silent, the other a low sine
        l = 0.6 * std::sin(2 * kPi * 40.0 * t);
        break;
      case 9: // denormal-sized and tiny values
        l = 1e-310 * (k % 3);
        r = -4.9e-324 * (k % 2);
        break;
      }
      left[i] = l;
      right[i] = r;
    }
  }
};

// Settings the tour steps through, one per stage; stage kMoving gives every control a new
// value at every block.
struct Settings
{
  double values[kNumKORUParams];
};
const Settings kStages[] = {
    {{0.0, 0.0, 0.5, 0.5, 0.5, 0.01, 0.0, 0.0, 0.0}},  // defaults
    {{0.0, 0.0, 0.5, 0.5, 0.5, 0.01, 48.0, 0.0, 0.0}}, // "Compressor 1" at 48
    {{24.0, -6.0, 0.88, 0.1, 0.9, 0.979, 96.0, 0.0, 0.0}},
    {{-24.0, 24.0, 0.12, 0.9, 0.1, 0.5, 20.0, 1.0, 0.0}}, // EQ bypassed
    {{6.0, 3.0, 0.7, 0.3, 0.6, 0.2, 60.0, 0.0, 1.0}},     // compressor bypassed
    {{0.0, 0.0, 0.3, 0.7, 0.4, 0.8, 96.0, 1.0, 1.0}},     // both bypassed
};
constexpr int kNumStages = sizeof(kStages) / sizeof(kStages[0]);
constexpr int kMovingStage = kNumStages; // after the fixed ones

void ApplyStage(ChainPair& pair, int stage, std::mt19937& rng)
{
  if (stage < kNumStages)
  {
    for (int i = 0; i < kNumKORUParams; ++i) pair.SetParam(i, kStages[stage].values[i]);
    return;
  }
  // Automation: every continuous control anywhere in its range (and a little past it, which
  // the record limits), the switches now and then.
  for (int i = 0; i < kNumKORUParams; ++i)
  {
    const KORUParameterRow& row = kKORUParameterTable[i];
    if (row.stepped)
    {
      if (rng() % 8 == 0) pair.SetParam(i, static_cast<double>(rng() % 2));
      continue;
    }
    std::uniform_real_distribution<double> value(row.min - 0.05 * (row.max - row.min),
                                                 row.max + 0.05 * (row.max - row.min));
    pair.SetParam(i, value(rng));
  }
}

// Runs the tour in blocks of blockSize, changing the stage every stageFrames frames (at the
// next block boundary), moving every control every block in the last stage.
void RunTour(double fs, int blockSize, VectorIsa isa, size_t frames, size_t stageFrames,
             unsigned seed)
{
  ChainPair pair(fs, isa);
  const TestSignal signal(fs, frames, seed);
  std::mt19937 rng(seed + 1);
  int stage = -1;
  for (size_t start = 0; start < frames; start += blockSize)
  {
    const int wanted = static_cast<int>(start / stageFrames) % (kNumStages + 1);
    if (wanted != stage || wanted == kMovingStage) ApplyStage(pair, wanted, rng);
    stage = wanted;
    const int n = static_cast<int>(std::min<size_t>(blockSize, frames - start));
    // Some blocks in place, as hosts may process.
    const bool inPlace = (start / blockSize) % 3 == 1;
    ASSERT_TRUE(pair.Block(signal.left.data() + start, signal.right.data() + start, n, inPlace));
  }
}

// The vector paths this processor can run (the others would be the same test again).
std::vector<VectorIsa> RunnableIsas()
{
  std::vector<VectorIsa> isas;
  for (VectorIsa isa : {VectorIsa::kSse2, VectorIsa::kAvx, VectorIsa::kAvx512})
    if (LimitedVectorIsa(isa) == isa) isas.push_back(isa);
  return isas;
}

struct TourCase
{
  double fs;
  int blockSize;
  VectorIsa isa;
};

void PrintTo(const TourCase& c, std::ostream* os)
{
  *os << c.fs << " Hz, " << c.blockSize << "-frame blocks, " << VectorIsaName(c.isa);
}

class KORUBitExactTour : public ::testing::TestWithParam<TourCase>
{
};

TEST_P(KORUBitExactTour, EverySignalAndSettingMatchesTheLiteralChain)
{
  const TourCase c = GetParam();
  // Enough blocks to visit every stage (and several moving blocks) at every block size.
  const size_t stageFrames = std::max<size_t>(1200, static_cast<size_t>(c.blockSize));
  const size_t frames = stageFrames * (kNumStages + 2);
  RunTour(c.fs, c.blockSize, c.isa, frames, stageFrames, static_cast<unsigned>(c.fs) + c.blockSize);
}

std::vector<TourCase> AllTourCases()
{
  std::vector<TourCase> cases;
  for (double fs : {44100.0, 48000.0, 96000.0, 192000.0})
    for (int block : {1, 7, 512, 4096})
      for (VectorIsa isa : RunnableIsas()) cases.push_back({fs, block, isa});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlockSizes, KORUBitExactTour, ::testing::ValuesIn(AllTourCases()),
                         [](const ::testing::TestParamInfo<TourCase>& info)
                         {
                           return std::to_string(static_cast<int>(info.param.fs)) + "Hz_" +
                                  std::to_string(info.param.blockSize) + "frames_" +
                                  VectorIsaName(info.param.isa);
                         });

// Long enough for every smoother to reach its fixed point (about 38000 frames for the ones
// advanced once per frame at 8 kHz, the rate that gets there soonest), then knobs move and
// settle again: the settled path and the way out of it both have to match.
TEST(KORUBitExact, SettledControlsAndTheWayOutOfThem)
{
  constexpr double kFs = 8000.0;
  ChainPair pair(kFs);
  const TestSignal signal(kFs, 7 * kSegmentFrames, 7);
  // Programme only: segments 1 to 6 of the tour, repeated.
  const double* left = signal.left.data() + kSegmentFrames;
  const double* right = signal.right.data() + kSegmentFrames;
  constexpr int kBlock = 400;
  constexpr int kBlocksInProgramme = 6 * kSegmentFrames / kBlock;
  auto run = [&](int blocks)
  {
    for (int b = 0; b < blocks; ++b)
    {
      const int offset = (b % kBlocksInProgramme) * kBlock;
      ASSERT_TRUE(pair.Block(left + offset, right + offset, kBlock));
    }
  };
  run(115); // 46000 frames at defaults
  // A new rate moves the settled designs and the smoothers' steps.
  pair.SetSampleRate(11025.0);
  run(5);
  pair.SetSampleRate(kFs);
  run(5);
  pair.SetParam(kCompressor, 48.0);
  pair.SetParam(kHighGain, 0.7);
  run(20);
  pair.SetParam(kMidFrequency, 0.4);
  pair.SetParam(kEQBypass, 1.0);
  run(20);
  pair.SetParam(kEQBypass, 0.0);
  run(115); // settle again with the compressor working
  pair.SetParam(kCompressorBypass, 1.0);
  run(10);
  pair.SetParam(kCompressorBypass, 0.0);
  pair.SetParam(kInputGain, 12.0);
  run(10);
}

// Sample-rate changes between blocks, empty blocks and blocks of every size in between,
// including rates high enough to reach the high band's a0 guard.
TEST(KORUBitExact, RateChangesEmptyBlocksAndRaggedBlockSizes)
{
  ChainPair pair(48000.0);
  const TestSignal signal(48000.0, 30000, 11);
  std::mt19937 rng(5);
  size_t start = 0;
  const double rates[] = {48000.0, 44100.0, 96000.0, 768000.0, 192000.0, 22050.0};
  for (int round = 0; round < 60 && start < signal.left.size(); ++round)
  {
    if (round % 10 == 0) pair.SetSampleRate(rates[(round / 10) % 6]);
    if (round % 4 == 0) pair.SetParam(kCompressor, static_cast<double>(rng() % 97));
    if (round % 5 == 0) pair.SetParam(kHighGain, 0.12 + 0.76 * (rng() % 100) / 99.0);
    const int n =
        std::min<int>(static_cast<int>(rng() % 1100), static_cast<int>(signal.left.size() - start));
    ASSERT_TRUE(pair.Block(signal.left.data() + start, signal.right.data() + start,
                           round % 7 == 3 ? 0 : n));
    if (round % 7 != 3) start += n;
  }
}
// Values that go non-finite inside the chain (a sustained enormous input, a rate far above any
// host's) make both chains recover their state the same way, frame for frame.
TEST(KORUBitExact, RecoveryFromNonFiniteStateMatches)
{
  const std::vector<double> huge(6000, 1e300);
  for (const double fs : {48000.0, 1536000.0})
  {
    SCOPED_TRACE(fs);
    ChainPair pair(fs);
    pair.SetParam(kHighGain, 0.88);
    pair.SetParam(kCompressor, 30.0);
    const TestSignal signal(fs, 6000, 3);
    for (int start = 0; start < 6000; start += 600)
    {
      const bool enormous = (start / 600) % 2 == 0;
      const double* left = enormous ? huge.data() + start : signal.left.data() + start;
      const double* right = enormous ? huge.data() + start : signal.right.data() + start;
      if (start == 3000) pair.SetParam(kEQBypass, 1.0);
      ASSERT_TRUE(pair.Block(left, right, 600));
    }
  }
}
// The two-lane curve against the scalar one at its edges: NaN, infinities, the last table
// entries, the limit of the index, signed zeros and denormals.
TEST(KORUBitExact, CurvePairGivesTheScalarCurveInEachLane)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double scale = static_cast<double>(inputcurve::kScale);
  std::vector<double> values = {0.0,
                                -0.0,
                                nan,
                                -nan,
                                inf,
                                -inf,
                                1e300,
                                -1e300,
                                4.9e-324,
                                -2.2e-308,
                                1.0,
                                -1.0,
                                0.5 / scale,
                                198.0 / scale,
                                199.0 / scale,
                                std::nextafter(199.0 / scale, 0.0),
                                2147483647.0 / scale,
                                2147483648.0 / scale,
                                std::nextafter(2147483648.0 / scale, 0.0)};
  // Around every entry, the end included.
  for (int k = 0; k <= inputcurve::kCount + 1; ++k)
    for (double v : {k / scale, std::nextafter(k / scale, 0.0), std::nextafter(k / scale, 2.0)})
      values.insert(values.end(), {v, -v});
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> any(-1.5, 1.5);
  for (int n = 0; n < 2000; ++n) values.push_back(any(rng));
  for (size_t n = 0; n < values.size(); ++n)
  {
    const double left = values[n];
    const double right = values[(n * 7 + 3) % values.size()];
    double got[2];
    _mm_storeu_pd(got, InputCurvePair(_mm_set_pd(right, left)));
    const double want[2] = {InputCurve(left), InputCurve(right)};
    ASSERT_EQ(std::memcmp(got, want, sizeof got), 0) << "inputs " << left << ", " << right;
  }
}
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A function with memory (by value, as the pipeline hands it back) and a tail that checks
// each frame once it is final, in order.
// A head that reads an array and counts its calls, which must come in frame order.
struct Reader
{
  const __m128d* in;
  int* calls;
  __m128d operator()(int frame) const
  {
    EXPECT_EQ(frame, (*calls)++);
    return in[frame];
  }
};
struct Squares
{
  __m128d memory;
  int frames;
  const int* heads; // a frame's head comes first
  template <class Factor>
  void operator()(__m128d* s, int frame, Factor)
  {
    EXPECT_LT(frame, *heads);
    EXPECT_EQ(frame, frames++);
    for (int k = 0; k < Factor::value; ++k)
      s[k] = memory = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(0.5), memory), _mm_mul_pd(s[k], s[k]));
  }
};
struct Check
{
  const __m128d* out;
  const double *wantL, *wantR;
  int frames;
  void operator()(int frame)
  {
    EXPECT_EQ(frame, frames++);
    double got[2];
    _mm_storeu_pd(got, out[frame]);
    EXPECT_TRUE(SameBits(got[0], wantL[frame]) && SameBits(got[1], wantR[frame]))
        << "frame " << frame;
  }
};

// The stereo oversampler's frame pipeline against two scalar oversamplers sample by sample, with
// every vector path the processor has, in blocks long and short enough for the fill and drain of
// every pipeline (and shorter), with a function that has memory (so its call order shows); then
// its one-channel form carries on from the state the pipeline left.
template <int Stages>
void CheckStereoOversampler()
{
  constexpr int kFrames = 400;
  for (const VectorIsa isa : RunnableIsas())
  {
    SCOPED_TRACE(::testing::Message() << "factor 2^" << Stages << ", " << VectorIsaName(isa));
    HalfbandOversampler left(Stages), right(Stages);
    StereoHalfbandOversampler<Stages> stereo;
    stereo.LimitVectorIsa(isa);
    const TestSignal signal(48000.0, kFrames, 21);
    double memoryL = 0.0, memoryR = 0.0;
    std::vector<double> wantL, wantR;
    for (size_t n = 0; n < kFrames; ++n)
    {
      const double xL = std::isfinite(signal.left[n]) ? signal.left[n] : 0.0;
      const double xR = std::isfinite(signal.right[n]) ? signal.right[n] : 0.0;
      wantL.push_back(left.Process(xL, [&](double s) { return memoryL = 0.5 * memoryL + s * s; }));
      wantR.push_back(right.Process(xR, [&](double s) { return memoryR = 0.5 * memoryR + s * s; }));
    }
    static __m128d buffer[kFrames];
    static __m128d work[2 * 16 * kFrames];
    for (size_t n = 0; n < kFrames; ++n)
      buffer[n] = _mm_set_pd(std::isfinite(signal.right[n]) ? signal.right[n] : 0.0,
                             std::isfinite(signal.left[n]) ? signal.left[n] : 0.0);
    int heads = 0;
    Squares squares{_mm_setzero_pd(), 0, &heads};
    // Blocks of every length up to past the longest pipeline, then long ones; the memories carry
    // over between calls.
    int start = 0;
    for (int count = 1; start + count <= kFrames;
         start += count, count = count < 24 ? count + 1 : 76)
    {
      heads = 0;
      squares.frames = 0;
      Reader reader{buffer + start, &heads};
      Check check{buffer + start, wantL.data() + start, wantR.data() + start, 0};
      stereo.ProcessFrames(reader, buffer + start, count, work, squares, check);
      EXPECT_EQ(heads, count);
      EXPECT_EQ(squares.frames, count);
      EXPECT_EQ(check.frames, count);
    }
    for (int n = 0; n < start; ++n)
    {
      double got[2];
      _mm_storeu_pd(got, buffer[n]);
      ASSERT_TRUE(SameBits(got[0], wantL[n]) && SameBits(got[1], wantR[n])) << "sample " << n;
    }
    // The rest frame by frame with the one-channel form, then both forms again.
    for (int n = start; n < kFrames; ++n)
    {
      const double xL = std::isfinite(signal.left[n]) ? signal.left[n] : 0.0;
      const double xR = std::isfinite(signal.right[n]) ? signal.right[n] : 0.0;
      double ml = 0.0, mr = 0.0;
      std::memcpy(&ml, &squares.memory, sizeof ml);
      std::memcpy(&mr, reinterpret_cast<const char*>(&squares.memory) + 8, sizeof mr);
      const double gotL = stereo.Process(0, xL, [&](double s) { return ml = 0.5 * ml + s * s; });
      const double gotR = stereo.Process(1, xR, [&](double s) { return mr = 0.5 * mr + s * s; });
      squares.memory = _mm_set_pd(mr, ml);
      ASSERT_TRUE(SameBits(gotL, wantL[n]) && SameBits(gotR, wantR[n])) << "frame " << n;
    }
    for (int n = 0; n < 40; ++n)
    {
      const double x = 0.25 * std::sin(0.3 * n);
      auto square = [](double s) { return s * s; };
      ASSERT_TRUE(SameBits(stereo.Process(0, x, square), left.Process(x, square)))
          << "after, sample " << n;
      ASSERT_TRUE(SameBits(stereo.Process(1, -x, square), right.Process(-x, square)))
          << "after, sample " << n;
    }
  }
}

TEST(KORUBitExact, StereoOversamplerGivesEachChannelsSampleBySampleResult)
{
  CheckStereoOversampler<1>();
  CheckStereoOversampler<2>();
  CheckStereoOversampler<3>();
  CheckStereoOversampler<4>();
}

// Resetting or checking one channel leaves the other alone.
TEST(KORUBitExact, StereoOversamplerChannelsResetApart)
{
  HalfbandOversampler left(2), right(2);
  StereoHalfbandOversampler<2> stereo;
  auto same = [](double s) { return s; };
  for (int n = 0; n < 50; ++n)
  {
    left.Process(0.1 * n, same);
    right.Process(-0.2 * n, same);
    stereo.Process(0, 0.1 * n, same);
    stereo.Process(1, -0.2 * n, same);
  }
  const double inf = std::numeric_limits<double>::infinity();
  stereo.Process(1, inf, same);
  EXPECT_TRUE(stereo.IsFinite(0));
  EXPECT_FALSE(stereo.IsFinite(1));
  stereo.Reset(1);
  right.Reset();
  EXPECT_TRUE(stereo.IsFinite(1));
  for (int n = 0; n < 50; ++n)
  {
    ASSERT_TRUE(SameBits(stereo.Process(0, 0.3, same), left.Process(0.3, same)));
    ASSERT_TRUE(SameBits(stereo.Process(1, 0.3, same), right.Process(0.3, same)));
  }
}

// Section designs in lanes and the two-lane step against DesignHigh / DesignLow / DesignMid /
// DesignHighStable and Step, including a high band whose a0 is exactly 0 in one lane and high
// designs whose shape control is low enough to be unstable.
TEST(KORUBitExact, SectionPairsGiveTheScalarDesignsAndSteps)
{
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> position(0.0, 1.0), sample(-1.0, 1.0);
  CircuitDesignCache<circuit::kHigh> highCache;
  CircuitDesignCache<circuit::kHigh, true> stableHighCache;
  CircuitDesignCache<circuit::kLow> lowCache;
  CircuitDesignCache<circuit::kMid> midCache;
  CircuitSection pairL, pairR, scalarL, scalarR;
  int keptLanes = 0;
  for (int round = 0; round < 400; ++round)
  {
    const int band = round % 4;
    const double kL =
        (band == 2 ? 5.0 * 48000.0 * position(rng) : 48000.0) * (round % 7 == 0 ? 16.0 : 1.0);
    const double kR = round % 5 == 0 ? kL : 96000.0 * position(rng);
    const double bL = position(rng), bR = round % 4 == 0 ? bL : position(rng);
    // Shape controls near 0 make the high circuit unstable.
    const double cL = band == 3 ? 0.02 * position(rng) : position(rng);
    const double cR = band == 3 && round % 3 ? 0.02 * position(rng) : position(rng);
    CircuitCoefficientsPair k = CircuitCoefficientsPair::From(pairL, pairR);
    switch (band)
    {
    case 0:
      highCache.Design(k, {kL, bL, cL}, {kR, bR, cR});
      DesignHigh(scalarL, kL, bL, cL);
      DesignHigh(scalarR, kR, bR, cR);
      break;
    case 1:
      lowCache.Design(k, {kL, bL, cL}, {kR, bR, cR});
      DesignLow(scalarL, kL, bL, cL);
      DesignLow(scalarR, kR, bR, cR);
      break;
    case 2:
      midCache.Design(k, {kL, bL, 0.0}, {kR, bR, 0.0});
      DesignMid(scalarL, kL, bL);
      DesignMid(scalarR, kR, bR);
      break;
    default:
    {
      const double keptL = scalarL.a1, keptR = scalarR.a1;
      stableHighCache.Design(k, {kL, bL, cL}, {kR, bR, cR});
      DesignHighStable(scalarL, kL, bL, cL);
      DesignHighStable(scalarR, kR, bR, cR);
      keptLanes += SameBits(keptL, scalarL.a1) + SameBits(keptR, scalarR.a1);
      break;
    }
    }
    if (round % 11 == 0) // the guarded division
    {
      scalarR.a0 = 0.0;
      k.a0 = _mm_move_sd(_mm_setzero_pd(), k.a0);
      k.MarkNonZeroA0();
    }
    k.StoreTo(pairL, pairR);
    CircuitSectionPair pair(pairL, pairR);
    for (int n = 0; n < 8; ++n)
    {
      const double sL = sample(rng), sR = sample(rng);
      double got[2];
      _mm_storeu_pd(got, pair.Step(_mm_set_pd(sR, sL), k));
      const double wantL = Step(scalarL, sL), wantR = Step(scalarR, sR);
      ASSERT_TRUE(SameBits(got[0], wantL) && SameBits(got[1], wantR)) << "round " << round;
    }
    pair.Store();
    const double* p[] = {&pairL.a0, &pairL.b2, &pairR.a0,        &pairR.b2,
                         &pairL.y1, &pairR.y2, &pairL.lastOutput};
    const double* q[] = {&scalarL.a0, &scalarL.b2, &scalarR.a0,        &scalarR.b2,
                         &scalarL.y1, &scalarR.y2, &scalarL.lastOutput};
    for (int v = 0; v < 7; ++v)
      ASSERT_TRUE(SameBits(*p[v], *q[v])) << "round " << round << ", value " << v;
  }
  // The unstable designs really were refused now and then.
  EXPECT_GT(keptLanes, 0);
}
// The compressor with its shortcuts against CompressorGain, value for value: zero thresholds of
// either sign, silent and tiny peaks (a divisor that underflows at a low rate), levels around
// the knee, deep thresholds, attack and release.
TEST(KORUBitExact, CompressorStepperGivesCompressorGain)
{
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double peaks[] = {0.0, 4.9e-324, 1e-310, 1e-6, 0.01, 0.5, 1.0, 3.0, 1e300};
  for (const double fs : {500.0, 44100.0, 48000.0, 192000.0})
  {
    CompressorStepper stepper;
    stepper.SetRate(fs);
    double literal = 1.0, shipped = 1.0;
    for (int n = 0; n < 4000; ++n)
    {
      const double T = n % 5 == 0   ? 0.0
                       : n % 5 == 1 ? -0.0
                                    : -96.0 * unit(rng) * (n % 3 == 0 ? 1.0 : 0.1);
      const double level = std::pow(10.0, -5.0 * unit(rng)) * (n % 7 == 0 ? 0.0 : 1.0);
      const double inL = level * (unit(rng) < 0.5 ? -1.0 : 1.0);
      const double inR = level * unit(rng);
      const double peak = peaks[n % 9];
      literal = CompressorGain(literal, inL, inR, peak, T, fs);
      shipped = stepper.Step(shipped, inL, inR, peak, T);
      ASSERT_TRUE(SameBits(literal, shipped))
          << "fs " << fs << ", step " << n << ": " << literal << " vs " << shipped;
    }
  }
}

// The block form: a block's targets at once (odd block sizes, some longer than the stepper's
// own block), the attack factors of a moving threshold at once, then the ballistics frame by
// frame, against the scalar target and Step.
TEST(KORUBitExact, CompressorTargetsOfABlockGiveTheFrameByFrameTargets)
{
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double nan = std::numeric_limits<double>::quiet_NaN(),
               inf = std::numeric_limits<double>::infinity();
  CompressorStepper block, scalar;
  block.SetRate(48000.0);
  scalar.SetRate(48000.0);
  std::vector<double> inL(3000), inR(3000), T(3000), peak(3000), G(3000), attack(3000);
  for (size_t n = 0; n < inL.size(); ++n)
  {
    const double level = std::pow(10.0, -6.0 * unit(rng)) * 1.5;
    inL[n] = n % 97 == 0 ? nan : n % 89 == 0 ? -inf : level * (unit(rng) < 0.5 ? -1.0 : 1.0);
    inR[n] = n % 53 == 0 ? 0.0 : level * unit(rng);
    T[n] = (n / 300) % 2 ? -48.0 : -96.0 * unit(rng);
    peak[n] = unit(rng);
  }
  double blockGain = 1.0, scalarGain = 1.0;
  size_t start = 0;
  for (int size : {1, 7, 64, 65, 130, 333, 1000, 1400})
  {
    block.TargetGains(&inL[start], &inR[start], &T[start], size, &G[start]);
    for (int first = 0; first < size; first += CompressorStepper::kMaxBlock)
      block.AttackFactors(&T[start + first], std::min(size - first, CompressorStepper::kMaxBlock),
                          &attack[start + first]);
    for (size_t n = start; n < start + size; ++n)
    {
      ASSERT_TRUE(SameBits(G[n], scalar.TargetGain(inL[n], inR[n], T[n]))) << "frame " << n;
      blockGain = block.Follow(blockGain, G[n], peak[n], T[n], n % 2 ? &attack[n] : nullptr);
      scalarGain = scalar.Step(scalarGain, inL[n], inR[n], peak[n], T[n]);
      ASSERT_TRUE(SameBits(blockGain, scalarGain)) << "frame " << n;
    }
    start += size;
  }
}
} // namespace
