#include "graphics/ITextEntryRules.h"

#include "framework/IParamSlot.h"
#include "graphics/IControl.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace
{
constexpr unsigned kBackspace = 8;
} // namespace

bool TextEntryAccepts(const IParamSlot* param, unsigned c)
{
  if (!param || c == kBackspace) return true;
  const bool numeric = (c >= '0' && c <= '9') || c == '+' || c == '-';
  switch (param->GetKind())
  {
  case IParamSlot::kKindChoice:
  case IParamSlot::kKindStepped:
  case IParamSlot::kKindChoiceList: return numeric;
  case IParamSlot::kKindContinuous: return numeric || c == '.';
  default: return true;
  }
}

double TextEntryPlainValue(const IParamSlot& param, const char* text)
{
  if (!text) text = "";
  const int kind = param.GetKind();
  if (kind == IParamSlot::kKindChoice || kind == IParamSlot::kKindChoiceList)
  {
    for (int i = 0; i < param.DisplayTextCount(); ++i)
    {
      const IParamSlot::DisplayText* entry = param.DisplayTextEntry(i);
      if (entry && std::strcmp(entry->text, text) == 0) return entry->value;
    }
    return 0.0;
  }
  // The leading decimal number, read the same whatever locale the host runs in (the C library's
  // reading would take a comma for the point in some).
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '+' && p[1] != '-') ++p;
  double value = 0.0;
  const std::from_chars_result read =
      std::from_chars(p, p + std::strlen(p), value, std::chars_format::fixed);
  if (read.ec != std::errc() || !std::isfinite(value)) value = 0.0;
  return param.NegateDisplay() ? -value : value;
}

void CommitTextEntry(IControl* control, const IParamSlot* param, const char* text)
{
  if (!control) return;
  if (param)
    control->SetValueFromUser(param->NormalizedFromPlain(TextEntryPlainValue(*param, text)));
  else
    control->OnTextEntered(text ? text : "");
}
