#include "graphics/x11/IGraphicsX11.h"

#include "graphics/MakePlatformGraphics.h"
#include "graphics/x11/EmbeddedImages.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_PNG.h"

namespace
{
// Resource ids are 16-bit, as on the platform with module resources.
constexpr int kResourceIdMask = 0xFFFF;
// Shorter data cannot hold even a PNG signature.
constexpr int kMinimumPngBytes = 8;
} // namespace

IGraphics* MakePlatformGraphics(IPlugBase* plugin, int width, int height, int frameRate)
{
  return new IGraphicsX11(plugin, width, height, frameRate);
}

IGraphicsX11::IGraphicsX11(IPlugBase* plugin, int width, int height, int frameRate)
  : IGraphics(plugin, width, height, frameRate)
{
}

IGraphicsX11::~IGraphicsX11() = default;

bool IGraphicsX11::PresentRegion(const IRect& /*rect*/) { return true; }
void IGraphicsX11::DiscardTextEntry() {}
int IGraphicsX11::ShowAlert(const char* /*text*/, const char* /*caption*/, int /*type*/)
{
  return 0;
}
IMenu* IGraphicsX11::ShowMenu(IMenu& /*menu*/, const IRect& /*rect*/) { return nullptr; }
void IGraphicsX11::ShowTextEntry(IControl* /*control*/, const IText& /*text*/,
                                 const IRect& /*rect*/, const char* /*initialText*/,
                                 IParamSlot* /*param*/)
{
}
void IGraphicsX11::HostFolder(std::string& out) { out.clear(); }
void IGraphicsX11::PluginFolder(std::string& out) { out.clear(); }
void IGraphicsX11::DesktopFolder(std::string& out) { out.clear(); }
void IGraphicsX11::AppDataFolder(std::string& out, bool /*allUsers*/) { out.clear(); }
void IGraphicsX11::UserAppDataFolder(std::string& out) { AppDataFolder(out, false); }
void IGraphicsX11::AskForFile(std::string& path, int /*action*/, std::string& /*folder*/,
                              const char* /*extensions*/)
{
  path.clear();
}
bool IGraphicsX11::AskForColour(IColor& /*colour*/, const char* /*prompt*/) { return false; }
bool IGraphicsX11::LaunchUrl(const char* /*url*/, const char* /*title*/,
                             const char* /*confirmText*/, const char* /*failureText*/)
{
  return false;
}
void* IGraphicsX11::OpenEditorWindow(void* /*parent*/) { return nullptr; }
void IGraphicsX11::CloseEditorWindow() {}
void* IGraphicsX11::WindowHandle() { return nullptr; }
bool IGraphicsX11::ClipboardText(std::string& out)
{
  out.clear();
  return false;
}

LICE_IBitmap* IGraphicsX11::LoadPlatformBitmap(int resourceId, const char* fileName)
{
  if (!IsPngFileName(fileName)) return nullptr;
  const EmbeddedImage* image = FindEmbeddedImage(resourceId & kResourceIdMask);
  if (!image || image->size < kMinimumPngBytes) return nullptr;
  return LICE_ReadPngMemory(image->data, image->size);
}
