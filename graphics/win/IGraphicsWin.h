#pragma once
#include "graphics/IGraphics.h"

// The editor's window layer on Windows: the child window inside the host's parent window, its
// timer and painting, pointer and key messages, menus, text fields and dialogs. For now only the
// parts that need no window are here: images come from the module's "PNG" resources, and every
// window operation answers as an editor without a window does (no window, no menu, no dialog
// result, empty folders, presenting succeeds with nothing to show).
//
// Threads: the user-interface thread (the host's message loop), like the core.
class IGraphicsWin : public IGraphics
{
public:
  IGraphicsWin(IPlugBase* plugin, int width, int height, int frameRate);
  ~IGraphicsWin() override;

  bool PresentRegion(const IRect& rect) override;
  void DiscardTextEntry() override;
  const char* DrawingBackendName() override { return "Windows GDI"; }
  int ShowAlert(const char* text, const char* caption, int type) override;
  IMenu* ShowMenu(IMenu& menu, const IRect& rect) override;
  void ShowTextEntry(IControl* control, const IText& text, const IRect& rect,
                     const char* initialText, IParamSlot* param) override;
  void HostFolder(std::string& out) override;
  void PluginFolder(std::string& out) override;
  void DesktopFolder(std::string& out) override;
  void AppDataFolder(std::string& out, bool allUsers) override;
  void UserAppDataFolder(std::string& out) override;
  void AskForFile(std::string& path, int action, std::string& folder,
                  const char* extensions) override;
  bool AskForColour(IColor& colour, const char* prompt) override;
  bool LaunchUrl(const char* url, const char* title, const char* confirmText,
                 const char* failureText) override;
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() override;
  bool ClipboardText(std::string& out) override;
  // Decodes the module's "PNG" resource resourceId; fileName must end in ".png" (any case).
  LICE_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override;
};
