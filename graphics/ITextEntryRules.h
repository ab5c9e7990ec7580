#pragma once

class IControl;
class IParamSlot;

// What a text field over a control accepts and what committing it does, the same for every
// window layer.

// Whether the field accepts the typed character c (a byte or a code point). Backspace always
// passes. Choice and stepped parameters take digits, '+' and '-'; continuous ones also '.'; a
// field without a parameter takes anything.
bool TextEntryAccepts(const IParamSlot* param, unsigned c);

// The plain value a committed text gives param: for choice kinds the value of the first display
// text equal to the text (0 when none is), otherwise the text's leading decimal number (0 when
// there is none), negated when the parameter's display is negated.
double TextEntryPlainValue(const IParamSlot& param, const char* text);

// Commits text: with a parameter, the control takes the normalised value as a user edit; without
// one, the control's OnTextEntered receives the text.
void CommitTextEntry(IControl* control, const IParamSlot* param, const char* text);
