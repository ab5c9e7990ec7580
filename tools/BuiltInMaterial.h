#pragma once

#include "AudioFile.h"

// What koru-render plays when given no input file: about six seconds of a generated stereo
// programme at 48 kHz, so that every stage of the strip has something to do. A kick-like
// thump every half second, a bass line, a chord of a few partials under a slow tremolo and a
// noise hi-hat on the off-beats, mixed differently left and right; peaks near -3 dBFS.
//
// Deterministic: the same samples on every call and every run (its noise comes from a
// fixed-seed generator of its own).
namespace builtin
{
constexpr double kSampleRate = 48000.0;
constexpr double kSeconds = 6.0;
constexpr double kPeakDb = -3.0;

Audio Programme();
} // namespace builtin
