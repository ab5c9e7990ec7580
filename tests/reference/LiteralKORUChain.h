#pragma once

#include "effect/CircuitSection.h"
#include "effect/KORUParams.h"
#include "effect/OnePoleSmoother.h"
#include "reference/HalfbandOversampler.h"

// KORU's signal chain exactly as the design writes it, kept as the reference the shipped chain
// is held to, bit for bit: every smoother advance, design, power and exponential happens on
// every sample in the written order, with the effect's own DSP blocks. Never optimise this
// class; its only job is to be obviously literal.
//
// It holds its own state and its own copy of the nine plain parameter values (feed it the
// values the shipped instance's records hold). No framework, no editor: the meters run while
// SetMetersRunning(true) says an editor would be attached, and only their states are kept.
class LiteralKORUChain
{
public:
  LiteralKORUChain();

  void SetSampleRate(double fs) { mSampleRate = fs; }
  // Sets the plain value of parameter index and its target, as KORU's ParamChanged does.
  void SetParam(int index, double plain);
  double Param(int index) const { return mParams[index]; }
  void SetMetersRunning(bool running) { mMetersRunning = running; }

  // Same contract as KORU::ProcessBlock: two input and two output channels.
  void ProcessBlock(double** inputs, double** outputs, int nFrames);

  double CompressorGainState() const { return mGain; }
  double VUState() const { return mVUState; }
  double GRState() const { return mGRState; }
  const OnePoleSmoother& Smoother(int number) const { return mSmoothers[number - 1]; }

private:
  enum ESmoother
  {
    kS1Low = 0,
    kS2Mid,
    kS3High,
    kS4MidFreq,
    kS5Output,
    kS6HighShape,
    kS7LowShape,
    kS8Threshold,
    kS9Input,
    kS10CompGain,
    kNumSmoothers
  };

  void ProcessSample(double xL, double xR);
  void UpdateMeters();
  void RecoverNonFiniteState();
  int SwitchValue(int paramIndex) const;

  double mParams[kNumKORUParams] = {};
  double mSampleRate = 44100.0;
  bool mMetersRunning = false;

  double mInputGainLin = 1.0;
  double mOutputGainLin = 1.0;
  double mHighPos = 0.5;
  double mLowPos = 0.5;
  double mMidPos = 0.5;
  double mMidFreqPos = 0.01;
  double mCompAmount = 0.0;

  OnePoleSmoother mSmoothers[kNumSmoothers];

  HalfbandOversampler mInputOversamplerL{2};
  HalfbandOversampler mInputOversamplerR{2};
  HalfbandOversampler mOutputOversamplerL{1};
  HalfbandOversampler mOutputOversamplerR{1};

  double mInL = 0.0, mInR = 0.0;
  double mGain = 1.0;
  double mCompL = 0.0, mCompR = 0.0;
  CircuitSection mMidL, mMidR, mHighL, mHighR, mLowL, mLowR;
  double mMidOutL = 0.0, mMidOutR = 0.0;
  double mOutL = 0.0, mOutR = 0.0;
  double mVUState = 1.0;
  double mGRState = 1.0;
  double mFs = 44100.0;
  double mMakeupFactor = 1.0;
  double mMeterDecay = 0.0;
};
