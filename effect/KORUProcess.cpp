// The per-sample signal chain of KORU, in the order the design gives. Left and right are
// computed step by step within each sample; the order of every smoother advance and of every
// floating-point operation is part of the result and must not change. Whatever is computed
// once per block or skipped here gives the same bits as the literal chain would (the tests
// hold it to that, bit for bit).
#include "effect/CircuitDesignLanes.h"
#include "effect/CompressorStepper.h"
#include "effect/InputCurve.h"
#include "effect/KORU.h"
#include "framework/DeterministicMath.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <emmintrin.h>

namespace
{
// Added before the input curve (so silence in is not exactly silence out).
constexpr double kInputOffset = 1e-10;
// Continuous make-up: the compressor knob's 0..96 maps onto 0..10 dB.
constexpr double kCompressorRange = 96.0;
constexpr double kCompressorMakeupDb = 10.0;
// Bilinear rate constants of the three bands, as multiples of the base rate.
constexpr double kMidRateFactor = 5.0;
constexpr double kHighRateFactor = 0.25;
// Targets of the two shape smoothers.
constexpr double kHighShapeTarget = 1.0;
constexpr double kLowShapeTarget = 0.3;
// Meter ballistics: -40 dB (ln 100) in 0.3 s, with the needle pulled a little past its target.
constexpr double kMeterLn100 = 4.60517018599;
constexpr double kMeterSeconds = 0.3;
constexpr double kMeterRise = 1.0125;
constexpr double kMeterFall = 0.9875;
// How many frames the meters follow the output pipeline's shelves by (see ShelvesAndOutput).
constexpr int kMeterLag = 2;

// What the oversampling pipelines do per frame. Function objects rather than lambdas: the
// pipelines work on copies of them, so their state (a smoother, filter memories) stays in
// registers, and hand the copies back.

// The input stage on one frame's oversampled samples: the one input-gain smoother advances
// four times for the left channel, then four times for the right, and oversampled sample k
// takes its channel's k-th gain.
struct InputStageFrame
{
  double step, decay, z; // the smoother's a * target, its b and its value
  bool moving;           // false: a step would leave z where it is

  template <class Factor>
  void operator()(__m128d* s, int, Factor)
  {
    constexpr int kFactor = Factor::value;
    double g[2 * kFactor];
#pragma GCC unroll 32
    for (int k = 0; k < 2 * kFactor; ++k)
    {
      if (moving) z = step + decay * z;
      g[k] = z;
    }
#pragma GCC unroll 16
    for (int k = 0; k < kFactor; ++k)
      s[k] = InputCurvePair(_mm_mul_pd(_mm_set_pd(g[kFactor + k], g[k]), s[k]));
  }
};

// The input stage's frames: the input pair and the offset added before the curve.
struct InputFrame
{
  const __m128d* x;
  __m128d offset;
  __m128d operator()(int n) const { return _mm_add_pd(x[n], offset); }
};

// Left and right of a finished frame into their own arrays, and the compressor's target for them:
// at once where the level is clearly below the knee, else kept for the chunk's logarithms.
struct SplitFrame
{
  const __m128d* stereo;
  double *left, *right;
  CompressorStepper* compressor;
  const double* threshold;
  double* target;
  void operator()(int n) const
  {
    double l, r;
    _mm_storel_pd(&l, stereo[n]);
    _mm_storeh_pd(&r, stereo[n]);
    left[n] = l;
    right[n] = r;
    compressor->Target(n, l, r, threshold[n], target);
  }
};

// The compressor on one frame: the gain's step toward the frame's target, then the make-up and
// S10's two steps (left, then right) on the input-stage outputs, unless the compressor is
// bypassed. Answers the compressor's output pair, which it also keeps for the equaliser bypass.
struct CompressorFrame
{
  CompressorStepper* stepper;
  OnePoleSmoother s10;
  double gain;
  double makeup;
  const double *target, *peak, *threshold;
  const double* attack; // the attack factors while the threshold moves, else null
  const double *inL, *inR;
  double* gains;
  __m128d* out;
  bool bypassed;

  __m128d operator()(int n)
  {
    gain = stepper->Follow(gain, target[n], peak[n], threshold[n], attack ? &attack[n] : nullptr);
    gains[n] = gain;
    const __m128d in = _mm_set_pd(inR[n], inL[n]);
    if (bypassed) return out[n] = in;
    const double left = s10.Advance(gain);
    const double right = s10.Advance(gain);
    return out[n] = _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(makeup), _mm_set_pd(right, left)), in);
  }
};

// The mid band on one frame's oversampled samples, with the frame's design.
struct MidBandFrame
{
  CircuitSectionPair mid;
  const CircuitCoefficientsPair* designs;
  int stride; // 0 when one design serves every frame

  template <class Factor>
  void operator()(__m128d* s, int n, Factor)
  {
    const CircuitCoefficientsPair& k = designs[n * stride];
#pragma GCC unroll 16
    for (int i = 0; i < Factor::value; ++i) s[i] = mid.Step(s[i], k);
  }
};

// Both meters' ballistics side by side, VU in the low lane and gain reduction in the high one.
// Each lane does what the scalar formula does, operation for operation; the comparison picks the
// factor by a mask, so nothing branches on the signal. The constants are read from memory at
// every step (the output pipeline has no register to spare for them), in this order.
enum MeterConstant
{
  kMeterAbsMask,
  kMeterRiseFactor,
  kMeterFallFactor,
  kMeterDecay, // follows the rate
  kMeterMinusOne,
  kNumMeterConstants
};
struct MeterPair
{
  const __m128d* constants; // each in both lanes

  __m128d Constant(MeterConstant which) const
  {
    return _mm_load_pd(reinterpret_cast<const double*>(&constants[which]));
  }
  // A frame's readings before their absolute values: outL + outR, and gain - 1, which is
  // -(1 - gain) to the bit (rounding is symmetric about zero).
  __m128d Readings(const double* outL, const double* outR, const double* gain) const
  {
    const double* minusOne = reinterpret_cast<const double*>(&constants[kMeterMinusOne]);
    return _mm_add_pd(_mm_loadh_pd(_mm_load_sd(outL), gain),
                      _mm_loadh_pd(_mm_load_sd(outR), minusOne));
  }
  // The states after a frame: v = |reading|, scaled by the rise when v > state, else by the fall;
  // state = (state - v) * decay + v.
  __m128d Step(__m128d state, __m128d readings) const
  {
    const __m128d v = _mm_and_pd(Constant(kMeterAbsMask), readings);
    const __m128d rising = _mm_cmpgt_pd(v, state);
    const __m128d factor = _mm_or_pd(_mm_and_pd(rising, Constant(kMeterRiseFactor)),
                                     _mm_andnot_pd(rising, Constant(kMeterFallFactor)));
    const __m128d pulled = _mm_mul_pd(v, factor);
    return _mm_add_pd(_mm_mul_pd(_mm_sub_pd(state, pulled), Constant(kMeterDecay)), pulled);
  }
};

// The shelves and the output gain on a frame the mid band finished (or the equaliser bypass,
// which takes the compressor's output instead), and the meters.
//
// The meters ride here rather than in a loop of their own: alone, their chain of dependent steps
// (a dozen cycles or more a frame) is all that loop would do, while here it runs beside the
// pipeline's longer chains and costs only the issue slots its few instructions take. They step
// kMeterLag frames behind the shelves, on outputs already stored, so that their instructions find
// their operands ready and leave the scheduler at once instead of queueing behind the shelves'
// newest result and holding back the pipeline's other work. The last kMeterLag frames are
// stepped after the pipeline.
struct ShelvesAndOutput
{
  CircuitSectionPair high, low;
  const CircuitCoefficientsPair *highDesigns, *lowDesigns;
  const double (*output)[2]; // the smoothed output gain, [frame][channel]
  const __m128d *midOut, *bypassed;
  double *outL, *outR;
  __m128d makeup;
  int stride; // 0 when the first frame's designs and output gain serve every frame
  bool eqBypassed;
  MeterPair meter;
  const double* gain; // the compressor's gain before smoothing, written by the pipeline's head
  __m128d meterState; // VU low, gain reduction high
  double *vu, *gr;    // the states after each frame

  void operator()(int n)
  {
    const int m = n * stride;
    const __m128d outputGain = _mm_set_pd(output[m][1], output[m][0]);
    __m128d out;
    if (!eqBypassed)
      out = _mm_mul_pd(
          _mm_mul_pd(low.Step(high.Step(midOut[n], highDesigns[m]), lowDesigns[m]), makeup),
          outputGain);
    else
      out = _mm_mul_pd(_mm_mul_pd(makeup, bypassed[n]), outputGain);
    _mm_storel_pd(&outL[n], out);
    _mm_storeh_pd(&outR[n], out);
    if (n >= kMeterLag) StepMeters(n - kMeterLag);
  }
  // The meters on frame k, whose outputs are stored.
  void StepMeters(int k)
  {
    meterState = meter.Step(meterState, meter.Readings(&outL[k], &outR[k], &gain[k]));
    _mm_storel_pd(&vu[k], meterState);
    _mm_storeh_pd(&gr[k], meterState);
  }
};

// A chunk's designs of the three bands, frame by frame, several frames per vector.
struct ChunkDesigns
{
  int frames;
  const double *midK, *midK2, *mid; // [frame][channel]
  const double *highK, *high, *highShape, *lowK, *low, *lowShape;
  CircuitCoefficientsPair *midOut, *highOut, *lowOut; // per frame
  CircuitCoefficientsPair *midCurrent, *highCurrent, *lowCurrent;
};

template <int N>
__attribute__((always_inline)) inline void DesignChunk(const ChunkDesigns& d)
{
  // The mid circuit has no c terms: its control values stand in for them unread.
  DesignFrames<circuit::kMid, false, N>(d.midK, d.midK2, d.mid, d.mid, d.frames, d.midOut,
                                        *d.midCurrent);
  // The high circuit is unstable while its shape control rises from 0: keep its last stable design.
  DesignFrames<circuit::kHigh, true, N>(d.highK, nullptr, d.high, d.highShape, d.frames, d.highOut,
                                        *d.highCurrent);
  DesignFrames<circuit::kLow, false, N>(d.lowK, nullptr, d.low, d.lowShape, d.frames, d.lowOut,
                                        *d.lowCurrent);
}
__attribute__((flatten)) void DesignChunkSse2(const ChunkDesigns& d) { DesignChunk<2>(d); }
#if KORU_WIDE_VECTORS
__attribute__((target("avx"), flatten)) void DesignChunkAvx(const ChunkDesigns& d)
{
  DesignChunk<4>(d);
}
__attribute__((target("avx,avx512f,avx512vl,avx512dq"), flatten)) void
DesignChunkAvx512(const ChunkDesigns& d)
{
  DesignChunk<8>(d);
}
#endif

bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

void DesignChunk(VectorIsa isa, const ChunkDesigns& d)
{
#if KORU_WIDE_VECTORS
  if (isa == VectorIsa::kAvx512) return DesignChunkAvx512(d);
  if (isa == VectorIsa::kAvx) return DesignChunkAvx(d);
#endif
  (void)isa;
  DesignChunkSse2(d);
}
} // namespace

void KORU::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  // What follows from the rate or a record alone is computed again only when that changed: the
  // same functions of the same values give the same bits.
  const double fs = SampleRate();
  if (!mRateConstantsValid || !SameBits(fs, mFs))
  {
    mFs = fs;
    for (OnePoleSmoother& smoother : mSmoothers) smoother.SetRate(fs);
    static_assert(sizeof(mMeterConstants) == kNumMeterConstants * sizeof(__m128d),
                  "one per constant");
    mMeterConstants[kMeterAbsMask] = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    mMeterConstants[kMeterRiseFactor] = _mm_set1_pd(kMeterRise);
    mMeterConstants[kMeterFallFactor] = _mm_set1_pd(kMeterFall);
    mMeterConstants[kMeterDecay] = _mm_set1_pd(dmath::Exp(-kMeterLn100 / (kMeterSeconds * fs)));
    mMeterConstants[kMeterMinusOne] = _mm_set1_pd(-1.0);
    mCompressor.SetRate(fs);
    mRateConstantsValid = true;
    mEqualiserSettled = false;
  }
  if (nFrames < 1) return;

  // The records hold still for the block, so does everything read from them.
  const double compressorKnob = Param(kCompressor)->Value();
  if (!mCompressorMakeupValid || !SameBits(compressorKnob, mCompressorKnob))
  {
    const double makeupDb = compressorKnob / kCompressorRange * kCompressorMakeupDb;
    mCompressorMakeup = dmath::Exp10(makeupDb / 20.0);
    mCompressorKnob = compressorKnob;
    mCompressorMakeupValid = true;
  }
  mCompressorBypass = SwitchValue(kCompressorBypass);
  mEQBypass = SwitchValue(kEQBypass);
  // A switch value other than 0 or 1 leaves outputs at their previous values, frame by frame.
  const bool switchesPlain =
      (mCompressorBypass == 0 || mCompressorBypass == 1) && (mEQBypass == 0 || mEQBypass == 1);

  Chunk& c = mChunk;
  for (int start = 0; start < nFrames; start += kChunkFrames)
  {
    const int frames = std::min(kChunkFrames, nFrames - start);
    // Read the chunk's inputs before writing: hosts may process in place.
    for (int n = 0; n < frames; ++n)
    {
      double xL = inputs[0][start + n];
      double xR = inputs[1][start + n];
      // A non-finite input sample is treated as silence.
      xL = std::isfinite(xL) ? xL : 0.0;
      xR = std::isfinite(xR) ? xR : 0.0;
      c.x[n] = _mm_set_pd(xR, xL);
      // 1. The compressor's release follows the raw input peak.
      c.peak[n] = std::max(std::fabs(xR), std::fabs(xL));
    }

    if (switchesPlain)
    {
      SaveChainState(mChunkStart);
      if (!ProcessChunk(frames))
      {
        // Rare: some value went non-finite. Run the chunk again the careful way.
        RestoreChainState(mChunkStart);
        ProcessChunkFrameByFrame(frames);
      }
    }
    else
    {
      ProcessChunkFrameByFrame(frames);
    }

    if (GetGUI()) PushMeters(frames);
    for (int n = 0; n < frames; ++n)
    {
      outputs[0][start + n] = c.outL[n];
      outputs[1][start + n] = c.outR[n];
    }
  }
}

bool KORU::ProcessChunk(int frames)
{
  Chunk& c = mChunk;
  // Step 6 and the compressor's threshold first: they need no signal.
  const int stride = SmoothAndDesignEqualiser(frames);
  SmoothThreshold(frames);
  RunInputStage(frames);
  __m128d meters = _mm_set_pd(mGRState, mVUState);
  const double gain = RunCompressorEqualiserAndOutput(frames, stride, meters);

  bool finite = true;
  for (int n = 0; n < frames; ++n)
    finite =
        finite && std::isfinite(c.outL[n]) && std::isfinite(c.outR[n]) && std::isfinite(c.gain[n]);
  if (!finite) return false;

  // The per-frame values the next block starts from.
  mCurrentOversamplers = 1 - mCurrentOversamplers;
  const int last = frames - 1;
  mGain = gain;
  mInL = c.inL[last];
  mInR = c.inR[last];
  _mm_storel_pd(&mCompL, c.stereo[last]);
  _mm_storeh_pd(&mCompR, c.stereo[last]);
  _mm_storel_pd(&mMidOutL, c.midOut[last]);
  _mm_storeh_pd(&mMidOutR, c.midOut[last]);
  mOutL = c.outL[last];
  mOutR = c.outR[last];
  // 9. The meters follow only while there is an editor to show them.
  if (GetGUI())
  {
    _mm_storel_pd(&mVUState, meters);
    _mm_storeh_pd(&mGRState, meters);
  }
  return true;
}

int KORU::SmoothAndDesignEqualiser(int frames)
{
  // Settled smoothers stay where they are, and the same inputs give the same designs: the last
  // chunk's first-frame values and designs in mChunk still serve.
  if (mEqualiserSettled) return 0;
  Chunk& c = mChunk;
  const double fs = mFs;
  // The equaliser controls and the output gain: their smoothers advance for the left channel,
  // then for the right, in every frame (step 6). Settled smoothers give copies (a step leaves
  // them where they are), and the first frame's values and designs serve every frame.
  struct Control
  {
    OnePoleSmoother& smoother;
    double target;
    double* values;
  };
  const Control controls[] = {
      {mSmoothers[kS2Mid], 1.0 - mMidPos, &c.mid[0][0]},
      {mSmoothers[kS4MidFreq], 1.0 - mMidFreqPos, &c.midFreq[0][0]},
      {mSmoothers[kS6HighShape], kHighShapeTarget, &c.highShape[0][0]},
      {mSmoothers[kS3High], 1.0 - mHighPos, &c.high[0][0]},
      {mSmoothers[kS7LowShape], kLowShapeTarget, &c.lowShape[0][0]},
      {mSmoothers[kS1Low], mLowPos, &c.low[0][0]},
      {mSmoothers[kS5Output], mOutputGainLin, &c.output[0][0]},
  };
  constexpr int kControls = sizeof(controls) / sizeof(controls[0]);
  bool settled = true;
  for (const Control& control : controls)
    settled = settled && control.smoother.SettledAt(control.target);

  // 6. The chunk's smoothed controls and equaliser designs, ahead of the filters: they depend
  // on the controls alone, so the work of neighbouring frames overlaps.
  // The sections' coefficients: the designs start from them where inputs did not move, and the
  // high band keeps them where a new design would be unstable; the chunk's designs replace the
  // others.
  CircuitCoefficientsPair midK, highK = CircuitCoefficientsPair::From(mHighL, mHighR), lowK;
  const double midRate = fs * kMidRateFactor, highRate = fs * kHighRateFactor, lowRate = fs;
  if (settled)
  {
    midK = CircuitCoefficientsPair::From(mMidL, mMidR);
    lowK = CircuitCoefficientsPair::From(mLowL, mLowR);
    for (const Control& control : controls) std::fill_n(control.values, 2, control.smoother.z);
    mMidDesign.Design(midK, {midRate * c.midFreq[0][0], c.mid[0][0], 0.0},
                      {midRate * c.midFreq[0][1], c.mid[0][1], 0.0});
    mHighDesign.Design(highK, {highRate, c.high[0][0], c.highShape[0][0]},
                       {highRate, c.high[0][1], c.highShape[0][1]});
    mLowDesign.Design(lowK, {lowRate, c.low[0][0], c.lowShape[0][0]},
                      {lowRate, c.low[0][1], c.lowShape[0][1]});
    c.midDesign[0] = midK;
    c.highDesign[0] = highK;
    c.lowDesign[0] = lowK;
  }
  else
  {
    // Local copies keep the chains of steps in registers.
    double z[kControls], step[kControls][2];
    for (int j = 0; j < kControls; ++j)
    {
      const OnePoleSmoother& smoother = controls[j].smoother;
      z[j] = smoother.z;
      step[j][0] = smoother.a * controls[j].target;
      step[j][1] = smoother.b;
    }
    for (int i = 0; i < 2 * frames; ++i)
    {
#pragma GCC unroll 8
      for (int j = 0; j < kControls; ++j)
      {
        z[j] = step[j][0] + step[j][1] * z[j];
        controls[j].values[i] = z[j];
      }
    }
    for (int j = 0; j < kControls; ++j) controls[j].smoother.z = z[j];

    // K^2 with the standard power function, as the design does.
    for (int n = 0; n < frames; ++n)
      for (int ch = 0; ch < 2; ++ch)
      {
        c.midRate[n][ch] = midRate * c.midFreq[n][ch];
        c.midRateSquare[n][ch] = std::pow(c.midRate[n][ch], 2.0);
      }
    static_assert(kChunkFrames <= kMaxDesignFrames, "a chunk's designs in one go");
    ChunkDesigns designs;
    designs.frames = frames;
    designs.midK = &c.midRate[0][0];
    designs.midK2 = &c.midRateSquare[0][0];
    designs.mid = &c.mid[0][0];
    designs.highK = &highRate;
    designs.high = &c.high[0][0];
    designs.highShape = &c.highShape[0][0];
    designs.lowK = &lowRate;
    designs.low = &c.low[0][0];
    designs.lowShape = &c.lowShape[0][0];
    designs.midOut = c.midDesign;
    designs.highOut = c.highDesign;
    designs.lowOut = c.lowDesign;
    designs.midCurrent = &midK;
    designs.highCurrent = &highK;
    designs.lowCurrent = &lowK;
    // The same vector path as the oversamplers (LimitVectorIsa sets theirs).
    DesignChunk(InputOversampler().VectorIsaInUse(), designs);
    const int last = frames - 1;
    mMidDesign.Remember({c.midRate[last][0], c.mid[last][0], 0.0},
                        {c.midRate[last][1], c.mid[last][1], 0.0});
    mHighDesign.Remember({highRate, c.high[last][0], c.highShape[last][0]},
                         {highRate, c.high[last][1], c.highShape[last][1]});
    mLowDesign.Remember({lowRate, c.low[last][0], c.lowShape[last][0]},
                        {lowRate, c.low[last][1], c.lowShape[last][1]});
  }
  midK.StoreTo(mMidL, mMidR);
  highK.StoreTo(mHighL, mHighR);
  lowK.StoreTo(mLowL, mLowR);

  mEqualiserSettled = settled;
  return settled ? 0 : 1;
}

void KORU::RunInputStage(int frames)
{
  Chunk& c = mChunk;
  // 2. Input stage at four times the rate: the one input-gain smoother advances four times for
  // the left channel, then four times for the right, in every frame; oversampled sample k of a
  // frame takes its channel's k-th gain. Its chain of steps runs inside the pipeline, where it
  // overlaps the stages' work.
  OnePoleSmoother& s9 = mSmoothers[kS9Input];
  InputStageFrame inputStage{s9.a * mInputGainLin, s9.b, s9.z, !s9.SettledAt(mInputGainLin)};
  // The compressor's targets (step 3) follow each finished frame; the chunk's logarithms and
  // powers are taken together after it.
  InputFrame input{c.x, _mm_set1_pd(kInputOffset)};
  SplitFrame split{c.stereo, c.inL, c.inR, &mCompressor, c.threshold, c.target};
  mCompressor.BeginTargets();
  InputOversampler().ProcessFramesInto(mInputOversamplers[1 - mCurrentOversamplers], input,
                                       c.stereo, frames, c.work, inputStage, split);
  mCompressor.LoudTargets(c.threshold, c.target);
  s9.z = inputStage.z;
}

void KORU::SmoothThreshold(int frames)
{
  Chunk& c = mChunk;
  // 3. The compressor's smoothed threshold and, while it moves, its attack factors, a whole chunk
  // of exponentials at once.
  static_assert(kChunkFrames <= CompressorStepper::kMaxBlock, "a chunk's targets in one go");
  OnePoleSmoother& s8 = mSmoothers[kS8Threshold];
  const double thresholdTarget = -mCompAmount;
  mThresholdMoving = !s8.SettledAt(thresholdTarget);
  if (mThresholdMoving)
    for (int n = 0; n < frames; ++n) c.threshold[n] = s8.Advance(thresholdTarget);
  else
    std::fill_n(c.threshold, frames, s8.z);
  if (mThresholdMoving) mCompressor.AttackFactors(c.threshold, frames, c.attack);
}

double KORU::RunCompressorEqualiserAndOutput(int frames, int stride, __m128d& meters)
{
  Chunk& c = mChunk;
  // 3 to 5, then 7 and 8, both channels at once. The gain's chain of steps toward the targets and
  // S10's run as the output pipeline's head, so their latencies overlap the mid band's; then the
  // mid band at twice the rate, the shelves and the output gain (or the equaliser bypass, which
  // still runs the mid band); 9, the meters, a little behind.
  CompressorFrame compressor{&mCompressor,
                             mSmoothers[kS10CompGain],
                             mGain,
                             mCompressorMakeup,
                             c.target,
                             c.peak,
                             c.threshold,
                             mThresholdMoving ? c.attack : nullptr,
                             c.inL,
                             c.inR,
                             c.gain,
                             c.stereo,
                             mCompressorBypass != 0};
  MidBandFrame midBand{CircuitSectionPair(mMidL, mMidR), c.midDesign, stride};
  ShelvesAndOutput shelves{CircuitSectionPair(mHighL, mHighR),
                           CircuitSectionPair(mLowL, mLowR),
                           c.highDesign,
                           c.lowDesign,
                           c.output,
                           c.midOut,
                           c.stereo,
                           c.outL,
                           c.outR,
                           _mm_set1_pd(mMakeupFactor),
                           stride,
                           mEQBypass != 0,
                           MeterPair{mMeterConstants},
                           c.gain,
                           meters,
                           c.vu,
                           c.gr};
  OutputOversampler().ProcessFramesInto(mOutputOversamplers[1 - mCurrentOversamplers], compressor,
                                        c.midOut, frames, c.work, midBand, shelves);
  mSmoothers[kS10CompGain] = compressor.s10;
  midBand.mid.Store();
  shelves.high.Store();
  shelves.low.Store();
  for (int k = std::max(0, frames - kMeterLag); k < frames; ++k) shelves.StepMeters(k);
  meters = shelves.meterState;
  return compressor.gain;
}

void KORU::ProcessChunkFrameByFrame(int frames)
{
  Chunk& c = mChunk;
  for (int n = 0; n < frames; ++n)
  {
    double xL, xR;
    _mm_storel_pd(&xL, c.x[n]);
    _mm_storeh_pd(&xR, c.x[n]);
    ProcessSample(xL, xR);
    if (!std::isfinite(mOutL) || !std::isfinite(mOutR) || !std::isfinite(mGain))
      RecoverNonFiniteState();
    c.gain[n] = mGain;
    c.outL[n] = mOutL;
    c.outR[n] = mOutR;
  }
  // The sections were designed here, past the caches.
  InvalidateDesigns();
  if (GetGUI()) StepMeters(frames);
}

void KORU::InvalidateDesigns()
{
  mEqualiserSettled = false;
  mMidDesign.Invalidate();
  mHighDesign.Invalidate();
  mLowDesign.Invalidate();
}

void KORU::SaveChainState(ChainState& state) const
{
  std::copy(std::begin(mSmoothers), std::end(mSmoothers), std::begin(state.smoothers));
  state.midL = mMidL;
  state.midR = mMidR;
  state.highL = mHighL;
  state.highR = mHighR;
  state.lowL = mLowL;
  state.lowR = mLowR;
  state.gain = mGain;
  state.inL = mInL;
  state.inR = mInR;
  state.compL = mCompL;
  state.compR = mCompR;
  state.midOutL = mMidOutL;
  state.midOutR = mMidOutR;
  state.outL = mOutL;
  state.outR = mOutR;
}

void KORU::RestoreChainState(const ChainState& state)
{
  std::copy(std::begin(state.smoothers), std::end(state.smoothers), std::begin(mSmoothers));
  mMidL = state.midL;
  mMidR = state.midR;
  mHighL = state.highL;
  mHighR = state.highR;
  mLowL = state.lowL;
  mLowR = state.lowR;
  mGain = state.gain;
  mInL = state.inL;
  mInR = state.inR;
  mCompL = state.compL;
  mCompR = state.compR;
  mMidOutL = state.midOutL;
  mMidOutR = state.midOutR;
  mOutL = state.outL;
  mOutR = state.outR;
  // The sections got their old coefficients back: their next design must compute.
  InvalidateDesigns();
}

void KORU::ProcessSample(double xL, double xR)
{
  const double fs = mFs;
  const double makeupFactor = mMakeupFactor;

  // 1. The compressor's release follows the raw input peak.
  const double peakIn = std::max(std::fabs(xR), std::fabs(xL));

  // 2. Input stage at four times the rate; both callbacks advance the one input-gain smoother.
  OnePoleSmoother& s9 = mSmoothers[kS9Input];
  const double inputGain = mInputGainLin;
  auto inputStage = [&s9, inputGain](double s)
  {
    const double g = s9.Advance(inputGain);
    return InputCurve(g * s);
  };
  mInL = InputOversampler().Process(0, xL + kInputOffset, inputStage);
  mInR = InputOversampler().Process(1, xR + kInputOffset, inputStage);

  // 3. Linked compressor.
  const double threshold = mSmoothers[kS8Threshold].Advance(-mCompAmount);
  mGain = mCompressor.Step(mGain, mInL, mInR, peakIn, threshold);

  // 4 and 5. Make-up from the compressor knob, unless the compressor is bypassed.
  OnePoleSmoother& s10 = mSmoothers[kS10CompGain];
  switch (mCompressorBypass)
  {
  case 0:
    mCompL = mCompressorMakeup * s10.Advance(mGain) * mInL;
    mCompR = mCompressorMakeup * s10.Advance(mGain) * mInR;
    break;
  case 1:
    mCompL = mInL;
    mCompR = mInR;
    break;
  default: break;
  }

  // 6. Equaliser designs from the smoothed controls, every sample.
  const double midTarget = 1.0 - mMidPos;
  const double midFreqTarget = 1.0 - mMidFreqPos;
  const double highTarget = 1.0 - mHighPos;
  OnePoleSmoother& s2 = mSmoothers[kS2Mid];
  OnePoleSmoother& s4 = mSmoothers[kS4MidFreq];
  {
    const double m = s2.Advance(midTarget);
    const double f = s4.Advance(midFreqTarget);
    DesignMid(mMidL, fs * kMidRateFactor * f, m);
  }
  {
    const double m = s2.Advance(midTarget);
    const double f = s4.Advance(midFreqTarget);
    DesignMid(mMidR, fs * kMidRateFactor * f, m);
  }
  OnePoleSmoother& s6 = mSmoothers[kS6HighShape];
  OnePoleSmoother& s3 = mSmoothers[kS3High];
  {
    const double r = s6.Advance(kHighShapeTarget);
    const double q = s3.Advance(highTarget);
    DesignHighStable(mHighL, fs * kHighRateFactor, q, r);
  }
  {
    const double r = s6.Advance(kHighShapeTarget);
    const double q = s3.Advance(highTarget);
    DesignHighStable(mHighR, fs * kHighRateFactor, q, r);
  }
  OnePoleSmoother& s7 = mSmoothers[kS7LowShape];
  OnePoleSmoother& s1 = mSmoothers[kS1Low];
  {
    const double w = s7.Advance(kLowShapeTarget);
    const double v = s1.Advance(mLowPos);
    DesignLow(mLowL, fs, v, w);
  }
  {
    const double w = s7.Advance(kLowShapeTarget);
    const double v = s1.Advance(mLowPos);
    DesignLow(mLowR, fs, v, w);
  }

  // 7. Mid band at twice the rate.
  mMidOutL = OutputOversampler().Process(0, mCompL, [this](double s) { return Step(mMidL, s); });
  mMidOutR = OutputOversampler().Process(1, mCompR, [this](double s) { return Step(mMidR, s); });

  // 8. High and low shelves and the output gain, or the equaliser bypass.
  OnePoleSmoother& s5 = mSmoothers[kS5Output];
  switch (mEQBypass)
  {
  case 0:
  {
    const double yL = Step(mLowL, Step(mHighL, mMidOutL));
    mOutL = yL * makeupFactor * s5.Advance(mOutputGainLin);
    const double yR = Step(mLowR, Step(mHighR, mMidOutR));
    mOutR = yR * makeupFactor * s5.Advance(mOutputGainLin);
    break;
  }
  case 1:
    mOutL = makeupFactor * mCompL * s5.Advance(mOutputGainLin);
    mOutR = makeupFactor * mCompR * s5.Advance(mOutputGainLin);
    break;
  default: break;
  }
}

void KORU::StepMeters(int frames)
{
  // 9. Gain reduction from the compressor's gain before smoothing, VU from the output sum,
  // frame by frame; the needle is pulled a little past its target. The same steps as the output
  // pipeline takes.
  Chunk& c = mChunk;
  const MeterPair meter{mMeterConstants};
  __m128d state = _mm_set_pd(mGRState, mVUState);
  for (int n = 0; n < frames; ++n)
  {
    state = meter.Step(state, meter.Readings(&c.outL[n], &c.outR[n], &c.gain[n]));
    _mm_storel_pd(&c.vu[n], state);
    _mm_storeh_pd(&c.gr[n], state);
  }
  _mm_storel_pd(&mVUState, state);
  _mm_storeh_pd(&mGRState, state);
}

void KORU::PushMeters(int frames)
{
  // The controls take the chunk's values as one push per frame would leave them (value and
  // redraw flags), in at most three calls each (mostly one).
  IGraphics* graphics = GetGUI();
  if (!graphics) return;
  const Chunk& c = mChunk;
  if (IControl* meter = graphics->GetControl(mGRMeterIdx)) meter->SetValuesFromPlugin(c.gr, frames);
  if (IControl* meter = graphics->GetControl(mVUMeterIdx)) meter->SetValuesFromPlugin(c.vu, frames);
}

void KORU::RecoverNonFiniteState()
{
  auto finite = [](std::initializer_list<double> values)
  {
    for (double v : values)
      if (!std::isfinite(v)) return false;
    return true;
  };
  for (CircuitSection* section : {&mMidL, &mMidR, &mHighL, &mHighR, &mLowL, &mLowR})
  {
    CircuitSection& s = *section;
    if (!finite({s.x1, s.x2, s.y1, s.y2, s.lastInput, s.lastOutput}))
      s.x1 = s.x2 = s.y1 = s.y2 = s.lastInput = s.lastOutput = 0.0;
  }
  for (int channel = 0; channel < 2; ++channel)
  {
    if (!InputOversampler().IsFinite(channel)) InputOversampler().Reset(channel);
    if (!OutputOversampler().IsFinite(channel)) OutputOversampler().Reset(channel);
  }
  for (OnePoleSmoother& smoother : mSmoothers)
    if (!std::isfinite(smoother.z)) smoother.z = 0.0;
  if (!std::isfinite(mGain)) mGain = 1.0;
  if (!finite({mVUState, mGRState})) mVUState = mGRState = 1.0;
  for (double* v : {&mInL, &mInR, &mCompL, &mCompR, &mMidOutL, &mMidOutR, &mOutL, &mOutR})
    if (!std::isfinite(*v)) *v = 0.0;
}
