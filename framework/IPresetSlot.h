#pragma once
#include "framework/IChunk.h"

// One preset: a captured parameter block under a name. Once initialised its contents never
// change again.
struct IPresetSlot
{
  static constexpr size_t kNameSize = 256;

  IPresetSlot();

  bool initialized = false;
  char name[kNameSize] = {};
  IChunk chunk;
};
