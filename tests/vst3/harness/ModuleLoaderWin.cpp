// Windows half of the loader: LoadLibraryW on the library inside the bundle, and the
// InitDll/ExitDll convention that Windows hosts follow (the module finds its own handle).
#include "harness/ModuleLoader.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <string>
#include <windows.h>

namespace harness
{
namespace
{

// Bundle paths are UTF-8 with either separator; Windows wants UTF-16 and backslashes.
std::wstring WidePath(const std::string& path)
{
  std::wstring wide;
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  if (length <= 0) return wide;
  wide.resize(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), &wide[0], length);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

} // namespace

const char* ModuleLoader::ArchitectureFolder() { return "x86_64-win"; }
const char* ModuleLoader::ModuleSuffix() { return ".vst3"; }

bool ModuleLoader::OpenLibrary(const std::string& path)
{
  const std::wstring widePath = WidePath(path);
  // No error dialog from the loader: a test must fail, not wait for a click.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = widePath.empty() ? nullptr : LoadLibraryW(widePath.c_str());
  const DWORD error = module == nullptr ? GetLastError() : 0;
  SetErrorMode(oldMode);
  if (module == nullptr)
  {
    mError = "LoadLibraryW failed on " + path + " (error " + std::to_string(error) + ")";
    return false;
  }
  mLibrary = module;
  return true;
}

bool ModuleLoader::EnterModule()
{
  using Init = bool (*)();
  auto init = reinterpret_cast<Init>(Symbol("InitDll"));
  if (init == nullptr)
  {
    mError = "no InitDll export";
    return false;
  }
  if (!init())
  {
    mError = "InitDll answered false";
    return false;
  }
  return true;
}

bool ModuleLoader::ExitModule()
{
  using Exit = bool (*)();
  auto exit = reinterpret_cast<Exit>(Symbol("ExitDll"));
  return exit != nullptr && exit();
}

void ModuleLoader::CloseLibrary()
{
  FreeLibrary(static_cast<HMODULE>(mLibrary));
  mLibrary = nullptr;
}

void* ModuleLoader::Symbol(const char* name) const
{
  if (mLibrary == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(mLibrary), name));
}

} // namespace harness
