#include "PngTestImages.h"

#include <fstream>
#include <png.h>
#include <stdexcept>

namespace
{
void Append(png_structp png, png_bytep data, size_t length)
{
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void Flush(png_structp) {}
} // namespace

std::vector<uint8_t> EncodePng(const PngTestImage& image)
{
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), image.bitDepth,
               image.colourType, image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < image.palette.size(); i += 3)
    palette.push_back({image.palette[i], image.palette[i + 1], image.palette[i + 2]});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!image.transparency.empty())
    png_set_tRNS(png, info, image.transparency.data(), int(image.transparency.size()), nullptr);
  png_write_info(png, info);
  const size_t rowBytes = image.rows.size() / size_t(image.height);
  std::vector<png_bytep> rowPointers;
  for (int y = 0; y < image.height; ++y)
    rowPointers.push_back(const_cast<png_bytep>(image.rows.data() + size_t(y) * rowBytes));
  png_write_image(png, rowPointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> EncodeRgba(int width, int height, const std::vector<uint32_t>& pixels)
{
  PngTestImage image;
  image.width = width;
  image.height = height;
  for (uint32_t p : pixels)
  {
    image.rows.push_back(uint8_t(p >> 16));
    image.rows.push_back(uint8_t(p >> 8));
    image.rows.push_back(uint8_t(p));
    image.rows.push_back(uint8_t(p >> 24));
  }
  return EncodePng(image);
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.u8string());
}
