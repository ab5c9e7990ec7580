// Decoding real PNG data, made by libpng's writer, into the engine's pixels.
#include "lice/LICE_PNG.h"

#include "LICE_TestBitmaps.h"
#include "PngTestImages.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace fs = std::filesystem;

namespace
{
std::unique_ptr<LICE_MemBitmap> Decode(const std::vector<uint8_t>& bytes)
{
  return std::unique_ptr<LICE_MemBitmap>(LICE_ReadPngMemory(bytes.data(), int(bytes.size())));
}

// Rewrites a chunk's CRC after its contents were changed on purpose.
void FixCrc(std::vector<uint8_t>& png, size_t chunkStart)
{
  const uint32_t length = uint32_t(png[chunkStart]) << 24 | uint32_t(png[chunkStart + 1]) << 16 |
                          uint32_t(png[chunkStart + 2]) << 8 | png[chunkStart + 3];
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = chunkStart + 4; i < chunkStart + 8 + length; ++i)
  {
    crc ^= png[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFF;
  const size_t at = chunkStart + 8 + length;
  for (int i = 0; i < 4; ++i) png[at + i] = uint8_t(crc >> (24 - 8 * i));
}

std::vector<uint32_t> Gradient(int width, int height)
{
  std::vector<uint32_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back(LICE_PackPixel(x * 7, y * 13, (x ^ y) & 0xFF, (x * 31 + y) & 0xFF));
  return pixels;
}

class TempFolder
{
public:
  TempFolder()
  {
    mPath = fs::temp_directory_path() /
            ("lice_png_test_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(mPath);
  }
  ~TempFolder()
  {
    std::error_code ignored;
    fs::remove_all(mPath, ignored);
  }
  const fs::path& Path() const { return mPath; }

private:
  fs::path mPath;
};
} // namespace

TEST(LICE_ReadPngMemory, RefusesShortOrForeignData)
{
  const std::vector<uint8_t> png = EncodeRgba(2, 2, Gradient(2, 2));
  EXPECT_EQ(LICE_ReadPngMemory(png.data(), 7), nullptr);
  EXPECT_EQ(LICE_ReadPngMemory("GIF89a\0\0", 8), nullptr);
  EXPECT_EQ(LICE_ReadPngMemory(nullptr, 100), nullptr);
  EXPECT_EQ(LICE_ReadPngMemory(png.data(), 8), nullptr); // the signature alone
  EXPECT_NE(Decode(png), nullptr);
}

TEST(LICE_ReadPngMemory, RgbaKeepsEveryByteAndRgbBecomesOpaque)
{
  std::vector<uint32_t> pixels = Gradient(13, 5);
  pixels[3] = 0x00FF8040; // colour under alpha 0 is kept as it is
  auto rgba = Decode(EncodeRgba(13, 5, pixels));
  ASSERT_NE(rgba, nullptr);
  ASSERT_EQ(rgba->pixelWidth(), 13);
  ASSERT_EQ(rgba->pixelHeight(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(At(*rgba, x, y), pixels[size_t(y * 13 + x)]);

  PngTestImage rgb;
  rgb.width = 3;
  rgb.colourType = 2;
  rgb.rows = {10, 20, 30, 40, 50, 60, 255, 0, 128};
  auto opaque = Decode(EncodePng(rgb));
  ASSERT_NE(opaque, nullptr);
  EXPECT_EQ(At(*opaque, 0, 0), 0xFF0A141Eu);
  EXPECT_EQ(At(*opaque, 1, 0), 0xFF28323Cu);
  EXPECT_EQ(At(*opaque, 2, 0), 0xFFFF0080u);
}

TEST(LICE_ReadPngMemory, PaletteGreyAndSixteenBitImagesBecomeEightBitArgb)
{
  PngTestImage palette;
  palette.width = 4;
  palette.colourType = 3;
  palette.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7};
  palette.transparency = {0, 128, 255}; // the fourth entry has none: opaque
  palette.rows = {0, 1, 2, 3};
  auto fromPalette = Decode(EncodePng(palette));
  ASSERT_NE(fromPalette, nullptr);
  EXPECT_EQ(At(*fromPalette, 0, 0), 0x00FF0000u);
  EXPECT_EQ(At(*fromPalette, 1, 0), 0x8000FF00u);
  EXPECT_EQ(At(*fromPalette, 2, 0), 0xFF0000FFu);
  EXPECT_EQ(At(*fromPalette, 3, 0), 0xFF090807u);

  PngTestImage grey2;
  grey2.width = 4;
  grey2.colourType = 0;
  grey2.bitDepth = 2;
  grey2.rows = {0x1B}; // levels 0, 1, 2, 3
  auto fromGrey = Decode(EncodePng(grey2));
  ASSERT_NE(fromGrey, nullptr);
  EXPECT_EQ(At(*fromGrey, 0, 0), 0xFF000000u);
  EXPECT_EQ(At(*fromGrey, 1, 0), 0xFF555555u);
  EXPECT_EQ(At(*fromGrey, 2, 0), 0xFFAAAAAAu);
  EXPECT_EQ(At(*fromGrey, 3, 0), 0xFFFFFFFFu);

  PngTestImage greyAlpha;
  greyAlpha.width = 2;
  greyAlpha.colourType = 4;
  greyAlpha.rows = {0x40, 0x80, 0xC0, 0x00};
  auto fromGreyAlpha = Decode(EncodePng(greyAlpha));
  ASSERT_NE(fromGreyAlpha, nullptr);
  EXPECT_EQ(At(*fromGreyAlpha, 0, 0), 0x80404040u);
  EXPECT_EQ(At(*fromGreyAlpha, 1, 0), 0x00C0C0C0u);

  PngTestImage deep;
  deep.width = 2;
  deep.colourType = 6;
  deep.bitDepth = 16;
  deep.rows = {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0xFF, 0x80, 0x01,
               0x00, 0xFF, 0x01, 0x00, 0x7F, 0xFF, 0x00, 0x00};
  auto fromDeep = Decode(EncodePng(deep));
  ASSERT_NE(fromDeep, nullptr);
  EXPECT_EQ(At(*fromDeep, 0, 0), 0x8012ABFFu);
  EXPECT_EQ(At(*fromDeep, 1, 0), 0x0000017Fu);
}

TEST(LICE_ReadPngMemory, InterlacedImagesDecodeLikeProgressiveOnes)
{
  const std::vector<uint32_t> pixels = Gradient(23, 17);
  PngTestImage image;
  image.width = 23;
  image.height = 17;
  image.interlaced = true;
  for (uint32_t p : pixels)
    for (int shift : {16, 8, 0, 24}) image.rows.push_back(uint8_t(p >> shift));
  auto decoded = Decode(EncodePng(image));
  ASSERT_NE(decoded, nullptr);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 23; ++x) ASSERT_EQ(At(*decoded, x, y), pixels[size_t(y * 23 + x)]);
}

TEST(LICE_ReadPngMemory, DamagedDataAnswersNull)
{
  const std::vector<uint8_t> png = EncodeRgba(40, 30, Gradient(40, 30));
  // Every cut, from inside the header to the last byte of the image data, releases everything.
  for (size_t length = 8; length < png.size(); length += (length < 120 ? 1 : 7))
  {
    auto decoded = Decode(std::vector<uint8_t>(png.begin(), png.begin() + long(length)));
    // Only the end chunk may be missing: it is never read.
    if (length < png.size() - 12)
    {
      EXPECT_EQ(decoded, nullptr) << length;
    }
  }
  std::vector<uint8_t> badCrc = png;
  badCrc[29] ^= 1; // inside IHDR's CRC
  EXPECT_EQ(Decode(badCrc), nullptr);
  std::vector<uint8_t> badData = png;
  badData[png.size() - 20] ^= 0x55; // inside IDAT
  EXPECT_EQ(Decode(badData), nullptr);

  // Absurd sizes are refused before anything is allocated for them.
  for (uint32_t side : {16385u, 100000u, 0x7FFFFFFFu})
  {
    std::vector<uint8_t> huge = png;
    for (int i = 0; i < 4; ++i) huge[16 + i] = huge[20 + i] = uint8_t(side >> (24 - 8 * i));
    FixCrc(huge, 8);
    EXPECT_EQ(Decode(huge), nullptr) << side;
  }

  // A text chunk between header and data: skipped when whole, refused at once when it claims
  // more bytes than the data holds.
  auto withChunk = [&](uint32_t length, const std::vector<uint8_t>& body)
  {
    std::vector<uint8_t> chunk = {uint8_t(length >> 24),
                                  uint8_t(length >> 16),
                                  uint8_t(length >> 8),
                                  uint8_t(length),
                                  't',
                                  'E',
                                  'X',
                                  't'};
    chunk.insert(chunk.end(), body.begin(), body.end());
    chunk.insert(chunk.end(), 4, 0);
    std::vector<uint8_t> out = png;
    out.insert(out.begin() + 33, chunk.begin(), chunk.end());
    FixCrc(out, 33);
    return out;
  };
  EXPECT_NE(Decode(withChunk(5, {'a', 0, 'b', 'c', 'd'})), nullptr);
  std::vector<uint8_t> claimsTooMuch = withChunk(5, {'a', 0, 'b', 'c', 'd'});
  claimsTooMuch[33] = 0x7F;
  EXPECT_EQ(Decode(claimsTooMuch), nullptr);

  // A palette image without its palette.
  PngTestImage palette;
  palette.colourType = 3;
  palette.palette = {1, 2, 3};
  palette.rows = {0};
  std::vector<uint8_t> noPalette = EncodePng(palette);
  const uint8_t plte[] = {'P', 'L', 'T', 'E'};
  auto at = std::search(noPalette.begin(), noPalette.end(), plte, plte + 4);
  ASSERT_NE(at, noPalette.end());
  noPalette.erase(at - 4, at + 4 + 3 + 4);
  EXPECT_EQ(Decode(noPalette), nullptr);
}

TEST(LICE_ReadPngFile, DecodesIntoATargetAndLeavesItsPaddingAlone)
{
  TempFolder folder;
  const std::vector<uint32_t> pixels = Gradient(150, 3);
  const fs::path path = folder.Path() / fs::u8path(u8"r\u00e9sum\u00e9.png");
  WriteFileBytes(path, EncodeRgba(150, 3, pixels));
  const std::string utf8 = path.u8string();

  LICE_MemBitmap target(150, 3);
  ASSERT_EQ(target.rowPitch(), 152);
  Fill(target, 0x5A5A5A5A);
  EXPECT_EQ(LICE_ReadPngFile(utf8.c_str(), &target), &target);
  for (int y = 0; y < 3; ++y)
  {
    for (int x = 0; x < 150; ++x) ASSERT_EQ(At(target, x, y), pixels[size_t(y * 150 + x)]);
    EXPECT_EQ(At(target, 150, y), 0x5A5A5A5Au);
    EXPECT_EQ(At(target, 151, y), 0x5A5A5A5Au);
  }

  // A new bitmap without a target; rows follow bottomUp() of a target that has it.
  std::unique_ptr<LICE_IBitmap> fresh(LICE_ReadPngFile(utf8.c_str()));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(At(*fresh, 149, 2), pixels.back());
  BottomUpBitmap flipped;
  EXPECT_EQ(LICE_ReadPngFile(utf8.c_str(), &flipped), &flipped);
  EXPECT_EQ(flipped.pixelData()[0], pixels[2 * 150]);

  EXPECT_EQ(LICE_ReadPngFile((folder.Path() / "missing.png").u8string().c_str()), nullptr);
  const fs::path junk = folder.Path() / "junk.png";
  WriteFileBytes(junk, {1, 2, 3});
  LICE_MemBitmap kept(2, 2);
  EXPECT_EQ(LICE_ReadPngFile(junk.u8string().c_str(), &kept), nullptr);
}

TEST(LICE_LoaderChain, ThePngLoaderChecksTheExtension)
{
  ASSERT_NE(LICE_loaderChain, nullptr);
  const LICE_LoaderEntry& png = *LICE_loaderChain;
  const char* filter = png.filterText();
  EXPECT_STREQ(filter, "PNG files (*.PNG)");
  EXPECT_STREQ(filter + std::strlen(filter) + 1, "*.PNG");
  EXPECT_EQ(filter[std::strlen(filter) + 1 + 6], '\0');

  TempFolder folder;
  const std::vector<uint8_t> bytes = EncodeRgba(2, 1, {0xFF000000, 0xFFFFFFFF});
  WriteFileBytes(folder.Path() / "upper.PNG", bytes);
  WriteFileBytes(folder.Path() / "photo.jpg", bytes);
  fs::create_directories(folder.Path() / "images.png");
  WriteFileBytes(folder.Path() / "images.png" / "knob", bytes);

  auto open = [&](const fs::path& path, bool check)
  { return std::unique_ptr<LICE_IBitmap>(png.open(path.u8string().c_str(), check, nullptr)); };
  EXPECT_NE(open(folder.Path() / "upper.PNG", true), nullptr);
  EXPECT_EQ(open(folder.Path() / "photo.jpg", true), nullptr);
  EXPECT_EQ(open(folder.Path() / "images.png" / "knob", true), nullptr);
  EXPECT_NE(open(folder.Path() / "photo.jpg", false), nullptr);
  EXPECT_EQ(png.open(nullptr, true, nullptr), nullptr);
}
