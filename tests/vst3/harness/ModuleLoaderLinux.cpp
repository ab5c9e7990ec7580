// Linux half of the loader: dlopen, and the ModuleEntry/ModuleExit convention that Linux
// hosts follow (the module receives the dlopen handle).
#include "harness/ModuleLoader.h"

#include <dlfcn.h>

namespace harness
{

const char* ModuleLoader::ArchitectureFolder() { return "x86_64-linux"; }
const char* ModuleLoader::ModuleSuffix() { return ".so"; }

bool ModuleLoader::OpenLibrary(const std::string& path)
{
  mLibrary = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (mLibrary == nullptr)
  {
    const char* message = dlerror();
    mError = message ? message : "dlopen failed";
    return false;
  }
  return true;
}

bool ModuleLoader::EnterModule()
{
  using Entry = bool (*)(void*);
  auto entry = reinterpret_cast<Entry>(Symbol("ModuleEntry"));
  if (entry == nullptr)
  {
    mError = "no ModuleEntry export";
    return false;
  }
  if (!entry(mLibrary))
  {
    mError = "ModuleEntry answered false";
    return false;
  }
  return true;
}

bool ModuleLoader::ExitModule()
{
  using Exit = bool (*)();
  auto exit = reinterpret_cast<Exit>(Symbol("ModuleExit"));
  return exit != nullptr && exit();
}

void ModuleLoader::CloseLibrary()
{
  dlclose(mLibrary);
  mLibrary = nullptr;
}

void* ModuleLoader::Symbol(const char* name) const
{
  return mLibrary != nullptr ? dlsym(mLibrary, name) : nullptr;
}

} // namespace harness
