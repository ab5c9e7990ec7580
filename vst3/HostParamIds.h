#pragma once

#include "pluginterfaces/vst/vsttypes.h"

// Parameter ids the host sees besides the effect's own, whose ids are their indices
// (0 .. ParamCount() - 1). Four characters packed big-endian, so they never collide with an
// index.
enum EHostParamId : Steinberg::Vst::ParamID
{
  kPresetParamId = 0x70727374, // "prst": preset selection; value × preset count, truncated
  kBypassParamId = 0x62706173, // "bpas": the host's bypass switch; above 0.5 bypasses
};
