#pragma once

#include "lice/LICE_Types.h"

#include <cstdint>

// The platform's text services that LICE_CachedFont draws through: GDI on Windows (lice/win/),
// FreeType and fontconfig on other systems (lice/linux/). Device contexts are the ones the
// bitmaps hand out (LICE_IBitmap::deviceContext()); a null context makes every call a no-op
// answering 0 or null. Colours are platform colours, red | green << 8 | blue << 16.
// User-interface thread only, like the bitmaps they draw into.
namespace lice
{

// Selects font into dc and answers the font selected before, to be selected back afterwards
// (GDI selects nothing for a null font; elsewhere null leaves the context without one).
LICE_FontHandle TextSelectFont(LICE_DeviceContext dc, LICE_FontHandle font);

// Height of the selected font's character cell in pixels (ascent + descent), 0 without one.
int TextMetricsHeight(LICE_DeviceContext dc);

void TextSetColour(LICE_DeviceContext dc, uint32_t colour);
// 1 transparent, 2 opaque: the text's cell is filled with the background colour first.
void TextSetBackgroundMode(LICE_DeviceContext dc, int mode);
void TextSetBackgroundColour(LICE_DeviceContext dc, uint32_t colour);

// Draws, or with LICE_DT_CALCRECT measures into rect, text of length units (-1: up to the NUL)
// with the platform's text-format flags. Answers the text height (0 on failure).
int TextDrawWide(LICE_DeviceContext dc, const char16_t* text, int length, LICE_Rect* rect,
                 int flags);
// The same for 8-bit text in the platform's single-byte code page (Windows-1252 on Linux).
int TextDrawBytes(LICE_DeviceContext dc, const char* text, int length, LICE_Rect* rect, int flags);

// Strict UTF-8 to UTF-16 of length bytes (no NUL is added). With capacity 0 answers the units
// needed; otherwise the units written. 0 when the text is not valid UTF-8 or does not fit.
int TextUtf8ToUtf16(const char* text, int length, char16_t* out, int capacity);

// True when the process runs under the Wine compatibility layer (never on Linux itself).
bool TextProbeWine();

} // namespace lice
