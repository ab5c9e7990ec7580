#pragma once

#include "pluginterfaces/base/funknown.h"

// The effect's class id. Hosts identify stored projects and presets by its text,
// F2AEE70D00DE4F4E516C6D724B525531 ({F2AEE70D-00DE-4F4E-516C-6D724B525531} in registry form),
// which must be the same on every system so that a project moves between them. The id is four
// words: 0xF2AEE70D, 0x00DE4F4E, the maker id "Qlmr" and the unique id "KRU1". The SDK's
// INLINE_UID lays them out as hosts on each system read them back: on Windows in the COM
// layout (0D E7 AE F2 DE 00 4E 4F, then "QlmrKRU1"), elsewhere most significant byte first
// (F2 AE E7 0D 00 DE 4F 4E "QlmrKRU1"). The bytes differ between the systems; the text does not.
namespace KoruClassId
{

inline constexpr Steinberg::uint32 kWord1 = 0xF2AEE70D;
inline constexpr Steinberg::uint32 kWord2 = 0x00DE4F4E;
inline constexpr Steinberg::uint32 kMakerId = 0x516C6D72;  // "Qlmr"
inline constexpr Steinberg::uint32 kUniqueId = 0x4B525531; // "KRU1"

inline constexpr Steinberg::TUID kBytes = INLINE_UID(kWord1, kWord2, kMakerId, kUniqueId);

// The text hosts show and the module information file carries.
inline constexpr char kText[] = "F2AEE70D00DE4F4E516C6D724B525531";

} // namespace KoruClassId
