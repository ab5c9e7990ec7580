#include "harness/ModuleLoader.h"

namespace harness {

ModuleLoader::~ModuleLoader() { Unload(); }

std::string ModuleLoader::ModulePathInBundle(const std::string& bundlePath) {
  std::string bundle = bundlePath;
  while (bundle.size() > 1 && (bundle.back() == '/' || bundle.back() == '\\')) bundle.pop_back();
  const std::size_t slash = bundle.find_last_of("/\\");
  std::string name = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
  const std::string extension = ".vst3";
  if (name.size() > extension.size() &&
      name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
    name.erase(name.size() - extension.size());
  return bundle + "/Contents/" + ArchitectureFolder() + "/" + name + ModuleSuffix();
}

bool ModuleLoader::Load(const std::string& bundlePath) {
  Unload();
  error_.clear();
  modulePath_ = ModulePathInBundle(bundlePath);
  if (!OpenLibrary(modulePath_)) return false;
  if (!EnterModule()) {
    CloseLibrary();
    return false;
  }
  entered_ = true;

  using GetFactory = Steinberg::IPluginFactory* (*)();
  auto getFactory = reinterpret_cast<GetFactory>(Symbol("GetPluginFactory"));
  if (getFactory == nullptr) {
    error_ = "no GetPluginFactory export";
  } else {
    factory_ = getFactory();
    if (factory_ == nullptr) error_ = "GetPluginFactory answered null";
  }
  if (factory_ == nullptr) {
    Unload();
    return false;
  }
  return true;
}

void ModuleLoader::Unload() {
  if (factory_ != nullptr) {
    factory_->release();
    factory_ = nullptr;
  }
  if (entered_) {
    lastExitResult_ = ExitModule();
    entered_ = false;
  }
  if (library_ != nullptr) CloseLibrary();
}

}  // namespace harness
