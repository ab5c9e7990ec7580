// The literal chain: one step after the other, in the order the design gives, per sample.
#include "reference/LiteralKORUChain.h"

#include "effect/CompressorGain.h"
#include "effect/InputCurve.h"
#include "effect/KORUParameterTable.h"
#include "framework/DeterministicMath.h"
#include "framework/Truncate.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace
{
constexpr double kMakeupDb = 16.8;
constexpr double kInputOffset = 1e-10;
constexpr double kCompressorRange = 96.0;
constexpr double kCompressorMakeupDb = 10.0;
constexpr double kMidRateFactor = 5.0;
constexpr double kHighRateFactor = 0.25;
constexpr double kHighShapeTarget = 1.0;
constexpr double kLowShapeTarget = 0.3;
constexpr double kMeterLn100 = 4.60517018599;
constexpr double kMeterSeconds = 0.3;
constexpr double kMeterRise = 1.0125;
constexpr double kMeterFall = 0.9875;
} // namespace

LiteralKORUChain::LiteralKORUChain()
{
  for (int i = 0; i < kNumKORUParams; ++i) SetParam(i, kKORUParameterTable[i].defaultValue);
}

void LiteralKORUChain::SetParam(int index, double plain)
{
  mParams[index] = plain;
  switch (index)
  {
  case kInputGain: mInputGainLin = dmath::Exp10(plain / 20.0); break;
  case kOutputGain: mOutputGainLin = dmath::Exp10(plain / 20.0); break;
  case kHighGain: mHighPos = plain; break;
  case kLowGain: mLowPos = plain; break;
  case kMidGain: mMidPos = plain; break;
  case kMidFrequency: mMidFreqPos = plain; break;
  case kCompressor: mCompAmount = plain; break;
  default: break;
  }
}

int LiteralKORUChain::SwitchValue(int paramIndex) const
{
  return TruncateToInt32(mParams[paramIndex]);
}

void LiteralKORUChain::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  mFs = mSampleRate;
  for (OnePoleSmoother& smoother : mSmoothers) smoother.SetRate(mFs);
  if (nFrames < 1) return;

  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  mMakeupFactor = dmath::Exp10(kMakeupDb / 20.0);
  mMeterDecay = dmath::Exp(-kMeterLn100 / (kMeterSeconds * mFs));

  for (int n = 0; n < nFrames; ++n)
  {
    double xL = inL[n];
    double xR = inR[n];
    if (!std::isfinite(xL)) xL = 0.0;
    if (!std::isfinite(xR)) xR = 0.0;

    ProcessSample(xL, xR);
    if (!std::isfinite(mOutL) || !std::isfinite(mOutR) || !std::isfinite(mGain))
      RecoverNonFiniteState();

    if (mMetersRunning) UpdateMeters();
    outL[n] = mOutL;
    outR[n] = mOutR;
  }
}

void LiteralKORUChain::ProcessSample(double xL, double xR)
{
  const double fs = mFs;
  const double makeupFactor = mMakeupFactor;

  // 1. Raw input peak.
  const double peakIn = std::max(std::fabs(xR), std::fabs(xL));

  // 2. Input stage at four times the rate.
  OnePoleSmoother& s9 = mSmoothers[kS9Input];
  const double inputGain = mInputGainLin;
  auto inputStage = [&s9, inputGain](double s)
  {
    const double g = s9.Advance(inputGain);
    return InputCurve(g * s);
  };
  mInL = mInputOversamplerL.Process(xL + kInputOffset, inputStage);
  mInR = mInputOversamplerR.Process(xR + kInputOffset, inputStage);

  // 3. Compressor.
  const double threshold = mSmoothers[kS8Threshold].Advance(-mCompAmount);
  mGain = CompressorGain(mGain, mInL, mInR, peakIn, threshold, fs);

  // 4. Make-up.
  const double makeupDb = mParams[kCompressor] / kCompressorRange * kCompressorMakeupDb;

  // 5. Compressor bypass, per channel.
  OnePoleSmoother& s10 = mSmoothers[kS10CompGain];
  switch (SwitchValue(kCompressorBypass))
  {
  case 0: mCompL = dmath::Exp10(makeupDb / 20.0) * s10.Advance(mGain) * mInL; break;
  case 1: mCompL = mInL; break;
  default: break;
  }
  switch (SwitchValue(kCompressorBypass))
  {
  case 0: mCompR = dmath::Exp10(makeupDb / 20.0) * s10.Advance(mGain) * mInR; break;
  case 1: mCompR = mInR; break;
  default: break;
  }

  // 6. Equaliser designs.
  for (CircuitSection* mid : {&mMidL, &mMidR})
  {
    const double m = mSmoothers[kS2Mid].Advance(1.0 - mMidPos);
    const double f = mSmoothers[kS4MidFreq].Advance(1.0 - mMidFreqPos);
    DesignMid(*mid, fs * kMidRateFactor * f, m);
  }
  for (CircuitSection* high : {&mHighL, &mHighR})
  {
    const double r = mSmoothers[kS6HighShape].Advance(kHighShapeTarget);
    const double q = mSmoothers[kS3High].Advance(1.0 - mHighPos);
    DesignHighStable(*high, fs * kHighRateFactor, q, r);
  }
  for (CircuitSection* low : {&mLowL, &mLowR})
  {
    const double w = mSmoothers[kS7LowShape].Advance(kLowShapeTarget);
    const double v = mSmoothers[kS1Low].Advance(mLowPos);
    DesignLow(*low, fs, v, w);
  }

  // 7. Mid band at twice the rate.
  mMidOutL = mOutputOversamplerL.Process(mCompL, [this](double s) { return Step(mMidL, s); });
  mMidOutR = mOutputOversamplerR.Process(mCompR, [this](double s) { return Step(mMidR, s); });

  // 8. Shelves and output gain, or the equaliser bypass.
  OnePoleSmoother& s5 = mSmoothers[kS5Output];
  switch (SwitchValue(kEQBypass))
  {
  case 0:
  {
    const double yL = Step(mLowL, Step(mHighL, mMidOutL));
    mOutL = yL * makeupFactor * s5.Advance(mOutputGainLin);
    break;
  }
  case 1: mOutL = makeupFactor * mCompL * s5.Advance(mOutputGainLin); break;
  default: break;
  }
  switch (SwitchValue(kEQBypass))
  {
  case 0:
  {
    const double yR = Step(mLowR, Step(mHighR, mMidOutR));
    mOutR = yR * makeupFactor * s5.Advance(mOutputGainLin);
    break;
  }
  case 1: mOutR = makeupFactor * mCompR * s5.Advance(mOutputGainLin); break;
  default: break;
  }
}

void LiteralKORUChain::UpdateMeters()
{
  auto follow = [this](double& state, double v)
  {
    v = v > state ? v * kMeterRise : v * kMeterFall;
    state = (state - v) * mMeterDecay + v;
  };
  follow(mGRState, std::fabs(1.0 - mGain));
  follow(mVUState, std::fabs(mOutL + mOutR));
}

void LiteralKORUChain::RecoverNonFiniteState()
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
