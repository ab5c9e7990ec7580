#include "vst3/IPlugParameter.h"

#include "framework/Truncate.h"
#include "vst3/HostText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// Host strings are 128 units: 127 characters and the terminator.
constexpr size_t kHostTextUnits = 127;
} // namespace

IPlugParameter::IPlugParameter(const IParamSlot* slot, ParamID index, UnitID unitId) : mSlot(slot)
{
  WidenText(info.title, slot->Name(), kHostTextUnits);
  info.shortTitle[0] = 0;
  WidenText(info.units, slot->UnitLabelForHost(), kHostTextUnits);
  info.stepCount = slot->IsContinuous() ? 0 : TruncateToInt32(slot->Max() - slot->Min());
  info.defaultNormalizedValue = slot->NormalizedFromPlain(slot->Default());
  valueNormalized = info.defaultNormalizedValue;
  info.id = index;
  info.unitId = unitId;
  info.flags = slot->CanAutomate() ? ParameterInfo::kCanAutomate : 0;
  precision = static_cast<int32>(slot->Precision());
}

void IPlugParameter::toString(ParamValue normalized, String128 string) const
{
  FormatForHost(*mSlot, normalized, string);
}

bool IPlugParameter::fromString(const TChar* string, ParamValue& normalized) const
{
  normalized = mSlot->NormalizedFromPlain(PlainFromHostText(*mSlot, string));
  return true;
}

ParamValue IPlugParameter::toPlain(ParamValue normalized) const
{
  return mSlot->PlainFromNormalized(normalized);
}

ParamValue IPlugParameter::toNormalized(ParamValue plain) const
{
  return mSlot->NormalizedFromPlain(plain);
}

void IPlugParameter::FormatForHost(const IParamSlot& slot, double normalized, String128 string)
{
  char text[kHostTextUnits + 1] = {};
  slot.FormatPlain(slot.PlainFromNormalized(normalized), text, sizeof(text));
  WidenText(string, text, kHostTextUnits);
}

double IPlugParameter::PlainFromHostText(const IParamSlot& slot, const TChar* string)
{
  char text[kHostTextUnits + 1] = {};
  NarrowText(text, sizeof(text), string);

  // The leading decimal number, read the same whatever locale the host has set.
  const char* first = text;
  while (*first && std::isspace(static_cast<unsigned char>(*first))) ++first;
  if (*first == '+') ++first;
  const char* last = first;
  while (*last) ++last;
  double plain = 0.0;
  if (std::from_chars(first, last, plain, std::chars_format::general).ec != std::errc())
    plain = 0.0;
  // "nan" is no number; "inf" is as far as the range goes.
  if (std::isnan(plain)) plain = 0.0;
  return std::clamp(plain, slot.Min(), slot.Max());
}
