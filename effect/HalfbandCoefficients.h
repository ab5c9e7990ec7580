#pragma once

#include <array>

// All-pass coefficients of the four half-band stages. One set serves both the up-stage and
// the mirror-image down-stage at the same rate; the longest set sits next to the base rate,
// where the transition band matters most.
namespace halfband
{

inline constexpr std::array<double, 12> kStage1 = {
    0.036681502163648017, 0.13654762463195794, 0.27463175937945444, 0.4231386174365671,
    0.5610986978791953,   0.6775400499741618,  0.769741833863227,   0.8398896248496389,
    0.892260818003879,    0.9315419599631839,  0.9620945483780842,  0.9878163707328959};

inline constexpr std::array<double, 4> kStage2 = {0.04189399199765617, 0.168903482439952,
                                                  0.39056077292116603, 0.7438957482684793};

inline constexpr std::array<double, 3> kStage3 = {0.05574868081130205, 0.24305119574153072,
                                                  0.646699131192682};

inline constexpr std::array<double, 2> kStage4 = {0.10717745346023573, 0.5309143535450456};

} // namespace halfband
