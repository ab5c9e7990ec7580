#include "effect/KORU.h"

#include "effect/KORUParameterTable.h"
#include "framework/DeterministicMath.h"
#include "framework/Truncate.h"

#include <cmath>

namespace
{
constexpr int kVersion = 0x00020000;
constexpr int kNumPresets = 1;
constexpr int kLatency = 0;
// Fixed output make-up that restores the input curve's -16.8 dB.
constexpr double kMakeupDb = 16.8;
} // namespace

KORU::KORU()
  : IPlugVST3(kNumKORUParams, "1-1 2-2", kNumPresets, "KORU", "", "Quillmoor", kVersion,
              FourCharCode("KRU1"), FourCharCode("Qlmr"), kLatency, false, false, kAPIVST3)
  , mMakeupFactor(dmath::Exp10(kMakeupDb / 20.0))
{
  for (int i = 0; i < kNumKORUParams; ++i)
  {
    const KORUParameterRow& row = kKORUParameterTable[i];
    IParamSlot* param = Param(i);
    if (row.stepped)
    {
      param->InitStepped(row.name, row.defaultValue, row.min, row.max, "", "");
    }
    else
    {
      param->InitContinuous(row.name, row.defaultValue, row.min, row.max, row.step,
                            kKORUContinuousLabel, "", 1.0);
      param->SetShapeExponent(row.exponent);
    }
  }

  // The targets follow the defaults from the start; the host's first preset load sets them
  // again through the same hook.
  for (int i = 0; i < kNumKORUParams; ++i) KORU::ParamChanged(i);

  BuildEditor();
  InitDefaultPreset("-");
}

KORU::~KORU() = default;

void KORU::ParamChanged(int index)
{
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  mEqualiserSettled = false; // a target may have moved
  const IParamSlot* param = Param(index);
  if (!param) return;
  const double v = param->Value();
  switch (index)
  {
  case kInputGain: mInputGainLin = dmath::Exp10(v / 20.0); break;
  case kOutputGain: mOutputGainLin = dmath::Exp10(v / 20.0); break;
  case kHighGain: mHighPos = v; break;
  case kLowGain: mLowPos = v; break;
  case kMidGain: mMidPos = v; break;
  case kMidFrequency: mMidFreqPos = v; break;
  case kCompressor: mCompAmount = v; break;
  default: break; // the switches are read straight from their records
  }
}

Steinberg::tresult PLUGIN_API KORU::queryInterface(const Steinberg::TUID iid, void** obj)
{
  QUERY_INTERFACE(iid, obj, IVectorPathLimit::iid, IVectorPathLimit)
  return IPlugVST3::queryInterface(iid, obj);
}

Steinberg::tresult PLUGIN_API KORU::limitVectorPath(Steinberg::int32 widest)
{
  switch (widest)
  {
  case kPathSse2: LimitVectorIsa(VectorIsa::kSse2); break;
  case kPathAvx: LimitVectorIsa(VectorIsa::kAvx); break;
  case kPathAvx512: LimitVectorIsa(VectorIsa::kAvx512); break;
  default: return Steinberg::kInvalidArgument;
  }
  return Steinberg::kResultOk;
}

void KORU::LimitVectorIsa(VectorIsa highest)
{
  for (int set = 0; set < 2; ++set)
  {
    mInputOversamplers[set].LimitVectorIsa(highest);
    mOutputOversamplers[set].LimitVectorIsa(highest);
  }
}

int KORU::SwitchValue(int paramIndex) const { return TruncateToInt32(Param(paramIndex)->Value()); }
