#pragma once

#include "framework/IParamSlot.h"

#include "public.sdk/source/vst/vstparameters.h"

// The host's view of one framework parameter record: its id is the record's index, its
// conversions and texts are the record's law and display rule. The record is not owned and
// must outlive this object (both belong to the same plug-in instance).
//
// Threads: the host calls the conversions on its user-interface thread without a lock; they
// read only the record's constant range, law and texts, never its current value.
class IPlugParameter : public Steinberg::Vst::Parameter
{
public:
  IPlugParameter(const IParamSlot* slot, Steinberg::Vst::ParamID index,
                 Steinberg::Vst::UnitID unitId);

  // Display text of the plain value the normalised value stands for.
  void toString(Steinberg::Vst::ParamValue normalized,
                Steinberg::Vst::String128 string) const SMTG_OVERRIDE;
  // Reads the leading decimal number (0 when there is none), limited to the range; always
  // succeeds.
  bool fromString(const Steinberg::Vst::TChar* string,
                  Steinberg::Vst::ParamValue& normalized) const SMTG_OVERRIDE;
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue normalized) const SMTG_OVERRIDE;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plain) const SMTG_OVERRIDE;

  // The same text for any record, also where no parameter object exists yet.
  static void FormatForHost(const IParamSlot& slot, double normalized,
                            Steinberg::Vst::String128 string);
  // The plain value a host text stands for, limited to the record's range.
  static double PlainFromHostText(const IParamSlot& slot, const Steinberg::Vst::TChar* string);

  OBJ_METHODS(IPlugParameter, Parameter)

private:
  const IParamSlot* mSlot;
};
