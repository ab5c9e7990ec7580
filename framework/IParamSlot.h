#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// One automatable parameter: kind, range, law, current plain value and texts.
//
// Plain values are in the parameter's own units (what the effect, the state and the display
// use); normalised values (0..1) are what the host and the editor exchange. Every conversion
// goes through the law plain = min + (max - min) * x^shape.
//
// The record is passive: it never locks and never notifies. Its owner (IPlugBase) serialises
// writers with the instance mutex. The controller may also read and write the value from the
// user-interface thread while the audio thread runs, so the value is a relaxed atomic: a
// change takes effect at its next use, and no access is a data race.
class IParamSlot
{
public:
  enum Kind : uint32_t
  {
    kKindNone = 0,       // not initialised yet
    kKindChoice = 1,     // values offered from the display texts
    kKindStepped = 2,    // integer-valued (switches)
    kKindChoiceList = 3, // values offered from the display texts
    kKindContinuous = 4,
  };

  static constexpr size_t kTextSize = 32;
  static constexpr uint32_t kMaxPrecision = 6;

  struct DisplayText
  {
    int32_t value;
    char text[kTextSize];
  };

  IParamSlot();

  void InitContinuous(const char* name, double defaultValue, double min, double max, double step,
                      const char* label = "", const char* group = "", double shape = 1.0);
  void InitStepped(const char* name, double defaultValue, double min, double max,
                   const char* label = "", const char* group = "");
  // A value chosen among count display texts, 0 .. count - 1 (the editor offers a menu).
  void InitChoice(const char* name, int defaultValue, int count, const char* label = "",
                  const char* group = "");
  void SetShapeExponent(double shape) { mShape = shape; }
  void SetDisplayText(int32_t value, const char* text);
  void SetNegateDisplay(bool negate) { mNegateDisplay = negate; }
  void SetCanAutomate(bool canAutomate) { mCanAutomate = canAutomate; }

  // Normalised form of the current value.
  double Normalized() const { return NormalizedFromPlain(Value()); }
  // Sets the value from a normalised x, rounded to the step for non-continuous kinds.
  // x is limited to 0..1 and a NaN x leaves the value as it is, so no host can store an
  // out-of-range or non-number plain value.
  void ApplyNormalized(double x);
  // Sets the value limited to min..max; a NaN leaves the value as it is.
  void ClampSet(double v);

  // The law without rounding or limiting (x limited to 0..1 only to keep the power real).
  double PlainFromNormalized(double x) const;
  // The inverse law, the plain value limited to min..max first.
  double NormalizedFromPlain(double v) const;

  // Text of the first display-text entry whose value is n; empty when none matches.
  const char* DisplayTextAt(int32_t n) const;
  int DisplayTextCount() const { return static_cast<int>(mDisplayTexts.size()); }
  // Display-text entry i in the order they were set; null outside 0 .. count - 1.
  const DisplayText* DisplayTextEntry(int i) const
  {
    return i >= 0 && i < DisplayTextCount() ? &mDisplayTexts[i] : nullptr;
  }
  // Display string of the current value / of a given plain value, into a caller buffer.
  void FormatForHost(char* out, size_t size) const { FormatPlain(Value(), out, size); }
  void FormatPlain(double plain, char* out, size_t size) const;
  // Label shown beside the value: empty when a display text names the value.
  const char* UnitLabelForHost() const;

  Kind GetKind() const { return mKind; }
  bool IsContinuous() const { return mKind == kKindContinuous; }
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  double Min() const { return mMin; }
  double Max() const { return mMax; }
  double Step() const { return mStep; }
  double Shape() const { return mShape; }
  double Default() const { return mDefault; }
  uint32_t Precision() const { return mPrecision; }
  const char* Name() const { return mName; }
  const char* Label() const { return mLabel; }
  const char* Group() const { return mGroup; }
  bool NegateDisplay() const { return mNegateDisplay; }
  bool CanAutomate() const { return mCanAutomate; }

private:
  void Store(double v) { mValue.store(v, std::memory_order_relaxed); }

  Kind mKind = kKindNone;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  uint32_t mPrecision = 0;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  char mGroup[kTextSize] = {};
  bool mNegateDisplay = false;
  bool mCanAutomate = true;
  std::vector<DisplayText> mDisplayTexts;
};
