#pragma once

#include "pluginterfaces/base/funknown.h"

// The effect's class id, {F2AEE70D-00DE-4F4E-516C-6D724B525531}: the words 0xF2AEE70D and
// 0x00DE4F4E in the COM byte layout, then the maker id "Qlmr" and the unique id "KRU1" in
// reading order. Spelled out byte by byte because the SDK's INLINE_UID lays the words out
// differently on non-Windows builds, and hosts identify stored projects by these bytes on
// every platform.
namespace KoruClassId
{

inline constexpr Steinberg::int8 kBytes[16] = {
    0x0D,
    static_cast<Steinberg::int8>(0xE7),
    static_cast<Steinberg::int8>(0xAE),
    static_cast<Steinberg::int8>(0xF2), // word 1, least significant byte first
    static_cast<Steinberg::int8>(0xDE),
    0x00, // upper half of word 2
    0x4E,
    0x4F, // lower half of word 2
    'Q',
    'l',
    'm',
    'r', // maker id
    'K',
    'R',
    'U',
    '1'}; // unique id

// The registry-style text hosts show and the module information file carries.
inline constexpr char kText[] = "F2AEE70D00DE4F4E516C6D724B525531";

} // namespace KoruClassId
