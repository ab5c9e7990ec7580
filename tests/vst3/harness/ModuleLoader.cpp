#include "harness/ModuleLoader.h"

namespace harness
{

ModuleLoader::~ModuleLoader() { Unload(); }

std::string ModuleLoader::ModulePathInBundle(const std::string& bundlePath)
{
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

bool ModuleLoader::Load(const std::string& bundlePath)
{
  Unload();
  mError.clear();
  mModulePath = ModulePathInBundle(bundlePath);
  if (!OpenLibrary(mModulePath)) return false;
  if (!EnterModule())
  {
    CloseLibrary();
    return false;
  }
  mEntered = true;

  using GetFactory = Steinberg::IPluginFactory* (*)();
  auto getFactory = reinterpret_cast<GetFactory>(Symbol("GetPluginFactory"));
  if (getFactory == nullptr)
  {
    mError = "no GetPluginFactory export";
  }
  else
  {
    mFactory = getFactory();
    if (mFactory == nullptr) mError = "GetPluginFactory answered null";
  }
  if (mFactory == nullptr)
  {
    Unload();
    return false;
  }
  return true;
}

void ModuleLoader::Unload()
{
  if (mFactory != nullptr)
  {
    mFactory->release();
    mFactory = nullptr;
  }
  if (mEntered)
  {
    mLastExitResult = ExitModule();
    mEntered = false;
  }
  if (mLibrary != nullptr) CloseLibrary();
}

} // namespace harness
