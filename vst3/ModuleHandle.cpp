#include "vst3/ModuleHandle.h"

#include <atomic>

namespace
{
std::atomic<void*> gModuleHandle{nullptr};
} // namespace

void* KoruModuleHandle() { return gModuleHandle.load(std::memory_order_acquire); }

void SetKoruModuleHandle(void* handle) { gModuleHandle.store(handle, std::memory_order_release); }
