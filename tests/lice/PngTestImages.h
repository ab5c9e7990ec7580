#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Small PNG files made with libpng's writer, for the decoder's tests.
struct PngTestImage
{
  int width = 1;
  int height = 1;
  int colourType = 6; // libpng's PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<uint8_t> rows;         // packed rows as the file stores them, height x rowBytes
  std::vector<uint8_t> palette;      // r, g, b per entry
  std::vector<uint8_t> transparency; // tRNS: alpha per palette entry
};

std::vector<uint8_t> EncodePng(const PngTestImage& image);
// An 8-bit RGBA image from pixel values 0xAARRGGBB.
std::vector<uint8_t> EncodeRgba(int width, int height, const std::vector<uint32_t>& pixels);
// path is a native path (std::filesystem::u8path for UTF-8 names).
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
