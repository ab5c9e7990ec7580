// The controller side as a host sees it: the eleven parameters, their texts both ways, value
// conversions, units and the program list; and the edit notifications the editor sends.
#include "EffectHost.h"
#include "effect/KORU.h"

using namespace koru_test;

namespace
{

class ControllerTest : public EffectTest
{
protected:
  ParameterInfo Info(int32 index)
  {
    ParameterInfo info{};
    EXPECT_EQ(host().controller->getParameterInfo(index, info), kResultOk) << index;
    return info;
  }

  std::u16string String(ParamID id, ParamValue normalized)
  {
    String128 text = {};
    EXPECT_EQ(host().controller->getParamStringByValue(id, normalized, text), kResultOk);
    return Text(text);
  }

  ParamValue FromString(ParamID id, const char16_t* text)
  {
    String128 buffer = {};
    for (int i = 0; text[i] && i < 127; ++i) buffer[i] = static_cast<char16>(text[i]);
    ParamValue value = -1.0;
    EXPECT_EQ(host().controller->getParamValueByString(id, buffer, value), kResultOk);
    return value;
  }
};

struct Expected
{
  const char16_t* title;
  const char16_t* units;
  int32 stepCount;
  double defaultNormalized;
};

const Expected kEffectParameters[kEffectParams] = {
    {u"Input 1", u"%", 0, 0.5},
    {u"Output 1", u"%", 0, 0.5},
    {u"High Gain 1", u"%", 0, 0.5},
    {u"Low Gain 1", u"%", 0, 0.5},
    {u"Mid Gain 1", u"%", 0, 0.5},
    {u"Mid Frequency 1", u"%", 0, 0.0},
    {u"Compressor 1", u"%", 0, 0.0},
    {u"EQ Bypass 1", u"", 1, 0.0},
    {u"Compressor Bypass 1", u"", 1, 0.0},
};

} // namespace

TEST_F(ControllerTest, PresetAndBypassComeFirst)
{
  const ParameterInfo preset = Info(0);
  EXPECT_EQ(Text(preset.title), u"Preset");
  EXPECT_EQ(preset.id, kPresetId);
  EXPECT_EQ(preset.flags, 0x8000);
  EXPECT_EQ(preset.stepCount, 1);
  EXPECT_EQ(preset.unitId, kRootUnitId);
  EXPECT_EQ(preset.defaultNormalizedValue, 0.0);
  EXPECT_EQ(Text(preset.units), u"");

  const ParameterInfo bypass = Info(1);
  EXPECT_EQ(Text(bypass.title), u"Bypass");
  EXPECT_EQ(bypass.id, kBypassId);
  EXPECT_EQ(bypass.flags, 0x10009);
  EXPECT_EQ(bypass.stepCount, 1);
  EXPECT_EQ(bypass.unitId, kRootUnitId);
  EXPECT_EQ(bypass.defaultNormalizedValue, 0.0);

  ParameterInfo none{};
  EXPECT_EQ(host().controller->getParameterInfo(11, none), kResultFalse);
}

TEST_F(ControllerTest, EffectParametersFollowInIndexOrder)
{
  for (int i = 0; i < kEffectParams; ++i)
  {
    const ParameterInfo info = Info(i + 2);
    const Expected& expected = kEffectParameters[i];
    EXPECT_EQ(info.id, static_cast<ParamID>(i));
    EXPECT_EQ(Text(info.title), expected.title) << i;
    EXPECT_EQ(Text(info.shortTitle), u"") << i;
    EXPECT_EQ(Text(info.units), expected.units) << i;
    EXPECT_EQ(info.stepCount, expected.stepCount) << i;
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate) << i;
    EXPECT_EQ(info.unitId, kRootUnitId) << i;
    EXPECT_NEAR(info.defaultNormalizedValue, expected.defaultNormalized, 1e-12) << i;
  }
}

TEST_F(ControllerTest, ValueStringsUseEachParametersPrecision)
{
  EXPECT_EQ(String(kInputGain, 0.0), u"-24.00");
  EXPECT_EQ(String(kInputGain, 0.5), u"0.00");
  EXPECT_EQ(String(kInputGain, 1.0), u"24.00");
  EXPECT_EQ(String(kOutputGain, 0.25), u"-12.00");
  EXPECT_EQ(String(kCompressor, 0.5), u"48.00");
  // The mid frequency runs on a square-root law: 0.01 + 0.969 × √0.5.
  EXPECT_EQ(String(kMidFrequency, 0.5), u"0.70");
  EXPECT_EQ(String(kMidFrequency, 1.0), u"0.98");
  EXPECT_EQ(String(kEQBypass, 0.0), u"0");
  EXPECT_EQ(String(kEQBypass, 1.0), u"1");
  EXPECT_EQ(String(kCompressorBypass, 1.0), u"1");
}

TEST_F(ControllerTest, ValueStringsOnlyForEffectParameters)
{
  String128 text = {};
  EXPECT_EQ(host().controller->getParamStringByValue(kBypassId, 1.0, text), kResultFalse);
  EXPECT_EQ(host().controller->getParamStringByValue(kPresetId, 0.0, text), kResultFalse);
  EXPECT_EQ(host().controller->getParamStringByValue(9, 0.0, text), kResultFalse);
}

TEST_F(ControllerTest, StringsToValues)
{
  // No number reads as 0, which is the middle of -24..24.
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u"abc"), 0.5);
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u"100"), 1.0);
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u"-100"), 0.0);
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u"-12"), 0.25);
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u" 6.00 %"), 0.625);
  EXPECT_DOUBLE_EQ(FromString(kCompressor, u"48"), 0.5);
  EXPECT_DOUBLE_EQ(FromString(kEQBypass, u"1"), 1.0);
  // "nan" is no number; an infinity is the end of the range.
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u"nan"), 0.5);
  EXPECT_DOUBLE_EQ(FromString(kInputGain, u"inf"), 1.0);
}

TEST_F(ControllerTest, PlainAndNormalizedConversions)
{
  EXPECT_DOUBLE_EQ(host().controller->normalizedParamToPlain(kInputGain, 0.25), -12.0);
  EXPECT_DOUBLE_EQ(host().controller->plainParamToNormalized(kInputGain, -12.0), 0.25);
  EXPECT_DOUBLE_EQ(host().controller->plainParamToNormalized(kInputGain, 100.0), 1.0);
  EXPECT_DOUBLE_EQ(host().controller->plainParamToNormalized(kCompressor, -5.0), 0.0);
  EXPECT_NEAR(host().controller->plainParamToNormalized(kMidFrequency, 0.979), 1.0, 1e-12);
  // Ids that are not effect parameters pass the value through.
  EXPECT_DOUBLE_EQ(host().controller->plainParamToNormalized(kBypassId, 0.7), 0.7);
  EXPECT_DOUBLE_EQ(host().controller->plainParamToNormalized(kPresetId, 3.0), 3.0);
}

TEST_F(ControllerTest, SetAndGetNormalized)
{
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.5);
  EXPECT_EQ(host().controller->setParamNormalized(kInputGain, 0.75), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.75);
  // A switch is rounded to its step.
  EXPECT_EQ(host().controller->setParamNormalized(kEQBypass, 0.7), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kEQBypass), 1.0);
  // A non-number changes nothing; values beyond 1 stop at the maximum.
  EXPECT_EQ(host().controller->setParamNormalized(kInputGain, std::nan("")), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.75);
  EXPECT_EQ(host().controller->setParamNormalized(kCompressor, 7.0), kResultOk);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kCompressor), 1.0);

  EXPECT_EQ(host().controller->setParamNormalized(kBypassId, 1.0), kResultFalse);
  EXPECT_EQ(host().controller->setParamNormalized(kPresetId, 0.0), kResultFalse);
  EXPECT_EQ(host().controller->setParamNormalized(9, 0.5), kResultFalse);
  EXPECT_EQ(host().controller->getParamNormalized(kPresetId), 0.0);
  EXPECT_EQ(host().controller->getParamNormalized(1234), 0.0);
  EXPECT_FALSE(host().Bypassed());
}

TEST_F(ControllerTest, BypassReadsFollowProcessingAndState)
{
  ASSERT_EQ(host().Setup(kSample64, 64), kResultOk);
  EXPECT_EQ(host().SendChange(kBypassId, 1.0), kResultOk);
  EXPECT_EQ(host().controller->getParamNormalized(kBypassId), 1.0);
  EXPECT_EQ(host().SendChange(kBypassId, 0.0), kResultOk);
  EXPECT_EQ(host().controller->getParamNormalized(kBypassId), 0.0);
  std::vector<double> values(kDefaults, kDefaults + kEffectParams);
  EXPECT_EQ(host().LoadState(StateBytes(values, 1)), kResultOk);
  EXPECT_EQ(host().controller->getParamNormalized(kBypassId), 1.0);
  // Each processing set-up clears the bypass until the next change.
  EXPECT_EQ(host().Setup(kSample64, 64), kResultOk);
  EXPECT_EQ(host().controller->getParamNormalized(kBypassId), 0.0);
}

// A direct value write takes effect where the chain reads the record itself: the switches.
TEST_F(ControllerTest, DirectWritesReachTheChainAtItsNextUse)
{
  auto reference = NewHost();
  ASSERT_EQ(host().Setup(kSample64, 256), kResultOk);
  ASSERT_EQ(reference->Setup(kSample64, 256), kResultOk);
  EXPECT_EQ(host().controller->setParamNormalized(kEQBypass, 1.0), kResultOk);

  Channels written, plain;
  EXPECT_EQ(ProcessStretch(host(), kSample64, 0, 256, written), kResultOk);
  EXPECT_EQ(ProcessStretch(*reference, kSample64, 0, 256, plain), kResultOk);
  EXPECT_NE(written, plain);

  // The same switch through the processing queue gives the same samples.
  auto queued = NewHost();
  ASSERT_EQ(queued->Setup(kSample64, 256), kResultOk);
  harness::ParameterChanges changes;
  changes.Add(kEQBypass, 1.0);
  Channels viaQueue;
  EXPECT_EQ(ProcessStretch(*queued, kSample64, 0, 256, viaQueue, 2, 2, &changes), kResultOk);
  EXPECT_EQ(written, viaQueue);
}

TEST_F(ControllerTest, KnobModeHelpAndAboutBox)
{
  EXPECT_EQ(host().controller2->setKnobMode(kLinearMode), kResultOk);
  EXPECT_EQ(host().controller2->setKnobMode(kCircularMode), kResultOk);
  EXPECT_EQ(host().controller2->openHelp(true), kResultFalse);
  EXPECT_EQ(host().controller2->openHelp(false), kResultFalse);
  EXPECT_EQ(host().controller2->openAboutBox(true), kResultFalse);
}

TEST_F(ControllerTest, OneRootUnit)
{
  EXPECT_EQ(host().units->getUnitCount(), 1);
  UnitInfo info{};
  ASSERT_EQ(host().units->getUnitInfo(0, info), kResultOk);
  EXPECT_EQ(info.id, 0);
  EXPECT_EQ(info.parentUnitId, -1);
  EXPECT_EQ(Text(info.name), u"Root Unit");
  EXPECT_EQ(info.programListId, -1);
  EXPECT_EQ(host().units->getUnitInfo(1, info), kResultFalse);
  EXPECT_EQ(host().units->getUnitInfo(-1, info), kResultFalse);
  EXPECT_EQ(host().units->getSelectedUnit(), 0);
}

TEST_F(ControllerTest, ProgramListIsDescribedButNotAnnounced)
{
  EXPECT_EQ(host().units->getProgramListCount(), 0);
  ProgramListInfo list{};
  ASSERT_EQ(host().units->getProgramListInfo(0, list), kResultOk);
  EXPECT_EQ(list.id, static_cast<ProgramListID>(kPresetId));
  EXPECT_EQ(Text(list.name), u"Factory Presets");
  EXPECT_EQ(list.programCount, 1);
  EXPECT_EQ(host().units->getProgramListInfo(1, list), kResultFalse);

  String128 name = {};
  EXPECT_EQ(host().units->getProgramName(kPresetId, 0, name), kResultOk);
  EXPECT_EQ(Text(name), u"-");
  name[0] = 'x';
  EXPECT_EQ(host().units->getProgramName(kPresetId, 5, name), kResultOk);
  EXPECT_EQ(Text(name), u"");
  EXPECT_EQ(host().units->getProgramName(kPresetId, -1, name), kResultOk);
  EXPECT_EQ(Text(name), u"");
  EXPECT_EQ(host().units->getProgramName(0, 0, name), kResultFalse);
}

TEST_F(ControllerTest, UnitCallsLeftUnimplemented)
{
  String128 text = {};
  EXPECT_EQ(host().units->getProgramInfo(kPresetId, 0, "name", text), kNotImplemented);
  EXPECT_EQ(host().units->hasProgramPitchNames(kPresetId, 0), kNotImplemented);
  EXPECT_EQ(host().units->getProgramPitchName(kPresetId, 0, 60, text), kNotImplemented);
  EXPECT_EQ(host().units->selectUnit(0), kNotImplemented);
  UnitID unit = 7;
  EXPECT_EQ(host().units->getUnitByBus(kAudio, Vst::kInput, 0, 0, unit), kNotImplemented);
  EXPECT_EQ(host().units->setUnitProgramData(0, 0, nullptr), kNotImplemented);
}

// The editor's gestures, which no host call can start, driven on an instance in this process.
TEST(ControllerEditTest, EditorGesturesBecomeEditNotifications)
{
  KORU effect;
  harness::ComponentHandler handler;
  harness::HostApplication app;
  ASSERT_EQ(effect.initialize(&app), kResultOk);

  // Without a handler nothing is sent and nothing breaks.
  effect.BeginHostEdit(kInputGain);
  effect.ParamFromEditor(kInputGain, 0.25);
  effect.EndHostEdit(kInputGain);

  ASSERT_EQ(effect.setComponentHandler(&handler), kResultOk);
  effect.BeginHostEdit(kEQBypass);
  effect.ParamFromEditor(kEQBypass, 0.7);
  effect.EndHostEdit(kEQBypass);

  const auto calls = handler.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, harness::ComponentHandler::Kind::kBeginEdit);
  EXPECT_EQ(calls[0].id, kEQBypass);
  EXPECT_EQ(calls[1].kind, harness::ComponentHandler::Kind::kPerformEdit);
  EXPECT_EQ(calls[1].id, kEQBypass);
  // The host hears the unrounded value; the record holds the step.
  EXPECT_DOUBLE_EQ(calls[1].value, 0.7);
  EXPECT_DOUBLE_EQ(effect.getParamNormalized(kEQBypass), 1.0);
  EXPECT_EQ(calls[2].kind, harness::ComponentHandler::Kind::kEndEdit);
  EXPECT_EQ(calls[2].id, kEQBypass);

  EXPECT_EQ(effect.terminate(), kResultOk);
  EXPECT_EQ(handler.RefCount(), 1);
  EXPECT_EQ(app.RefCount(), 1);
}
