#pragma once

// Parameter indices of KORU. The index is also the VST3 parameter id and the parameter's
// place in the state block, so the order is frozen.
enum EKORUParam
{
  kInputGain = 0,    // "Input 1": input gain in dB, -24..24
  kOutputGain,       // "Output 1": output gain in dB, -24..24
  kHighGain,         // "High Gain 1": high-band position, 0.5 = flat
  kLowGain,          // "Low Gain 1": low-band position, 0.5 = flat
  kMidGain,          // "Mid Gain 1": mid-band position, 0.5 = flat
  kMidFrequency,     // "Mid Frequency 1": mid-band frequency position
  kCompressor,       // "Compressor 1": threshold depth in dB, 0..96
  kEQBypass,         // "EQ Bypass 1": 1 = equaliser bypassed
  kCompressorBypass, // "Compressor Bypass 1": 1 = compressor bypassed
  kNumKORUParams
};
