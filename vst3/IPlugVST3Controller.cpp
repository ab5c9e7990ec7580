// IPlugVST3: the edit controller's value queries and conversions, and the edit notifications.
//
// These run on the host's user-interface thread without the instance mutex: they read the
// records' constant ranges and laws, and read or write a record's current value directly.
#include "vst3/HostParamIds.h"
#include "vst3/IPlugParameter.h"
#include "vst3/IPlugVST3.h"
#include "vst3/IPlugVST3View.h"

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API IPlugVST3::setComponentState(IBStream* /*state*/) { return kNotImplemented; }

// The container's own lookup throws for an index past its end; a host asking beyond the
// count gets kResultFalse instead.
tresult PLUGIN_API IPlugVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
  if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) return kResultFalse;
  return SingleComponentEffect::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API IPlugVST3::getParamStringByValue(ParamID id, ParamValue normalized,
                                                    String128 string)
{
  const IParamSlot* slot =
      id < static_cast<ParamID>(ParamCount()) ? Param(static_cast<int>(id)) : nullptr;
  if (!slot || !string) return kResultFalse;
  IPlugParameter::FormatForHost(*slot, normalized, string);
  return kResultOk;
}

ParamValue PLUGIN_API IPlugVST3::plainParamToNormalized(ParamID id, ParamValue plain)
{
  if (id < static_cast<ParamID>(ParamCount()))
    return Param(static_cast<int>(id))->NormalizedFromPlain(plain);
  return plain;
}

ParamValue PLUGIN_API IPlugVST3::getParamNormalized(ParamID id)
{
  if (id == kBypassParamId) return mBypassForHost.load(std::memory_order_relaxed) ? 1.0 : 0.0;
  if (id < static_cast<ParamID>(ParamCount())) return Param(static_cast<int>(id))->Normalized();
  return 0.0;
}

tresult PLUGIN_API IPlugVST3::setParamNormalized(ParamID id, ParamValue normalized)
{
  if (id >= static_cast<ParamID>(ParamCount())) return kResultFalse;
  // No lock, no hook, no editor update: the effect picks the value up at its next use.
  Param(static_cast<int>(id))->ApplyNormalized(normalized);
  return kResultOk;
}

// Only the editor view exists. Whether the effect has an editor is the view's question.
IPlugView* PLUGIN_API IPlugVST3::createView(FIDString name)
{
  if (!name || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
  auto* view = new IPlugVST3View(this);
  mViews.push_back(view);
  return view;
}

// --- IEditController2 ---------------------------------------------------------------------

// The editor's knobs have one behaviour; the host's preference is acknowledged, not kept.
tresult PLUGIN_API IPlugVST3::setKnobMode(KnobMode /*mode*/) { return kResultOk; }
tresult PLUGIN_API IPlugVST3::openHelp(TBool /*onlyCheck*/) { return kResultFalse; }
tresult PLUGIN_API IPlugVST3::openAboutBox(TBool /*onlyCheck*/) { return kResultFalse; }

// --- Edits from the editor ----------------------------------------------------------------

void IPlugVST3::BeginHostEdit(int index) { beginEdit(static_cast<ParamID>(index)); }

void IPlugVST3::PerformHostEdit(int index, double normalized)
{
  performEdit(static_cast<ParamID>(index), normalized);
}

void IPlugVST3::EndHostEdit(int index) { endEdit(static_cast<ParamID>(index)); }
