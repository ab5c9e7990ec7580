#include "graphics/win/IGraphicsWin.h"

#include "graphics/MakePlatformGraphics.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PNG.h"
#include "vst3/ModuleHandle.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace
{
// Shorter data cannot hold even a PNG signature.
constexpr DWORD kMinimumPngBytes = 8;

// The module whose resources hold the images: the one the module entry published, or else the
// one this code lives in (a test program carries the same resources in its own image).
HMODULE ResourceModule()
{
  if (void* handle = KoruModuleHandle()) return static_cast<HMODULE>(handle);
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ResourceModule), &self);
  return self;
}
} // namespace

IGraphics* MakePlatformGraphics(IPlugBase* plugin, int width, int height, int frameRate)
{
  return new IGraphicsWin(plugin, width, height, frameRate);
}

IGraphicsWin::IGraphicsWin(IPlugBase* plugin, int width, int height, int frameRate)
  : IGraphics(plugin, width, height, frameRate)
{
}

IGraphicsWin::~IGraphicsWin() = default;

bool IGraphicsWin::PresentRegion(const IRect& /*rect*/) { return true; }
void IGraphicsWin::DiscardTextEntry() {}
int IGraphicsWin::ShowAlert(const char* /*text*/, const char* /*caption*/, int /*type*/)
{
  return 0;
}
IMenu* IGraphicsWin::ShowMenu(IMenu& /*menu*/, const IRect& /*rect*/) { return nullptr; }
void IGraphicsWin::ShowTextEntry(IControl* /*control*/, const IText& /*text*/,
                                 const IRect& /*rect*/, const char* /*initialText*/,
                                 IParamSlot* /*param*/)
{
}
void IGraphicsWin::HostFolder(std::string& out) { out.clear(); }
void IGraphicsWin::PluginFolder(std::string& out) { out.clear(); }
void IGraphicsWin::DesktopFolder(std::string& out) { out.clear(); }
void IGraphicsWin::AppDataFolder(std::string& out, bool /*allUsers*/) { out.clear(); }
void IGraphicsWin::UserAppDataFolder(std::string& out) { AppDataFolder(out, false); }
void IGraphicsWin::AskForFile(std::string& path, int /*action*/, std::string& /*folder*/,
                              const char* /*extensions*/)
{
  path.clear();
}
bool IGraphicsWin::AskForColour(IColor& /*colour*/, const char* /*prompt*/) { return false; }
bool IGraphicsWin::LaunchUrl(const char* /*url*/, const char* /*title*/,
                             const char* /*confirmText*/, const char* /*failureText*/)
{
  return false;
}
void* IGraphicsWin::OpenEditorWindow(void* /*parent*/) { return nullptr; }
void IGraphicsWin::CloseEditorWindow() {}
void* IGraphicsWin::WindowHandle() { return nullptr; }
bool IGraphicsWin::ClipboardText(std::string& out)
{
  out.clear();
  return false;
}

LICE_IBitmap* IGraphicsWin::LoadPlatformBitmap(int resourceId, const char* fileName)
{
  if (!IsPngFileName(fileName)) return nullptr;
  HMODULE module = ResourceModule();
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId & 0xFFFF), "PNG");
  if (!resource) return nullptr;
  const DWORD size = SizeofResource(module, resource);
  if (size < kMinimumPngBytes) return nullptr;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return nullptr;
  return LICE_ReadPngMemory(data, static_cast<int>(size));
}
