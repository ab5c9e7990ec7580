// Linux entry points of the module. A Linux host calls ModuleEntry with its dlopen handle
// right after loading and ModuleExit before unloading; InitDll and ExitDll are the Windows
// names, exported as well so the module answers both conventions.
#include "vst3/KoruFactory.h"
#include "vst3/ModuleHandle.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <dlfcn.h>
#include <mutex>

namespace
{

std::mutex gEntryMutex;
int gEntryCount = 0;
void* gLoadHandle = nullptr; // the handle the library was entered with

// The module's own handle, for a caller that did not pass one: the library containing this
// function, looked up without loading anything and without keeping an extra reference.
void* OwnHandle()
{
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnHandle), &info) == 0 || info.dli_fname == nullptr)
    return nullptr;
  void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle); // the library stays loaded: the host holds it
  return handle;
}

} // namespace

extern "C"
{

  SMTG_EXPORT_SYMBOL bool InitDll()
  {
    std::lock_guard<std::mutex> lock(gEntryMutex);
    if (gLoadHandle == nullptr) gLoadHandle = OwnHandle();
    SetKoruModuleHandle(gLoadHandle);
    return true;
  }

  SMTG_EXPORT_SYMBOL bool ExitDll() { return true; }

  // Counted: hosts that load the module twice enter it twice. The first entry records the
  // handle and publishes it; the last exit withdraws it.
  SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
  {
    {
      std::lock_guard<std::mutex> lock(gEntryMutex);
      if (gEntryCount++ > 0) return true;
      gLoadHandle = sharedLibraryHandle;
    }
    return InitDll();
  }

  SMTG_EXPORT_SYMBOL bool ModuleExit()
  {
    std::lock_guard<std::mutex> lock(gEntryMutex);
    if (gEntryCount == 0) return false;
    if (--gEntryCount == 0)
    {
      gLoadHandle = nullptr;
      SetKoruModuleHandle(nullptr);
    }
    return true;
  }

  SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory()
  {
    return KoruGetPluginFactory();
  }

} // extern "C"
