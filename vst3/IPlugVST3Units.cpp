// IPlugVST3: units and the program list.
//
// Unit 0 is the root; unit k (from 1) is parameter group k - 1. The presets form one program
// list, described on request but not announced in the list count.
#include "vst3/HostParamIds.h"
#include "vst3/HostText.h"
#include "vst3/IPlugVST3.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// Host strings are 128 units: 127 characters and the terminator.
constexpr size_t kHostTextUnits = 127;
} // namespace

int32 PLUGIN_API IPlugVST3::getUnitCount() { return static_cast<int32>(GroupNames().size()) + 1; }

tresult PLUGIN_API IPlugVST3::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
  const int32 nGroups = static_cast<int32>(GroupNames().size());
  if (unitIndex < 0 || unitIndex > nGroups) return kResultFalse;
  info.id = unitIndex;
  info.parentUnitId = unitIndex == 0 ? kNoParentUnitId : kRootUnitId;
  WidenText(info.name, unitIndex == 0 ? "Root Unit" : GroupNames()[unitIndex - 1].c_str(),
            kHostTextUnits);
  info.programListId = kNoProgramListId;
  return kResultOk;
}

int32 PLUGIN_API IPlugVST3::getProgramListCount() { return 0; }

tresult PLUGIN_API IPlugVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
  if (listIndex != 0) return kResultFalse;
  info.id = kPresetParamId;
  WidenText(info.name, "Factory Presets", kHostTextUnits);
  info.programCount = PresetCount();
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getProgramName(ProgramListID listId, int32 programIndex,
                                             String128 name)
{
  if (listId != static_cast<ProgramListID>(kPresetParamId) || !name) return kResultFalse;
  const IPresetSlot* preset = Preset(programIndex);
  WidenText(name, preset ? preset->name : "", kHostTextUnits);
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getProgramInfo(ProgramListID, int32, Vst::CString, String128)
{
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::hasProgramPitchNames(ProgramListID, int32) { return kNotImplemented; }

tresult PLUGIN_API IPlugVST3::getProgramPitchName(ProgramListID, int32, int16, String128)
{
  return kNotImplemented;
}

UnitID PLUGIN_API IPlugVST3::getSelectedUnit() { return kRootUnitId; }

tresult PLUGIN_API IPlugVST3::selectUnit(UnitID) { return kNotImplemented; }

tresult PLUGIN_API IPlugVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&)
{
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::setUnitProgramData(int32, int32, IBStream*)
{
  return kNotImplemented;
}
