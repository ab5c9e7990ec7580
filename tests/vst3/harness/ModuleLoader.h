#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <string>

namespace harness
{

// What a host does with a VST3 bundle: find the library inside it, load it, enter the
// module, take its factory; and the reverse on unload (release the factory, leave the
// module, unload the library). The platform half (library loading and the entry-point
// convention) lives in ModuleLoader<Platform>.cpp.
//
// The loader holds one reference to the factory while loaded. Objects created through the
// factory must be released before Unload.
class ModuleLoader
{
public:
  ModuleLoader() = default;
  ~ModuleLoader();
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  // "<bundle>/Contents/<architecture>/<bundle name without .vst3><suffix>".
  static std::string ModulePathInBundle(const std::string& bundlePath);

  // Loads, enters and takes the factory. False with Error() set on the first step that
  // fails; whatever succeeded before is undone.
  bool Load(const std::string& bundlePath);
  // Releases the factory, leaves the module and unloads it. Harmless when not loaded.
  void Unload();

  bool IsLoaded() const { return mLibrary != nullptr; }
  // Not owned by the caller; valid until Unload.
  Steinberg::IPluginFactory* Factory() const { return mFactory; }
  // Raw symbol lookup in the loaded library (nullptr when absent or not loaded).
  void* Symbol(const char* name) const;
  const std::string& ModulePath() const { return mModulePath; }
  const std::string& Error() const { return mError; }
  // What the module's exit call answered at the last Unload.
  bool LastExitResult() const { return mLastExitResult; }

private:
  // --- Platform half ---
  static const char* ArchitectureFolder();
  static const char* ModuleSuffix();
  bool OpenLibrary(const std::string& path);
  bool EnterModule();
  bool ExitModule();
  void CloseLibrary();

  void* mLibrary = nullptr;
  bool mEntered = false;
  bool mLastExitResult = false;
  Steinberg::IPluginFactory* mFactory = nullptr;
  std::string mModulePath;
  std::string mError;
};

} // namespace harness
