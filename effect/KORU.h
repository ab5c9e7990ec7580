#pragma once
#include "effect/CircuitDesignCache.h"
#include "effect/CircuitSection.h"
#include "effect/CircuitSectionPair.h"
#include "effect/CompressorStepper.h"
#include "effect/KORUParams.h"
#include "effect/OnePoleSmoother.h"
#include "effect/StereoHalfbandOversampler.h"
#include "effect/VectorIsa.h"
#include "vst3/IPlugVST3.h"
#include "vst3/IVectorPathLimit.h"

// The KORU channel strip: input stage (gain and a table curve at four times the rate), a
// stereo-linked one-knob compressor, a three-band analog-modelled equaliser (mid band at twice
// the rate, then high and low shelves) and the output gain with a fixed make-up.
//
// ParamChanged runs on whichever thread changes a parameter and writes the targets under the
// instance mutex; ProcessBlock runs on the audio thread with that mutex held by the caller,
// so a target never changes within a sample. The processing state is set once here and never
// reset: it survives activation and sample-rate changes.
class KORU : public IPlugVST3, public IVectorPathLimit
{
public:
  KORU();
  ~KORU() override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  REFCOUNT_METHODS(IPlugVST3)
  Steinberg::tresult PLUGIN_API limitVectorPath(Steinberg::int32 widest) override;

  void ParamChanged(int index) override;
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;

  // Read-only views for diagnostics and tests.
  double InputGainLin() const { return mInputGainLin; }
  double OutputGainLin() const { return mOutputGainLin; }
  double HighPos() const { return mHighPos; }
  double LowPos() const { return mLowPos; }
  double MidPos() const { return mMidPos; }
  double MidFreqPos() const { return mMidFreqPos; }
  double CompAmount() const { return mCompAmount; }
  double CompressorGainState() const { return mGain; }
  double VUState() const { return mVUState; }
  double GRState() const { return mGRState; }
  const OnePoleSmoother& Smoother(int number) const { return mSmoothers[number - 1]; }
  // Editor control indices of the two meters the chain feeds.
  int GRMeterIdx() const { return mGRMeterIdx; }
  int VUMeterIdx() const { return mVUMeterIdx; }

  // Keeps the vector paths to at most the given instructions (the processor's widest by
  // default). Every path gives the same bits; tests run them all.
  void LimitVectorIsa(VectorIsa highest);

private:
  // The ten smoothers, numbered as in the design (S1 .. S10).
  enum ESmoother
  {
    kS1Low = 0,   // toward lowPos
    kS2Mid,       // toward 1 - midPos
    kS3High,      // toward 1 - highPos
    kS4MidFreq,   // toward 1 - midFreqPos
    kS5Output,    // toward outputGainLin
    kS6HighShape, // toward 1.0
    kS7LowShape,  // toward 0.3
    kS8Threshold, // toward -compAmount
    kS9Input,     // toward inputGainLin, at the oversampled rate
    kS10CompGain, // toward the compressor gain
    kNumSmoothers
  };

  // Builds the editor (background, knobs, switches, meters) and attaches it.
  void BuildEditor();

  // Frames are processed a chunk at a time, stage by stage: each stage runs over the whole
  // chunk (the oversamplers and their neighbours as pipelines), so the processor overlaps the
  // work of neighbouring frames instead of waiting on one frame's long chain of dependent
  // operations. Every state still sees its values in the same order, so the result is the same
  // as frame by frame. 128 frames spread each chunk's fixed work thinly and keep the chunk
  // (about 95 KB) in the second-level cache.
  static constexpr int kChunkFrames = 128;
  struct Chunk
  {
    __m128d x[kChunkFrames];                     // input (left low), non-finite samples silenced
    double peak[kChunkFrames];                   // raw input peak
    double inL[kChunkFrames], inR[kChunkFrames]; // input-stage outputs
    double threshold[kChunkFrames];              // S8
    double target[kChunkFrames];                 // the compressor curve's gain
    double attack[kChunkFrames];                 // its attack factor, while S8 moves
    double gain[kChunkFrames];                   // compressor gain after each frame

    // Smoothed equaliser controls and output gain: [frame][0] is the advance for the left
    // channel, [frame][1] the one for the right.
    double mid[kChunkFrames][2], midFreq[kChunkFrames][2];
    double midRate[kChunkFrames][2], midRateSquare[kChunkFrames][2]; // the mid band's K and K^2
    double highShape[kChunkFrames][2], high[kChunkFrames][2];
    double lowShape[kChunkFrames][2], low[kChunkFrames][2];
    double output[kChunkFrames][2];
    double outL[kChunkFrames], outR[kChunkFrames];
    double vu[kChunkFrames], gr[kChunkFrames]; // the meters' states after each frame
    // Each frame's section coefficients, left and right in the lanes.
    CircuitCoefficientsPair midDesign[kChunkFrames], highDesign[kChunkFrames],
        lowDesign[kChunkFrames];
    // Left and right side by side in SSE2 pairs (left in the low lane).
    __m128d stereo[kChunkFrames]; // input-stage outputs, then compressor outputs
    __m128d midOut[kChunkFrames];
    __m128d work[8 * kChunkFrames]; // the oversamplers' stages
  };
  // Everything else the chain changes, so a chunk can be run again frame by frame (the
  // oversamplers keep their state at the chunk's start by themselves).
  struct ChainState
  {
    OnePoleSmoother smoothers[kNumSmoothers];
    CircuitSection midL, midR, highL, highR, lowL, lowR;
    double gain = 1.0;
    double inL = 0.0, inR = 0.0, compL = 0.0, compR = 0.0;
    double midOutL = 0.0, midOutR = 0.0, outL = 0.0, outR = 0.0;
  };

  // Stage by stage over mChunk; false if an output or the gain went non-finite (the state is
  // then not what the frame-by-frame chain would hold, and the chunk must run again).
  bool ProcessChunk(int frames);
  // The chunk's steps. The equaliser's smoothed controls and designs come first (they need no
  // signal); answers 0 when one frame's values serve the whole chunk, 1 otherwise.
  int SmoothAndDesignEqualiser(int frames);
  void SmoothThreshold(int frames);
  void RunInputStage(int frames); // and the compressor's targets
  // Answers the gain after the last frame; steps meters (VU low, gain reduction high) over the
  // chunk's frames, into mChunk's vu and gr.
  double RunCompressorEqualiserAndOutput(int frames, int stride, __m128d& meters);
  // Frame by frame over mChunk, with the recovery from non-finite state after each frame; then
  // the meters over the chunk.
  void ProcessChunkFrameByFrame(int frames);
  void InvalidateDesigns();
  void SaveChainState(ChainState& state) const;
  void RestoreChainState(const ChainState& state);
  void ProcessSample(double xL, double xR);
  // The meter states over the chunk's frames into mChunk's vu and gr, in a loop of their own
  // (the chunk path steps them in its output pipeline instead).
  void StepMeters(int frames);
  // The chunk's meter values to the meter controls.
  void PushMeters(int frames);
  // Cold path: clears any filter, oversampler, smoother or compressor state that went
  // non-finite, so one bad sample cannot silence the instance for good.
  void RecoverNonFiniteState();
  int SwitchValue(int paramIndex) const;

  // Parameter targets, written by ParamChanged.
  double mInputGainLin = 1.0;
  double mOutputGainLin = 1.0;
  double mHighPos = 0.5;
  double mLowPos = 0.5;
  double mMidPos = 0.5;
  double mMidFreqPos = 0.01;
  double mCompAmount = 0.0;

  OnePoleSmoother mSmoothers[kNumSmoothers];

  // The input stage at four times the rate, the mid band at twice. Each in two copies: a chunk
  // reads the current one and leaves its state in the other, which becomes current once the
  // chunk turned out finite; so going back to the chunk's start copies nothing.
  StereoHalfbandOversampler<2> mInputOversamplers[2];
  StereoHalfbandOversampler<1> mOutputOversamplers[2];
  int mCurrentOversamplers = 0;
  StereoHalfbandOversampler<2>& InputOversampler()
  {
    return mInputOversamplers[mCurrentOversamplers];
  }
  StereoHalfbandOversampler<1>& OutputOversampler()
  {
    return mOutputOversamplers[mCurrentOversamplers];
  }

  double mInL = 0.0, mInR = 0.0;
  double mGain = 1.0;
  double mCompL = 0.0, mCompR = 0.0;
  CircuitSection mMidL, mMidR, mHighL, mHighR, mLowL, mLowR;
  double mMidOutL = 0.0, mMidOutR = 0.0;
  double mOutL = 0.0, mOutR = 0.0;
  double mVUState = 1.0;
  double mGRState = 1.0;
  // Per-block constants. The switch and compressor records cannot change within a block: the
  // caller holds the instance mutex. The rate's constants (mFs, the smoothers' coefficients,
  // the meters' decay, the compressor's) and the compressor's make-up are kept until what they
  // follow changes.
  double mFs = 44100.0;
  bool mRateConstantsValid = false;
  const double mMakeupFactor;
  __m128d mMeterConstants[5] = {}; // the meters' step constants and decay, in both lanes
  double mCompressorKnob = 0.0;
  bool mCompressorMakeupValid = false;
  double mCompressorMakeup = 1.0; // 10^(makeupDb / 20) of the compressor knob
  int mCompressorBypass = 0;
  int mEQBypass = 0;

  // The same steps with fewer calls: the compressor's transcendental functions only where
  // their result is used and new, and each section redesigned only when its inputs moved.
  CompressorStepper mCompressor;
  bool mThresholdMoving = false; // in this chunk
  CircuitDesignCache<circuit::kMid> mMidDesign;
  // The high circuit is unstable while its shape control rises from 0: keep its last stable design.
  CircuitDesignCache<circuit::kHigh, true> mHighDesign;
  CircuitDesignCache<circuit::kLow> mLowDesign;
  // The equaliser's smoothers sat at their targets in the last chunk, which designed the
  // sections and left the first frame's values and designs in mChunk; nothing has changed a
  // target, the rate or the sections since.
  bool mEqualiserSettled = false;

  Chunk mChunk;
  ChainState mChunkStart;

  int mGRMeterIdx = -1;
  int mVUMeterIdx = -1;
};
