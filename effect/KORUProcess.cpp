// The per-sample signal chain of KORU, in the order the design gives. Left and right are
// computed step by step within each sample; the order of every smoother advance and of every
// floating-point operation is part of the result and must not change. Whatever is computed
// once per block or skipped here gives the same bits as the literal chain would (the tests
// hold it to that, bit for bit).
#include "effect/DeterministicMath.h"
#include "effect/KORU.h"

#include "effect/InputCurve.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace
{
// Fixed output make-up that restores the input curve's -16.8 dB.
constexpr double kMakeupDb = 16.8;
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
} // namespace

void KORU::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  mFs = SampleRate();
  for (OnePoleSmoother& smoother : mSmoothers) smoother.SetRate(mFs);
  if (nFrames < 1) return;

  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  mMakeupFactor = dmath::Exp10(kMakeupDb / 20.0);
  mMeterDecay = dmath::Exp(-kMeterLn100 / (kMeterSeconds * mFs));
  // The records hold still for the block, so does everything read from them.
  const double makeupDb = Param(kCompressor)->Value() / kCompressorRange * kCompressorMakeupDb;
  mCompressorMakeup = dmath::Exp10(makeupDb / 20.0);
  mCompressorBypass = SwitchValue(kCompressorBypass);
  mEQBypass = SwitchValue(kEQBypass);
  mCompressor.SetRate(mFs);

  for (int n = 0; n < nFrames; ++n)
  {
    // Read both inputs before writing: hosts may process in place.
    double xL = inL[n];
    double xR = inR[n];
    // A non-finite input sample is treated as silence.
    if (!std::isfinite(xL)) xL = 0.0;
    if (!std::isfinite(xR)) xR = 0.0;

    ProcessSample(xL, xR);
    if (!std::isfinite(mOutL) || !std::isfinite(mOutR) || !std::isfinite(mGain))
      RecoverNonFiniteState();

    if (GetGUI()) UpdateMeters();
    outL[n] = mOutL;
    outR[n] = mOutR;
  }
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
  auto inputStage = [&s9, inputGain](double s) {
    const double g = s9.Advance(inputGain);
    return InputCurve(g * s);
  };
  mInL = mInputOversamplerL.Process(xL + kInputOffset, inputStage);
  mInR = mInputOversamplerR.Process(xR + kInputOffset, inputStage);

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

  // 6. Equaliser designs from the smoothed controls; a section whose inputs settled keeps
  // its coefficients.
  const double midTarget = 1.0 - mMidPos;
  const double midFreqTarget = 1.0 - mMidFreqPos;
  const double highTarget = 1.0 - mHighPos;
  OnePoleSmoother& s2 = mSmoothers[kS2Mid];
  OnePoleSmoother& s4 = mSmoothers[kS4MidFreq];
  {
    const double m = s2.Advance(midTarget);
    const double f = s4.Advance(midFreqTarget);
    mMidDesignL.Design(mMidL, fs * kMidRateFactor * f, m, 0.0);
  }
  {
    const double m = s2.Advance(midTarget);
    const double f = s4.Advance(midFreqTarget);
    mMidDesignR.Design(mMidR, fs * kMidRateFactor * f, m, 0.0);
  }
  OnePoleSmoother& s6 = mSmoothers[kS6HighShape];
  OnePoleSmoother& s3 = mSmoothers[kS3High];
  {
    const double r = s6.Advance(kHighShapeTarget);
    const double q = s3.Advance(highTarget);
    mHighDesignL.Design(mHighL, fs * kHighRateFactor, q, r);
  }
  {
    const double r = s6.Advance(kHighShapeTarget);
    const double q = s3.Advance(highTarget);
    mHighDesignR.Design(mHighR, fs * kHighRateFactor, q, r);
  }
  OnePoleSmoother& s7 = mSmoothers[kS7LowShape];
  OnePoleSmoother& s1 = mSmoothers[kS1Low];
  {
    const double w = s7.Advance(kLowShapeTarget);
    const double v = s1.Advance(mLowPos);
    mLowDesignL.Design(mLowL, fs, v, w);
  }
  {
    const double w = s7.Advance(kLowShapeTarget);
    const double v = s1.Advance(mLowPos);
    mLowDesignR.Design(mLowR, fs, v, w);
  }

  // 7. Mid band at twice the rate.
  mMidOutL = mOutputOversamplerL.Process(mCompL, [this](double s) { return Step(mMidL, s); });
  mMidOutR = mOutputOversamplerR.Process(mCompR, [this](double s) { return Step(mMidR, s); });

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

void KORU::UpdateMeters()
{
  // 9. Gain reduction from the compressor's gain before smoothing, VU from the output sum.
  auto follow = [this](double& state, double v) {
    v = v > state ? v * kMeterRise : v * kMeterFall;
    state = (state - v) * mMeterDecay + v;
  };
  auto push = [this](int index, double value) {
    IGraphics* graphics = GetGUI();
    if (graphics && index >= 0 && index < graphics->NControls())
      graphics->GetControl(index)->SetValueFromPlugin(value);
  };
  follow(mGRState, std::fabs(1.0 - mGain));
  push(mGRMeterIdx, mGRState);
  if (!GetGUI()) return;
  follow(mVUState, std::fabs(mOutL + mOutR));
  push(mVUMeterIdx, mVUState);
}

void KORU::RecoverNonFiniteState()
{
  auto finite = [](std::initializer_list<double> values) {
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
  for (HalfbandOversampler* os :
       {&mInputOversamplerL, &mInputOversamplerR, &mOutputOversamplerL, &mOutputOversamplerR})
    if (!os->IsFinite()) os->Reset();
  for (OnePoleSmoother& smoother : mSmoothers)
    if (!std::isfinite(smoother.z)) smoother.z = 0.0;
  if (!std::isfinite(mGain)) mGain = 1.0;
  if (!finite({mVUState, mGRState})) mVUState = mGRState = 1.0;
  for (double* v : {&mInL, &mInR, &mCompL, &mCompR, &mMidOutL, &mMidOutR, &mOutL, &mOutR})
    if (!std::isfinite(*v)) *v = 0.0;
}
