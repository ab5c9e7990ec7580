#include "framework/IPresetSlot.h"

#include "framework/Truncate.h"

IPresetSlot::IPresetSlot() { CopyTruncated(name, kNameSize, "empty"); }
