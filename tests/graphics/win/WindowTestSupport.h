#pragma once
// What the window tests need of a host on Windows: a top-level parent window that records the
// keys reaching it, a message pump, and the pixels a window shows. They run under Wine's X11
// driver on a virtual display (scripts/wine-run-display).

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

// The host's window: top-level, at the screen's top left, recording (message, key) of the key
// messages it receives.
class ParentWindow
{
public:
  explicit ParentWindow(int width = 200, int height = 600)
  {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KoruTestHostWindow";
    RegisterClassA(&windowClass); // fails harmlessly when an earlier test registered it
    mWindow =
        CreateWindowExA(0, windowClass.lpszClassName, "KORU test host", WS_POPUP | WS_VISIBLE, 0, 0,
                        width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    Keys().clear();
  }
  ~ParentWindow() { DestroyWindow(mWindow); }
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;

  HWND Handle() const { return mWindow; }
  // The editor window inside, or null.
  HWND Child() const { return FindWindowExA(mWindow, nullptr, "IPlugWndClass", nullptr); }

  static std::vector<std::pair<UINT, WPARAM>>& Keys()
  {
    static std::vector<std::pair<UINT, WPARAM>> keys;
    return keys;
  }

private:
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
  return MAKELPARAM(static_cast<short>(x), static_cast<short>(y));
}

// Pixels (colour only) where the window's client area, read back from the window itself,
// differs from bitmap; -1 when the sizes differ.
inline long DifferingPixels(HWND window, LICE_IBitmap& bitmap)
{
  RECT client = {};
  GetClientRect(window, &client);
  const int w = client.right, h = client.bottom;
  if (w != bitmap.pixelWidth() || h != bitmap.pixelHeight() || w < 1 || h < 1) return -1;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h; // rows top-down, as the surface's
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  HBITMAP section = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, section);
  BitBlt(memoryDc, 0, 0, w, h, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  long differing = 0;
  for (int y = 0; y < h; ++y)
  {
    const auto* shown = static_cast<const uint32_t*>(bits) + static_cast<size_t>(y) * w;
    const LICE_Pixel32* drawn = LICE_RowPointer(bitmap, y);
    for (int x = 0; x < w; ++x)
      if ((shown[x] ^ drawn[x]) & 0xFFFFFF) ++differing;
  }
  SelectObject(memoryDc, old);
  DeleteObject(section);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return differing;
}

} // namespace window_test
