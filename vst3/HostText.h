#pragma once

#include "pluginterfaces/base/fstrdefs.h"

#include <cstddef>

// Text between the framework (8-bit, NUL-terminated) and the host (UTF-16). The framework's
// names are plain ASCII, so one byte becomes one unit and back; a unit beyond 8 bits keeps
// its low byte on the way in.

// Writes at most maxUnits units of src, each byte widened, and always a terminator
// (dst holds maxUnits + 1 units).
inline void WidenText(Steinberg::char16* dst, const char* src, size_t maxUnits)
{
  size_t i = 0;
  if (src)
    for (; i < maxUnits && src[i]; ++i)
      dst[i] = static_cast<Steinberg::char16>(static_cast<unsigned char>(src[i]));
  dst[i] = 0;
}

// Reads at most size - 1 units of src into dst, each keeping its low byte, and terminates.
inline void NarrowText(char* dst, size_t size, const Steinberg::char16* src)
{
  if (size == 0) return;
  size_t i = 0;
  if (src)
    for (; i + 1 < size && src[i]; ++i) dst[i] = static_cast<char>(src[i] & 0xFF);
  dst[i] = '\0';
}
