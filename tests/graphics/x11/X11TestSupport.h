#pragma once
// What the X11 tests share: a host's frame on the virtual display (host window, one-thread run
// loop, the frame offering it), pixel comparison, and screenshots written for a person to look
// at. The display comes from scripts/with-virtual-display, which CTest runs every test under.

#include "harness/HostWindow.h"
#include "harness/PlugFrame.h"
#include "harness/RunLoop.h"
#include "lice/LICE_IBitmap.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <png.h>
#include <string>
#include <vector>

namespace x11_test
{

inline bool HaveDisplay()
{
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

#define KORU_REQUIRE_DISPLAY()                                                                     \
  if (!x11_test::HaveDisplay()) GTEST_SKIP() << "no X display (run through CTest)"

// The editor's surface as the window shows it: 0x00RRGGBB, top-down.
inline std::vector<uint32_t> SurfacePixels(LICE_IBitmap& surface)
{
  std::vector<uint32_t> pixels;
  for (int y = 0; y < surface.pixelHeight(); ++y)
    for (int x = 0; x < surface.pixelWidth(); ++x)
      pixels.push_back(LICE_RowPointer(surface, y)[x] & 0xFFFFFF);
  return pixels;
}

// Pixels that differ between two captures of the same size (all of them when sizes differ).
inline size_t DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
  if (a.size() != b.size()) return a.size() > b.size() ? a.size() : b.size();
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) ++count;
  return count;
}

// Writes 0x00RRGGBB pixels as an RGB PNG beside the test program, for a person to look at.
inline void WriteScreenshot(const std::vector<uint32_t>& pixels, int width, int height,
                            const std::string& name)
{
  std::vector<png_byte> rgb;
  for (uint32_t p : pixels)
  {
    rgb.push_back(static_cast<png_byte>(p >> 16));
    rgb.push_back(static_cast<png_byte>(p >> 8));
    rgb.push_back(static_cast<png_byte>(p));
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const std::string path = std::string(KORU_TEST_OUTPUT_DIR) + "/" + name;
  png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr);
  png_image_free(&image);
}

// A host's editor frame: the window on the display, the run loop and the frame that offers it.
struct HostFrame
{
  harness::HostWindow window;
  harness::RunLoop loop;
  harness::PlugFrame frame{&loop};

  HostFrame() = default;
  explicit HostFrame(int width, int height, int x = 0) : window(width, height, x) {}
};

} // namespace x11_test
