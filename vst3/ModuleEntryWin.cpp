// Windows entry points of the module. The loader tells the library its own instance handle in
// DllMain; a host calls InitDll right after loading and ExitDll before unloading. KORU.def
// exports exactly InitDll, ExitDll and GetPluginFactory.
#include "vst3/KoruFactory.h"
#include "vst3/ModuleHandle.h"

#include "pluginterfaces/base/ipluginbase.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace
{
// Written once under the loader lock before any export can be called; read-only afterwards.
HINSTANCE gInstance = nullptr;
} // namespace

extern "C"
{

  BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
  {
    if (reason == DLL_PROCESS_ATTACH)
    {
      gInstance = instance;
      // No thread notifications: nothing here is per thread.
      DisableThreadLibraryCalls(instance);
    }
    return TRUE;
  }

  bool InitDll()
  {
    SetKoruModuleHandle(gInstance);
    return true;
  }

  bool ExitDll() { return true; }

  Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() { return KoruGetPluginFactory(); }

} // extern "C"
