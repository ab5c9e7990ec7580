// Parameter blocks and presets of IPlugBase.
#include "framework/IPlugBase.h"
#include "framework/Truncate.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

bool IPlugBase::SerializeParams(IChunk& chunk)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (const auto& param : mParams)
    if (!chunk.PutDouble(param->Value())) return false;
  return true;
}

int IPlugBase::UnserializeParams(const IChunk& chunk, int start)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  int pos = start;
  for (int i = 0; i < ParamCount() && pos >= 0; ++i)
  {
    double v = 0.0;
    pos = chunk.GetDouble(v, pos);
    if (pos < 0) v = 0.0;
    // Project files are untrusted: a stored non-number or infinity is not applied, the
    // parameter keeps its value and reading goes on with the next one.
    if (std::isfinite(v)) mParams[i]->ClampSet(v);
  }
  for (int i = 0; i < ParamCount(); ++i) ParamChanged(i);
  return pos;
}

void IPlugBase::InitDefaultPreset(const char* name)
{
  for (auto& preset : mPresets)
  {
    if (preset->initialized) continue;
    preset->initialized = true;
    CopyTruncated(preset->name, IPresetSlot::kNameSize, name);
    preset->chunk.Clear();
    SaveState(preset->chunk);
    return;
  }
}

bool IPlugBase::LoadPreset(int index)
{
  if (index < 0 || index >= PresetCount()) return false;
  IPresetSlot& preset = *mPresets[index];
  bool result;
  if (preset.initialized)
  {
    result = LoadState(preset.chunk, 0) > 0;
  }
  else
  {
    // An empty slot captures the current state under the next free "user preset" name.
    preset.initialized = true;
    int n = 0;
    for (const auto& other : mPresets)
      if (std::strstr(other->name, "user preset")) ++n;
    std::snprintf(preset.name, IPresetSlot::kNameSize, "%s %d", "user preset", n + 1);
    preset.chunk.Clear();
    result = SaveState(preset.chunk);
  }
  if (result)
  {
    mCurrentPreset = index;
    PresetRestored();
    RefreshParamControls();
  }
  return result;
}
