#pragma once
// A plug-in whose host binding records what the editor tells the host, an editor whose window
// operations record what the core asks of them, and a control that records what the dispatch
// calls. The drawing goes through the real image engine.

#include "framework/IPlugBase.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "lice/LICE_IBitmap.h"
#include "lice/LICE_MemBitmap.h"

#include <string>
#include <utility>
#include <vector>

namespace graphics_test
{

// Resource ids of the synthetic images (far from the module's own 101..113, which share the
// process-wide cache in some test programs).
constexpr int kSyntheticBase = 9000;
constexpr int kMissingId = 8999;

// Pixel of frame f (1-based) of a synthetic filmstrip: red carries the frame number.
inline LICE_Pixel32 FramePixel(int frame) { return LICE_PackPixel(frame & 0xFF, 40, 80, 255); }

struct HostCall
{
  enum Kind
  {
    kBegin,
    kPerform,
    kEnd,
    kMenu,
    kResize
  };
  Kind kind;
  int index;
  double value;
};

class TestPlug : public IPlugBase
{
public:
  explicit TestPlug(int apiKind = kAPIVST3)
    : IPlugBase(4, "2-2", 1, "Test", "", "Maker", 0x00010000, FourCharCode("Tst1"),
                FourCharCode("Mkr1"), 0, false, false, apiKind)
  {
    Param(0)->InitContinuous("Gain", 0.0, -24.0, 24.0, 0.01, "dB");
    Param(1)->InitStepped("Switch", 0.0, 0.0, 1.0);
    Param(2)->InitContinuous("Freq", 0.5, 0.0, 1.0, 0.01, "", "", 2.0);
    Param(3)->InitChoice("Mode", 0, 3);
    Param(3)->SetDisplayText(0, "Soft");
    Param(3)->SetDisplayText(1, "Hard");
    Param(3)->SetDisplayText(2, "Off");
  }

  void BeginHostEdit(int index) override { calls.push_back({HostCall::kBegin, index, 0.0}); }
  void PerformHostEdit(int index, double value) override
  {
    calls.push_back({HostCall::kPerform, index, value});
  }
  void EndHostEdit(int index) override { calls.push_back({HostCall::kEnd, index, 0.0}); }
  void ShowHostParamMenu(int index, int x, int y) override
  {
    calls.push_back({HostCall::kMenu, index, x * 1000.0 + y});
  }
  void ResizeEditor(int width, int height) override
  {
    calls.push_back({HostCall::kResize, width, static_cast<double>(height)});
  }

  std::vector<HostCall::Kind> Kinds() const
  {
    std::vector<HostCall::Kind> kinds;
    for (const HostCall& call : calls) kinds.push_back(call.kind);
    return kinds;
  }

  std::vector<HostCall> calls;
};

class TestGraphics : public IGraphics
{
public:
  TestGraphics(IPlugBase* plugin, int width = 100, int height = 80)
    : IGraphics(plugin, width, height, 25)
  {
    PrepareSurfaces();
  }

  bool PresentRegion(const IRect& rect) override
  {
    presented.push_back(rect);
    return true;
  }
  void DiscardTextEntry() override {}
  int ShowAlert(const char*, const char*, int) override { return 0; }
  IMenu* ShowMenu(IMenu& menu, const IRect& rect) override
  {
    menuTexts.clear();
    menuChecked.clear();
    for (const auto& item : menu.items)
    {
      menuTexts.push_back(item->text);
      menuChecked.push_back((item->flags & IMenuItem::kChecked) != 0);
    }
    menuRect = rect;
    ++menus;
    if (menuChoice < 0) return nullptr;
    menu.chosenIndex = menuChoice;
    return &menu;
  }
  void ShowTextEntry(IControl* control, const IText&, const IRect& rect, const char* initialText,
                     IParamSlot* param) override
  {
    entryControl = control;
    entryRect = rect;
    entryText = initialText ? initialText : "";
    entryParam = param;
  }
  void HostFolder(std::string& out) override { out.clear(); }
  void PluginFolder(std::string& out) override { out.clear(); }
  void DesktopFolder(std::string& out) override { out.clear(); }
  void AppDataFolder(std::string& out, bool) override { out.clear(); }
  void UserAppDataFolder(std::string& out) override { out.clear(); }
  void AskForFile(std::string& path, int, std::string&, const char*) override { path.clear(); }
  bool AskForColour(IColor&, const char*) override { return false; }
  bool LaunchUrl(const char*, const char*, const char*, const char*) override { return false; }
  void* OpenEditorWindow(void*) override { return nullptr; }
  void CloseEditorWindow() override {}
  void* WindowHandle() override { return nullptr; }
  bool ClipboardText(std::string& out) override
  {
    out.clear();
    return false;
  }

  // Synthetic filmstrips: id kSyntheticBase + frames gives a 10-pixel-wide strip of that many
  // 4-pixel frames, frame f filled with FramePixel(f). Anything else is missing.
  LICE_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override
  {
    ++loads;
    lastFileName = fileName ? fileName : "";
    const int frames = resourceId - kSyntheticBase;
    if (frames < 1 || frames > 200) return nullptr;
    auto* bitmap = new LICE_MemBitmap(10, 4 * frames);
    for (int y = 0; y < 4 * frames; ++y)
      for (int x = 0; x < 10; ++x) LICE_RowPointer(*bitmap, y)[x] = FramePixel(y / 4 + 1);
    return bitmap;
  }

  using IGraphics::mDrawRegion;

  std::vector<IRect> presented;
  int menuChoice = -1;
  int menus = 0;
  std::vector<std::string> menuTexts;
  std::vector<bool> menuChecked;
  IRect menuRect;
  IControl* entryControl = nullptr;
  IRect entryRect;
  std::string entryText;
  IParamSlot* entryParam = nullptr;
  int loads = 0;
  std::string lastFileName;
};

// Records the dispatch's calls; draws nothing.
class TestControl : public IControl
{
public:
  TestControl(IPlugBase* plugin, const IRect& rect, int paramIdx = -1)
    : IControl(plugin, rect, paramIdx)
  {
  }

  void OnPress(int x, int y, const IMouseMod& mod) override
  {
    events.push_back("press");
    IControl::OnPress(x, y, mod);
  }
  void OnRelease(int, int, const IMouseMod&) override { events.push_back("release"); }
  void OnDrag(int, int, int dX, int dY, const IMouseMod&) override
  {
    events.push_back("drag " + std::to_string(dX) + " " + std::to_string(dY));
  }
  void OnDoubleClick(int x, int y, const IMouseMod& mod) override
  {
    events.push_back("double");
    IControl::OnDoubleClick(x, y, mod);
  }
  void OnWheel(int, int, const IMouseMod&, int notches) override
  {
    events.push_back("wheel " + std::to_string(notches));
  }
  bool OnKey(int, int, int key) override
  {
    events.push_back("key " + std::to_string(key));
    return true;
  }
  void OnHover(int, int, const IMouseMod&) override { events.push_back("hover"); }
  void OnLeave() override { events.push_back("leave"); }
  bool Draw(IGraphics*) override
  {
    ++draws;
    return true;
  }

  using IControl::mClampHigh;
  using IControl::mClampLow;

  std::vector<std::string> events;
  int draws = 0;
};

} // namespace graphics_test
