#pragma once

// What a control's value and name labels must offer: a text from the plug-in. An
// implementation stores a text that differs from its current one and flags itself for
// redraw (MarkDirty(false)); the same text changes nothing. User-interface thread only.
class ITextDisplay
{
public:
  virtual ~ITextDisplay() = default;
  virtual void SetTextFromPlugin(const char* text) = 0;
};
