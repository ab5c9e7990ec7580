// IPlugVST3: the host state stream.
//
// The stream is the parameter block (one little-endian double per parameter, in index order)
// followed by a 32-bit little-endian bypass flag: 76 bytes for nine parameters. Both calls
// hold the instance mutex for their whole run, so they never interleave with process().
#include "vst3/IPlugVST3.h"

#include "pluginterfaces/base/ibstream.h"

#include <cstdint>
#include <new>

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API IPlugVST3::getState(IBStream* state)
{
  if (!state) return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  try
  {
    IChunk chunk;
    if (!SaveState(chunk)) return kResultFalse;
    const uint32_t flag = IsBypassed() ? 1 : 0;
    uint8_t bytes[4] = {static_cast<uint8_t>(flag), static_cast<uint8_t>(flag >> 8),
                        static_cast<uint8_t>(flag >> 16), static_cast<uint8_t>(flag >> 24)};
    // The host's write results are not checked: a short stream is the host's to notice.
    state->write(chunk.Data(), static_cast<int32>(chunk.Size()), nullptr);
    state->write(bytes, sizeof(bytes), nullptr);
  }
  catch (const std::bad_alloc&)
  {
    return kOutOfMemory;
  }
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::setState(IBStream* state)
{
  if (!state) return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  try
  {
    // The current values are the fallback for every byte the stream does not deliver.
    IChunk chunk;
    if (!SaveState(chunk)) return kResultFalse;
    const int32 size = static_cast<int32>(chunk.Size());
    if (size == 0) return kResultFalse;
    state->read(chunk.Data(), size, nullptr);
    LoadState(chunk, 0);

    uint8_t bytes[4] = {};
    if (state->read(bytes, sizeof(bytes), nullptr) != kResultOk) return kResultFalse;
    const uint32_t flag = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                          static_cast<uint32_t>(bytes[2]) << 16 |
                          static_cast<uint32_t>(bytes[3]) << 24;
    SetBypassedFromHost(flag != 0);
    RefreshParamControls();
  }
  catch (const std::bad_alloc&)
  {
    return kOutOfMemory;
  }
  return kResultOk;
}
