#include "KORUTestSupport.h"
#include "effect/KORUParameterTable.h"
#include "framework/DeterministicMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

TEST(KORUParameters, IdentityAndChannelConfiguration)
{
  KORURig rig;
  KORU& k = *rig.plug;
  EXPECT_STREQ(k.EffectName(), "KORU");
  EXPECT_STREQ(k.ProductName(), "");
  EXPECT_STREQ(k.MakerName(), "Quillmoor");
  EXPECT_EQ(k.UniqueId(), FourCharCode("KRU1"));
  EXPECT_EQ(k.MakerId(), FourCharCode("Qlmr"));
  EXPECT_EQ(k.Version(), 0x00020000);
  EXPECT_EQ(k.Latency(), 0);
  EXPECT_EQ(k.InputChannelCount(), 2);
  EXPECT_EQ(k.OutputChannelCount(), 2);
  EXPECT_TRUE(k.LegalIO(1, 1));
  EXPECT_TRUE(k.LegalIO(2, 2));
  EXPECT_FALSE(k.LegalIO(1, 2));
  EXPECT_EQ(k.ParamCount(), 9);
  EXPECT_EQ(k.PresetCount(), 1);
  EXPECT_STREQ(k.Preset(0)->name, "-");
}

TEST(KORUParameters, TableOfRecords)
{
  KORURig rig;
  struct Row
  {
    const char* name;
    IParamSlot::Kind kind;
    double def, min, max, step, shape;
    const char* label;
    unsigned precision;
  };
  const Row rows[] = {
      {"Input 1", IParamSlot::kKindContinuous, 0, -24, 24, 0.01, 1.0, "%", 2},
      {"Output 1", IParamSlot::kKindContinuous, 0, -24, 24, 0.01, 1.0, "%", 2},
      {"High Gain 1", IParamSlot::kKindContinuous, 0.5, 0.12, 0.88, 0.01, 1.0, "%", 2},
      {"Low Gain 1", IParamSlot::kKindContinuous, 0.5, 0.1, 0.9, 0.01, 1.0, "%", 2},
      {"Mid Gain 1", IParamSlot::kKindContinuous, 0.5, 0.1, 0.9, 0.01, 1.0, "%", 2},
      {"Mid Frequency 1", IParamSlot::kKindContinuous, 0.01, 0.01, 0.979, 0.01, 0.5, "%", 2},
      {"Compressor 1", IParamSlot::kKindContinuous, 0, 0, 96, 0.01, 1.0, "%", 2},
      {"EQ Bypass 1", IParamSlot::kKindStepped, 0, 0, 1, 1, 1.0, "", 0},
      {"Compressor Bypass 1", IParamSlot::kKindStepped, 0, 0, 1, 1, 1.0, "", 0},
  };
  for (int i = 0; i < 9; ++i)
  {
    SCOPED_TRACE(rows[i].name);
    const IParamSlot& p = *rig.plug->Param(i);
    EXPECT_STREQ(p.Name(), rows[i].name);
    EXPECT_EQ(p.GetKind(), rows[i].kind);
    EXPECT_EQ(p.Default(), rows[i].def);
    EXPECT_EQ(p.Value(), rows[i].def);
    EXPECT_EQ(p.Min(), rows[i].min);
    EXPECT_EQ(p.Max(), rows[i].max);
    EXPECT_EQ(p.Step(), rows[i].step);
    EXPECT_EQ(p.Shape(), rows[i].shape);
    EXPECT_STREQ(p.Label(), rows[i].label);
    EXPECT_STREQ(p.Group(), "");
    EXPECT_EQ(p.Precision(), rows[i].precision);
  }
}

TEST(KORUParameters, GainTargetsAreDecibelsToLinear)
{
  KORURig rig;
  EXPECT_EQ(rig.plug->InputGainLin(), 1.0);
  rig.SetParam(kInputGain, -24.0);
  EXPECT_NEAR(rig.plug->InputGainLin(), 0.0630957, 1e-7);
  EXPECT_EQ(rig.plug->InputGainLin(), dmath::Exp10(-24.0 / 20.0));
  rig.SetParam(kInputGain, 24.0);
  EXPECT_NEAR(rig.plug->InputGainLin(), 15.8489, 1e-4);
  rig.SetParam(kOutputGain, -6.0);
  EXPECT_EQ(rig.plug->OutputGainLin(), dmath::Exp10(-6.0 / 20.0));
}

TEST(KORUParameters, PositionTargetsCopyThePlainValue)
{
  KORURig rig;
  rig.SetParam(kHighGain, 0.88);
  rig.SetParam(kLowGain, 0.1);
  rig.SetParam(kMidGain, 0.7);
  rig.SetParam(kCompressor, 48.0);
  rig.plug->Param(kMidFrequency)->ApplyNormalized(0.5);
  rig.plug->ParamChanged(kMidFrequency);
  EXPECT_EQ(rig.plug->HighPos(), 0.88);
  EXPECT_EQ(rig.plug->LowPos(), 0.1);
  EXPECT_EQ(rig.plug->MidPos(), 0.7);
  EXPECT_EQ(rig.plug->CompAmount(), 48.0);
  EXPECT_NEAR(rig.plug->MidFreqPos(), 0.695186, 1e-6);
}

TEST(KORUParameters, SwitchesChangeNoTarget)
{
  KORURig rig;
  const double before[] = {rig.plug->InputGainLin(), rig.plug->OutputGainLin(),
                           rig.plug->HighPos(),      rig.plug->LowPos(),
                           rig.plug->MidPos(),       rig.plug->MidFreqPos(),
                           rig.plug->CompAmount()};
  rig.SetParam(kEQBypass, 1.0);
  rig.SetParam(kCompressorBypass, 1.0);
  const double after[] = {rig.plug->InputGainLin(), rig.plug->OutputGainLin(),
                          rig.plug->HighPos(),      rig.plug->LowPos(),
                          rig.plug->MidPos(),       rig.plug->MidFreqPos(),
                          rig.plug->CompAmount()};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(before[i], after[i]);
}

TEST(KORUParameters, EditorEditsReachTheTargetsUnderTheMutex)
{
  KORURig rig;
  rig.plug->ParamFromEditor(kMidGain, 0.75);
  EXPECT_DOUBLE_EQ(rig.plug->MidPos(), 0.7);
}
