#pragma once
#include "effect/KORUParams.h"

// What each parameter declares to the framework, in index order.
struct KORUParameterRow
{
  const char* name;
  bool stepped;
  double defaultValue;
  double min;
  double max;
  double step;
  double exponent;
};

inline constexpr KORUParameterRow kKORUParameterTable[kNumKORUParams] = {
    {"Input 1", false, 0.0, -24.0, 24.0, 0.01, 1.0},
    {"Output 1", false, 0.0, -24.0, 24.0, 0.01, 1.0},
    {"High Gain 1", false, 0.5, 0.12, 0.88, 0.01, 1.0},
    {"Low Gain 1", false, 0.5, 0.1, 0.9, 0.01, 1.0},
    {"Mid Gain 1", false, 0.5, 0.1, 0.9, 0.01, 1.0},
    // Exponent 0.5 spends more of the travel on the upper frequencies.
    {"Mid Frequency 1", false, 0.01, 0.01, 0.979, 0.01, 0.5},
    {"Compressor 1", false, 0.0, 0.0, 96.0, 0.01, 1.0},
    {"EQ Bypass 1", true, 0.0, 0.0, 1.0, 1.0, 1.0},
    {"Compressor Bypass 1", true, 0.0, 0.0, 1.0, 1.0, 1.0},
};

// Every continuous parameter shows the same unit label, the gains included.
inline constexpr const char* kKORUContinuousLabel = "%";
