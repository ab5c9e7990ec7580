// Linux half of the loader: dlopen, and the ModuleEntry/ModuleExit convention that Linux
// hosts follow (the module receives the dlopen handle).
#include "harness/ModuleLoader.h"

#include <dlfcn.h>

namespace harness {

const char* ModuleLoader::ArchitectureFolder() { return "x86_64-linux"; }
const char* ModuleLoader::ModuleSuffix() { return ".so"; }

bool ModuleLoader::OpenLibrary(const std::string& path) {
  library_ = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* message = dlerror();
    error_ = message ? message : "dlopen failed";
    return false;
  }
  return true;
}

bool ModuleLoader::EnterModule() {
  using Entry = bool (*)(void*);
  auto entry = reinterpret_cast<Entry>(Symbol("ModuleEntry"));
  if (entry == nullptr) {
    error_ = "no ModuleEntry export";
    return false;
  }
  if (!entry(library_)) {
    error_ = "ModuleEntry answered false";
    return false;
  }
  return true;
}

bool ModuleLoader::ExitModule() {
  using Exit = bool (*)();
  auto exit = reinterpret_cast<Exit>(Symbol("ModuleExit"));
  return exit != nullptr && exit();
}

void ModuleLoader::CloseLibrary() {
  dlclose(library_);
  library_ = nullptr;
}

void* ModuleLoader::Symbol(const char* name) const {
  return library_ != nullptr ? dlsym(library_, name) : nullptr;
}

}  // namespace harness
