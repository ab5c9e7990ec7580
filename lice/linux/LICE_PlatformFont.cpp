#include "lice/linux/LICE_PlatformFont.h"

#include "lice/linux/LICE_DrawContext.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <mutex>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

namespace
{

// One FreeType library and one fontconfig configuration for all fonts, made with the first and
// released with the last (fontconfig's process-wide default would stay allocated for good).
// FreeType wants face creation and destruction serialised per library.
std::mutex gLibraryMutex;
FT_Library gLibrary = nullptr;
FcConfig* gFontconfig = nullptr;
int gFaces = 0;

// Cell height of a font made with height 0, as the platform picks a readable default.
constexpr int kDefaultHeight = 16;
// Rendered glyphs kept per font before the store starts afresh.
constexpr size_t kGlyphStoreBytes = 32u << 20;
// Slant of a synthesised italic (x moves by this much per unit of height).
constexpr double kObliqueSlant = 0.2;

void ReleaseLibrariesWhenUnused()
{
  if (gFaces > 0) return;
  if (gLibrary) FT_Done_FreeType(gLibrary);
  if (gFontconfig) FcConfigDestroy(gFontconfig);
  gLibrary = nullptr;
  gFontconfig = nullptr;
}

// The file and face index that fontconfig matches to the description. Called under the mutex.
bool FindFaceFile(const LICE_FontDescription& description, std::vector<char>* file, int* index)
{
  if (!gFontconfig) gFontconfig = FcInitLoadConfigAndFonts();
  if (!gFontconfig) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  char face[sizeof description.face + 1] = {};
  std::memcpy(face, description.face, sizeof description.face);
  if (face[0]) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
  const int weight = description.weight <= 0 ? 400 : std::min(description.weight, 1000);
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, description.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(gFontconfig, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(gFontconfig, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (found)
  {
    const char* text = reinterpret_cast<const char*>(path);
    file->assign(text, text + std::strlen(text) + 1);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
  }
  FcPatternDestroy(match);
  return found;
}

FT_Face OpenFace(const LICE_FontDescription& description)
{
  std::lock_guard<std::mutex> lock(gLibraryMutex);
  std::vector<char> file;
  int index = 0;
  FT_Face face = nullptr;
  if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0) gLibrary = nullptr;
  if (gLibrary && FindFaceFile(description, &file, &index) &&
      FT_New_Face(gLibrary, file.data(), index, &face) == 0)
  {
    ++gFaces;
    return face;
  }
  ReleaseLibrariesWhenUnused();
  return nullptr;
}

void CloseFace(FT_Face face)
{
  std::lock_guard<std::mutex> lock(gLibraryMutex);
  FT_Done_Face(face);
  --gFaces;
  ReleaseLibrariesWhenUnused();
}

// Platform colour (red | green << 8 | blue << 16) as an opaque pixel.
LICE_Pixel32 OpaquePixel(uint32_t colour)
{
  return 0xFF000000u | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// d moves towards c by coverage / 255, rounded.
inline uint32_t Towards(uint32_t d, uint32_t c, uint32_t coverage)
{
  return (d * (255 - coverage) + c * coverage + 127) / 255;
}

struct Area
{
  long long left, top, right, bottom;
};

void Fill(LICE_DrawContext& dc, const Area& area, LICE_Pixel32 pixel)
{
  for (long long y = area.top; y < area.bottom; ++y)
  {
    LICE_Pixel32* row = dc.Bits() + static_cast<size_t>(y) * dc.RowPitch();
    std::fill(row + area.left, row + area.right, pixel);
  }
}

Area Intersect(const Area& a, const Area& b)
{
  Area r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Next line of text from start: its end and where the following line starts. Line feeds,
// carriage returns and the pair CR LF end a line unless the text is a single line.
int LineEnd(const char32_t* text, int length, int start, bool singleLine, int* next)
{
  if (singleLine)
  {
    *next = length;
    return length;
  }
  int end = start;
  while (end < length && text[end] != '\n' && text[end] != '\r') ++end;
  *next = end;
  if (end < length)
    *next = text[end] == '\r' && end + 1 < length && text[end + 1] == '\n' ? end + 2 : end + 1;
  return end;
}

} // namespace

LICE_PlatformFont* LICE_PlatformFont::Create(const LICE_FontDescription& description)
{
  if (description.height < -kMaxHeight || description.height > kMaxHeight) return nullptr;
  FT_Face face = OpenFace(description);
  if (!face) return nullptr;

  LICE_PlatformFont* font = new (std::nothrow) LICE_PlatformFont();
  if (!font || !FT_IS_SCALABLE(face) || face->units_per_EM == 0)
  {
    delete font;
    CloseFace(face);
    return nullptr;
  }
  font->mFace = face;

  // The cell is the Windows one: the OS/2 table's ascent and descent when the face has them.
  long ascent = face->ascender, descent = -face->descender;
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)))
    if (os2->usWinAscent + os2->usWinDescent > 0)
    {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    }
  if (ascent + descent <= 0)
  {
    ascent = face->units_per_EM * 4 / 5;
    descent = face->units_per_EM - ascent;
  }
  const long cell = ascent + descent;
  const long em = face->units_per_EM;
  long emSize64 = 0; // em size in 1/64 pixel
  if (description.height >= 0)
  {
    const long height = description.height > 0 ? description.height : kDefaultHeight;
    emSize64 = (height * 64 * em + cell / 2) / cell;
    font->mAscent = static_cast<int>((ascent * height + cell / 2) / cell);
    font->mDescent = static_cast<int>(height) - font->mAscent;
  }
  else
  {
    const long size = -static_cast<long>(description.height);
    emSize64 = size * 64;
    font->mAscent = static_cast<int>((ascent * size + em / 2) / em);
    font->mDescent = static_cast<int>((descent * size + em / 2) / em);
  }
  if (FT_Set_Char_Size(face, 0, std::max(emSize64, 1L), 72, 72) != 0)
  {
    delete font;
    return nullptr;
  }

  font->mMono = description.quality == 3;
  font->mEmbolden = description.weight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  font->mOblique = description.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  int escapement = description.escapement % 3600;
  if (escapement < 0) escapement += 3600;
  switch (escapement)
  {
  case 0: break;
  case 900: font->mCos = 0.0, font->mSin = 1.0; break;
  case 1800: font->mCos = -1.0, font->mSin = 0.0; break;
  case 2700: font->mCos = 0.0, font->mSin = -1.0; break;
  default:
    font->mCos = std::cos(escapement * M_PI / 1800.0);
    font->mSin = std::sin(escapement * M_PI / 1800.0);
  }
  font->mRotated = escapement != 0;
  if (font->mRotated || font->mOblique)
  {
    // Rotation after the slant, both in FreeType's upward y.
    const double slant = font->mOblique ? kObliqueSlant : 0.0;
    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(font->mCos * 65536.0));
    matrix.xy = static_cast<FT_Fixed>(std::lround((font->mCos * slant - font->mSin) * 65536.0));
    matrix.yx = static_cast<FT_Fixed>(std::lround(font->mSin * 65536.0));
    matrix.yy = static_cast<FT_Fixed>(std::lround((font->mSin * slant + font->mCos) * 65536.0));
    FT_Set_Transform(face, &matrix, nullptr);
  }
  return font;
}

LICE_PlatformFont::~LICE_PlatformFont()
{
  if (mFace) CloseFace(mFace);
}

const LICE_PlatformFont::Glyph* LICE_PlatformFont::GlyphFor(char32_t code)
{
  auto found = mGlyphs.find(code);
  if (found != mGlyphs.end()) return &found->second;

  Glyph glyph;
  // Control characters take no room and draw nothing, as in the platform's text drawing.
  if (code >= 0x20 && code != 0x7F)
  {
    const FT_Int32 load = FT_LOAD_DEFAULT | (mMono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    FT_GlyphSlot slot = mFace->glyph;
    if (FT_Load_Char(mFace, code, load) == 0)
    {
      if (mEmbolden) FT_GlyphSlot_Embolden(slot);
      const bool rendered =
          FT_Render_Glyph(slot, mMono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0;
      glyph.advanceX = static_cast<int>(slot->advance.x);
      glyph.advanceY = -static_cast<int>(slot->advance.y);
      if (!mRotated) glyph.advanceX = (glyph.advanceX + 32) & ~63;
      glyph.advance = static_cast<int>(
          std::lround(std::hypot(double(glyph.advanceX), double(glyph.advanceY)) / 64.0));
      const FT_Bitmap& bitmap = slot->bitmap;
      if (rendered && bitmap.buffer && bitmap.width > 0 && bitmap.rows > 0)
      {
        glyph.left = slot->bitmap_left;
        glyph.top = -slot->bitmap_top;
        glyph.width = static_cast<int>(bitmap.width);
        glyph.rows = static_cast<int>(bitmap.rows);
        glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
        for (int y = 0; y < glyph.rows; ++y)
        {
          const unsigned char* in = bitmap.pitch >= 0
                                        ? bitmap.buffer + static_cast<size_t>(y) * bitmap.pitch
                                        : bitmap.buffer + static_cast<size_t>(glyph.rows - 1 - y) *
                                                              static_cast<size_t>(-bitmap.pitch);
          uint8_t* out = glyph.coverage.data() + static_cast<size_t>(y) * glyph.width;
          for (int x = 0; x < glyph.width; ++x)
            out[x] = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                         ? ((in[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0)
                         : in[x];
        }
      }
    }
  }
  if (mGlyphBytes + glyph.coverage.size() > kGlyphStoreBytes || mGlyphs.size() >= 65536)
  {
    mGlyphs.clear();
    mGlyphBytes = 0;
  }
  mGlyphBytes += glyph.coverage.size();
  return &mGlyphs.emplace(code, std::move(glyph)).first->second;
}

int LICE_PlatformFont::DrawText(LICE_DrawContext& dc, const char32_t* text, int length,
                                LICE_Rect* rect, int flags)
{
  if (!text || !rect) return 0;
  if (length < 0)
    for (length = 0; length < INT_MAX && text[length];) ++length;
  if (length == 0)
  {
    if (flags & LICE_DT_CALCRECT)
    {
      rect->right = rect->left;
      rect->bottom = rect->top;
    }
    return 0;
  }

  const bool singleLine = (flags & LICE_DT_SINGLELINE) != 0;
  const long long lineHeight = Height();
  long long lines = 0, widest = 0;
  for (int start = 0, next = 0; start < length || lines == 0; start = next)
  {
    const int end = LineEnd(text, length, start, singleLine, &next);
    long long width = 0;
    for (int i = start; i < end; ++i) width += GlyphFor(text[i])->advance;
    widest = std::max(widest, width);
    ++lines;
    if (next >= length) break;
  }
  const long long height = lines * lineHeight;
  auto toInt = [](long long v)
  { return static_cast<int>(std::min<long long>(INT_MAX, std::max<long long>(INT_MIN, v))); };
  if (flags & LICE_DT_CALCRECT)
  {
    rect->right = toInt(rect->left + widest);
    rect->bottom = toInt(rect->top + height);
    return toInt(height);
  }

  long long top = rect->top;
  if (singleLine && (flags & LICE_DT_BOTTOM))
    top = rect->bottom - lineHeight;
  else if (singleLine && (flags & LICE_DT_VCENTER))
    top = rect->top + (static_cast<long long>(rect->bottom) - rect->top - lineHeight) / 2;
  const int result = singleLine && (flags & (LICE_DT_BOTTOM | LICE_DT_VCENTER))
                         ? toInt(top + height - rect->top)
                         : toInt(height);
  if (!dc.Bits()) return result;

  Area clip = {0, 0, dc.Width(), dc.Height()};
  if (!(flags & LICE_DT_NOCLIP))
    clip = Intersect(clip, {rect->left, rect->top, rect->right, rect->bottom});
  if (clip.left >= clip.right || clip.top >= clip.bottom) return result;

  const uint32_t colour = dc.TextColour();
  const uint32_t red = colour & 0xFF, green = colour >> 8 & 0xFF, blue = colour >> 16 & 0xFF;
  const bool opaque = dc.BackgroundMode() == LICE_DrawContext::kOpaque;
  // Layout positions (u along the line, v down the lines, from the starting corner) turn with the
  // escapement: screen = corner + u * (cos, -sin) + v * (sin, cos).
  const double originX = rect->left, originY = static_cast<double>(top);
  auto screenX = [&](double u, double v) { return originX + u * mCos + v * mSin; };
  auto screenY = [&](double u, double v) { return originY - u * mSin + v * mCos; };

  long long lineIndex = 0;
  for (int start = 0, next = 0; start < length || lineIndex == 0; start = next, ++lineIndex)
  {
    const int end = LineEnd(text, length, start, singleLine, &next);
    long long width = 0;
    for (int i = start; i < end; ++i) width += GlyphFor(text[i])->advance;
    double u = 0.0;
    if (flags & LICE_DT_RIGHT)
      u = static_cast<double>(static_cast<long long>(rect->right) - rect->left - width);
    else if (flags & LICE_DT_CENTER)
      u = static_cast<double>((static_cast<long long>(rect->right) - rect->left - width) / 2);
    const double v = static_cast<double>(lineIndex * lineHeight);

    if (opaque && width > 0)
    {
      const double xs[4] = {screenX(u, v), screenX(u + width, v), screenX(u, v + lineHeight),
                            screenX(u + width, v + lineHeight)};
      const double ys[4] = {screenY(u, v), screenY(u + width, v), screenY(u, v + lineHeight),
                            screenY(u + width, v + lineHeight)};
      const Area cell = {
          std::llround(*std::min_element(xs, xs + 4)), std::llround(*std::min_element(ys, ys + 4)),
          std::llround(*std::max_element(xs, xs + 4)), std::llround(*std::max_element(ys, ys + 4))};
      const Area visible = Intersect(cell, clip);
      if (visible.left < visible.right && visible.top < visible.bottom)
        Fill(dc, visible, OpaquePixel(dc.BackgroundColour()));
    }

    // The pen runs along the baseline in 1/64 pixel.
    double penX = screenX(u, v + mAscent) * 64.0, penY = screenY(u, v + mAscent) * 64.0;
    for (int i = start; i < end; ++i)
    {
      const Glyph* glyph = GlyphFor(text[i]);
      const long long x0 = static_cast<long long>(std::floor((penX + 32.0) / 64.0)) + glyph->left;
      const long long y0 = static_cast<long long>(std::floor((penY + 32.0) / 64.0)) + glyph->top;
      penX += glyph->advanceX;
      penY += glyph->advanceY;
      const Area visible = Intersect({x0, y0, x0 + glyph->width, y0 + glyph->rows}, clip);
      for (long long y = visible.top; y < visible.bottom; ++y)
      {
        const uint8_t* in = glyph->coverage.data() + static_cast<size_t>(y - y0) * glyph->width;
        auto* out = reinterpret_cast<uint8_t*>(dc.Bits() + static_cast<size_t>(y) * dc.RowPitch());
        for (long long x = visible.left; x < visible.right; ++x)
        {
          const uint32_t coverage = in[x - x0];
          if (!coverage) continue;
          uint8_t* p = out + x * 4;
          p[0] = static_cast<uint8_t>(Towards(p[0], blue, coverage));
          p[1] = static_cast<uint8_t>(Towards(p[1], green, coverage));
          p[2] = static_cast<uint8_t>(Towards(p[2], red, coverage));
          p[3] = static_cast<uint8_t>(Towards(p[3], 255, coverage));
        }
      }
    }
    if (next >= length) break;
  }
  return result;
}

LICE_FontHandle LICE_CreatePlatformFont(const LICE_FontDescription& description)
{
  return LICE_PlatformFont::Create(description);
}

void LICE_DeletePlatformFont(LICE_FontHandle font) { delete font; }
