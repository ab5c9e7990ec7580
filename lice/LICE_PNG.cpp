#include "lice/LICE_PNG.h"

#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_OpenFile.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <png.h>

namespace
{

// Images larger than this on either side are refused before anything is allocated for them:
// the editor's tallest filmstrips are a few thousand pixels, and 16384 x 16384 is already 1 GiB.
constexpr png_uint_32 kMaxSide = 16384;

// The read cursor of a decode from memory.
struct PngMemorySource
{
  const unsigned char* position;
  int remaining;
};

// A read past the end fails the decode at once, as the file reader does at the end of a file.
// Handing out zeros instead would only fail later, at the chunk's CRC, after libpng had run a CRC
// over all of a length the data merely claims: up to 2 GiB of zeros for a 60-byte input.
void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
  auto* source = static_cast<PngMemorySource*>(png_get_io_ptr(png));
  const size_t available = source->remaining > 0 ? size_t(source->remaining) : 0;
  if (count > available) png_error(png, "PNG data ends early");
  std::memcpy(out, source->position, count);
  source->position += count;
  source->remaining -= int(count);
}

// Decoding failures are quiet: the caller receives null and shows the picture as missing.
[[noreturn]] void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// The memory source or the open file to decode; the file is closed once libpng is done with it.
struct PngInput
{
  PngMemorySource* memory;
  FILE* file;
};

void CloseInput(PngInput& input)
{
  if (input.file) std::fclose(input.file);
  input.file = nullptr;
}

// Decodes into target, or into a new LICE_MemBitmap when target is null. Only plain data lives
// in this frame while libpng runs: its errors return here through longjmp, which runs no
// destructors, so everything allocated is released by hand on that path.
LICE_IBitmap* Decode(PngInput input, LICE_IBitmap* target)
{
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info)
  {
    if (png) png_destroy_read_struct(&png, nullptr, nullptr);
    CloseInput(input);
    return nullptr;
  }

  LICE_MemBitmap* volatile created = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_read_struct(&png, &info, nullptr);
    CloseInput(input);
    std::free(rows);
    delete created;
    return nullptr;
  }

  if (input.memory)
    png_set_read_fn(png, input.memory, ReadFromMemory);
  else
    png_init_io(png, input.file);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  // Only the pixels and their transparency are used: every other ancillary chunk (text, colour
  // profiles, gamma) is skipped unread, so no claimed length makes libpng allocate for it.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  static const png_byte kTransparency[] = {'t', 'R', 'N', 'S', 0};
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kTransparency, 1);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, &compression,
               &filter);
  if (width > kMaxSide || height > kMaxSide) png_longjmp(png, 1);

  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
  {
    png_set_tRNS_to_alpha(png);
    colourType |= PNG_COLOR_MASK_ALPHA;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if (colourType & PNG_COLOR_MASK_ALPHA)
    png_set_swap_alpha(png);
  else
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);

  LICE_IBitmap* bitmap = target;
  if (!bitmap)
  {
    created = new (std::nothrow) LICE_MemBitmap();
    if (!created) png_longjmp(png, 1);
    if (width > 0 && height > 0) created->setSize(int(width), int(height));
    bitmap = created;
  }
  else
  {
    bitmap->setSize(int(width), int(height));
  }
  if (bitmap->pixelWidth() != int(width) || bitmap->pixelHeight() != int(height) ||
      !bitmap->pixelData() || bitmap->rowPitch() < int(width))
    png_longjmp(png, 1);

  rows = static_cast<png_bytep*>(std::malloc(size_t(height) * sizeof(png_bytep)));
  if (!rows) png_longjmp(png, 1);
  for (png_uint_32 i = 0; i < height; ++i)
    rows[i] = reinterpret_cast<png_bytep>(LICE_RowPointer(*bitmap, int(i)));

  png_read_image(png, rows);
  png_destroy_read_struct(&png, &info, nullptr);
  CloseInput(input);

  // Bytes alpha, red, green, blue become the engine's pixel value in place.
  for (png_uint_32 i = 0; i < height; ++i)
  {
    auto* pixel = reinterpret_cast<LICE_Pixel32*>(rows[i]);
    const png_bytep bytes = rows[i];
    for (png_uint_32 x = 0; x < width; ++x)
    {
      const png_bytep p = bytes + 4 * x;
      pixel[x] = (LICE_Pixel32(p[0]) << 24) | (LICE_Pixel32(p[1]) << 16) |
                 (LICE_Pixel32(p[2]) << 8) | LICE_Pixel32(p[3]);
    }
  }
  std::free(rows);
  return bitmap;
}

bool EqualsIgnoringCase(const char* text, const char* lowerCase)
{
  for (; *text && *lowerCase; ++text, ++lowerCase)
  {
    const char c = (*text >= 'A' && *text <= 'Z') ? char(*text - 'A' + 'a') : *text;
    if (c != *lowerCase) return false;
  }
  return *text == *lowerCase;
}

LICE_IBitmap* OpenPng(const char* path, bool checkExtension, LICE_IBitmap* target)
{
  if (!path) return nullptr;
  if (checkExtension)
  {
    const char* tail = path + std::strlen(path);
    while (tail > path && *tail != '.' && *tail != '/' && *tail != '\\') --tail;
    if (!EqualsIgnoringCase(tail, ".png")) return nullptr;
  }
  return LICE_ReadPngFile(path, target);
}

const char* PngFilterText() { return "PNG files (*.PNG)\0*.PNG\0"; }

LICE_LoaderEntry gPngLoader = {OpenPng, PngFilterText, nullptr};

} // namespace

LICE_LoaderEntry* LICE_loaderChain = nullptr;

namespace
{
// Puts the PNG loader at the head of the chain during static initialisation.
struct PngLoaderRegistration
{
  PngLoaderRegistration()
  {
    gPngLoader.next = LICE_loaderChain;
    LICE_loaderChain = &gPngLoader;
  }
} gPngLoaderRegistration;
} // namespace

LICE_MemBitmap* LICE_ReadPngMemory(const void* data, int length)
{
  static const unsigned char kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  if (!data || length < 8 || std::memcmp(data, kSignature, 8) != 0) return nullptr;
  PngMemorySource source = {static_cast<const unsigned char*>(data), length};
  return static_cast<LICE_MemBitmap*>(Decode(PngInput{&source, nullptr}, nullptr));
}

LICE_IBitmap* LICE_ReadPngFile(const char* path, LICE_IBitmap* target)
{
  FILE* file = LICE_OpenFile(path);
  if (!file) return nullptr;
  return Decode(PngInput{nullptr, file}, target);
}
