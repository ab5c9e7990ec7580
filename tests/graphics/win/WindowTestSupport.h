#pragma once
// What the window tests need of a host on Windows: a top-level parent window that records the
// keys reaching it, a message pump, and screenshots of a window's client area. The tests run
// under Wine's X11 driver on a virtual display (scripts/wine-run-display).

#include "lice/LICE_IBitmap.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <chrono>
#include <cstdint>
#include <vector>
#include <windows.h>

namespace window_test
{

// The host's window: top-level, at the screen's top left, recording the key messages it gets.
class ParentWindow
{
public:
  explicit ParentWindow(int width = 200, int height = 600)
  {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass); // fails harmlessly when a previous test registered it
    mWindow = CreateWindowExA(0, kClassName, "KORU test host", WS_POPUP | WS_VISIBLE, 0, 0, width,
                              height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Keys().clear();
  }
  ~ParentWindow()
  {
    if (mWindow) DestroyWindow(mWindow);
  }
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;

  HWND Handle() const { return mWindow; }
  // The editor window inside, or null.
  HWND Child() const { return FindWindowExA(mWindow, nullptr, "IPlugWndClass", nullptr); }

  // (message, virtual key) of every key message the window received.
  static std::vector<std::pair<UINT, WPARAM>>& Keys()
  {
    static std::vector<std::pair<UINT, WPARAM>> keys;
    return keys;
  }

private:
  static constexpr const char* kClassName = "KoruTestHostWindow";
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
  {
    if (msg == WM_KEYDOWN || msg == WM_KEYUP) Keys().emplace_back(msg, wParam);
    return DefWindowProcA(window, msg, wParam, lParam);
  }
  HWND mWindow = nullptr;
};

// Dispatches this thread's messages for about ms milliseconds.
inline void Pump(int ms)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(1);
  } while (std::chrono::steady_clock::now() < end);
}

// Pumps until done() holds, for at most timeoutMs; answers done().
template <typename Done>
bool PumpUntil(Done done, int timeoutMs = 5000)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done())
  {
    if (std::chrono::steady_clock::now() >= end) return false;
    Pump(10);
  }
  return true;
}

inline LPARAM Point(int x, int y)
{
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

// The pixels of a window's client area (0x00RRGGBB, rows top-down), read back from the window
// itself: what the window shows.
struct Screenshot
{
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

inline Screenshot Capture(HWND window)
{
  Screenshot shot;
  RECT client = {};
  GetClientRect(window, &client);
  shot.width = client.right;
  shot.height = client.bottom;
  if (shot.width < 1 || shot.height < 1) return shot;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  HBITMAP section = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, section);
  BitBlt(memoryDc, 0, 0, shot.width, shot.height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  shot.pixels.assign(p, p + static_cast<size_t>(shot.width) * shot.height);
  SelectObject(memoryDc, old);
  DeleteObject(section);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return shot;
}

// Pixels (colour only) where the screenshot differs from a bitmap of the same size; -1 when
// the sizes differ.
inline long DifferingPixels(const Screenshot& shot, LICE_IBitmap& bitmap)
{
  if (shot.width != bitmap.pixelWidth() || shot.height != bitmap.pixelHeight()) return -1;
  long differing = 0;
  for (int y = 0; y < shot.height; ++y)
  {
    const LICE_Pixel32* row = LICE_RowPointer(bitmap, y);
    for (int x = 0; x < shot.width; ++x)
      if (shot.At(x, y) != (row[x] & 0xFFFFFF)) ++differing;
  }
  return differing;
}

} // namespace window_test
