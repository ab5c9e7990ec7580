#include "framework/IParamSlot.h"

#include "framework/DeterministicMath.h"
#include "framework/Truncate.h"

#include <algorithm>
#include <charconv>
#include <cmath>

IParamSlot::IParamSlot() = default;

void IParamSlot::InitContinuous(const char* name, double defaultValue, double min, double max,
                                double step, const char* label, const char* /*group*/, double shape)
{
  if (mKind == kKindNone) mKind = kKindContinuous;
  CopyTruncated(mName, kTextSize, name);
  CopyTruncated(mLabel, kTextSize, label);
  // Every parameter lives in the root unit: the group is not kept.
  mGroup[0] = '\0';

  mMin = min;
  Store(defaultValue);
  mStep = step;
  mDefault = defaultValue;
  mPrecision = 0;
  mMax = std::max(min + step, max);

  // Decimals needed to show the step, at most six.
  for (double s = step; s != std::floor(s) && mPrecision < kMaxPrecision; s *= 10.0) ++mPrecision;

  if (shape != 0.0) mShape = shape;
}

void IParamSlot::InitStepped(const char* name, double defaultValue, double min, double max,
                             const char* label, const char* group)
{
  if (mKind == kKindNone) mKind = kKindStepped;
  InitContinuous(name, defaultValue, min, max, 1.0, label, group, 1.0);
}

void IParamSlot::InitChoice(const char* name, int defaultValue, int count, const char* label,
                            const char* group)
{
  if (mKind == kKindNone) mKind = kKindChoiceList;
  InitContinuous(name, defaultValue, 0.0, count - 1, 1.0, label, group, 1.0);
}

void IParamSlot::SetDisplayText(int32_t value, const char* text)
{
  DisplayText entry{value, {}};
  CopyTruncated(entry.text, kTextSize, text);
  mDisplayTexts.push_back(entry);
}

namespace
{
// x to the law's exponent. A linear law skips the power, which costs more than the rest of a
// parameter change on the audio thread: x^1 is x to the bit, as pow's error stays under one ulp
// and x is a double.
double Shaped(double x, double exponent) { return exponent == 1.0 ? x : dmath::Pow(x, exponent); }
} // namespace

double IParamSlot::PlainFromNormalized(double x) const
{
  return mMin + (mMax - mMin) * Shaped(std::clamp(x, 0.0, 1.0), mShape);
}

double IParamSlot::NormalizedFromPlain(double v) const
{
  const double range = mMax - mMin;
  // A zero-width range has a single position.
  if (!(range > 0.0)) return 0.0;
  v = std::clamp(v, mMin, mMax);
  return Shaped((v - mMin) / range, 1.0 / mShape);
}

void IParamSlot::ApplyNormalized(double x)
{
  if (std::isnan(x)) return;
  double plain = PlainFromNormalized(x);
  if (mKind != kKindContinuous && mStep > 0.0) plain = std::floor(plain / mStep + 0.5) * mStep;
  plain = std::min(plain, mMax);
  if (std::isfinite(plain)) Store(plain);
}

void IParamSlot::ClampSet(double v)
{
  if (std::isnan(v)) return;
  Store(std::clamp(v, mMin, mMax));
}

const char* IParamSlot::DisplayTextAt(int32_t n) const
{
  for (const DisplayText& entry : mDisplayTexts)
    if (entry.value == n) return entry.text;
  return "";
}

void IParamSlot::FormatPlain(double plain, char* out, size_t size) const
{
  if (!out || size == 0) return;
  const char* text = DisplayTextAt(TruncateToInt32(plain));
  if (text[0] != '\0')
  {
    CopyTruncated(out, size, text);
    return;
  }
  if (mNegateDisplay) plain = -plain;
  // to_chars: the same digits whatever locale the host has set, and on every platform.
  // Room for every finite double with six decimals.
  char digits[400];
  std::to_chars_result end;
  if (mPrecision > 0 && std::isfinite(plain))
    end = std::to_chars(digits, digits + sizeof digits - 1, plain, std::chars_format::fixed,
                        static_cast<int>(mPrecision));
  else
    end = std::to_chars(digits, digits + sizeof digits - 1, TruncateToInt32(plain));
  *(end.ec == std::errc() ? end.ptr : digits) = '\0';
  CopyTruncated(out, size, digits);
}

const char* IParamSlot::UnitLabelForHost() const
{
  return DisplayTextAt(TruncateToInt32(Value()))[0] != '\0' ? "" : mLabel;
}
