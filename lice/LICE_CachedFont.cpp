#include "lice/LICE_CachedFont.h"

#include "lice/LICE_Combiners.h"
#include "lice/LICE_Composite.h"
#include "lice/LICE_PlatformText.h"
#include "lice/LICE_SysBitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace
{

// Shared by every font: the glyph renderer's canvas and the copy that native drawing into a bitmap
// without a device context goes through. They live while any font does.
LICE_SysBitmap* gGlyphScratch = nullptr;
LICE_SysBitmap* gTextScratch = nullptr;
int gLiveFonts = 0;

enum WineAnswer
{
  kWineUnknown,
  kWineYes,
  kWineNo
};
WineAnswer gWine = kWineUnknown;

// Options that only the glyph cache can honour: rotation, precaching and the mask effects.
constexpr int kCacheOnlyOptions = 0x1F7;
// From this text height on the platform draws, whatever was asked: masks would be too costly.
constexpr int kNativeOnlyHeight = 256;
// Largest text height whose glyphs the cache renders (the scratch grows to 2 x 1023 + 8 square).
constexpr int kMaxCachedHeight = 1023;
// A bitmap answering this extension query keeps the platform's text drawing away.
constexpr int kQueryNoPlatformText = 0x59555678;
constexpr int kAlignmentFlags = LICE_DT_CENTER | LICE_DT_RIGHT | LICE_DT_VCENTER | LICE_DT_BOTTOM;
constexpr uint32_t kPlatformWhite = 0x00FFFFFF;
constexpr uint32_t kPlatformBlack = 0;

bool RunningUnderWine()
{
  if (gWine == kWineUnknown) gWine = lice::TextProbeWine() ? kWineYes : kWineNo;
  return gWine == kWineYes;
}

uint32_t PlatformColour(LICE_Pixel32 colour)
{
  const uint32_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
  return r | g << 8 | b << 16;
}

// Columns kept beside a glyph (and beside natively drawn text) for ink outside its advance.
int Margin(int textHeight) { return textHeight < 16 ? 2 : textHeight / 16 + 2; }

int ClampToInt(long long v)
{
  return static_cast<int>(std::min<long long>(INT_MAX, std::max<long long>(INT_MIN, v)));
}

// Bytes of text that count: up to the NUL, and never more than a positive length says. A length
// beyond the string therefore stops at its end instead of reading past it.
int TextLength(const char* text, int length)
{
  int n = 0;
  if (length < 0)
    while (n < INT_MAX && text[n]) ++n;
  else
    while (n < length && text[n]) ++n;
  return n;
}

// The cache's decoding: 2- and 3-byte sequences give their code, 4-byte ones (outside the 16-bit
// range of the masks) a space, anything else the byte itself. A sequence cut off by the end of the
// text is no sequence. Answers the bytes taken; 0 at the end.
int DecodeCharacter(const unsigned char* p, int remaining, int* code)
{
  if (remaining <= 0) return 0;
  const int c = p[0];
  auto follows = [p](int i) { return p[i] >= 0x80 && p[i] <= 0xC0; };
  if (c >= 0xC2 && c <= 0xDF && remaining >= 2 && follows(1))
  {
    *code = (c & 0x1F) * 64 + (p[1] & 0x3F);
    return 2;
  }
  if (c >= 0xE0 && c <= 0xEF && remaining >= 3 && follows(1) && follows(2))
  {
    *code = ((c & 0x0F) * 4096 + (p[1] & 0x3F) * 64 + (p[2] & 0x3F)) & 0xFFFF;
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4 && remaining >= 4 && follows(1) && follows(2) && follows(3))
  {
    *code = ' ';
    return 4;
  }
  *code = c;
  return 1;
}

// True when the bytes hold at least one well-formed 2- or 3-byte UTF-8 lead and its followers
// (4-byte leads count when their next two bytes follow): then the text is drawn as UTF-16.
bool HoldsUtf8(const unsigned char* p, int length)
{
  auto follows = [](unsigned char b) { return b >= 0x80 && b <= 0xBF; };
  for (int i = 0; i < length; ++i)
  {
    if (p[i] >= 0xC2 && p[i] <= 0xDF && i + 1 < length && follows(p[i + 1])) return true;
    if (p[i] >= 0xE0 && p[i] <= 0xF4 && i + 2 < length && follows(p[i + 1]) && follows(p[i + 2]))
      return true;
  }
  return false;
}

void PrepareGlyphContext(LICE_DeviceContext dc)
{
  lice::TextSetColour(dc, kPlatformWhite);
  lice::TextSetBackgroundMode(dc, LICE_BKMODE_OPAQUE);
  lice::TextSetBackgroundColour(dc, kPlatformBlack);
}

// Makes the glyph canvas at least side x side pixels, white text on an opaque black cell.
LICE_SysBitmap* GlyphScratch(int side)
{
  if (!gGlyphScratch) gGlyphScratch = new (std::nothrow) LICE_SysBitmap(0, 0);
  if (!gGlyphScratch) return nullptr;
  if (gGlyphScratch->pixelWidth() < side || gGlyphScratch->pixelHeight() < side)
  {
    gGlyphScratch->setSize(std::max(side, gGlyphScratch->pixelWidth()),
                           std::max(side, gGlyphScratch->pixelHeight()));
    PrepareGlyphContext(gGlyphScratch->deviceContext());
  }
  if (gGlyphScratch->pixelWidth() < side || gGlyphScratch->pixelHeight() < side) return nullptr;
  return gGlyphScratch;
}

LICE_SysBitmap* TextScratch(int width, int height)
{
  if (!gTextScratch) gTextScratch = new (std::nothrow) LICE_SysBitmap(0, 0);
  if (!gTextScratch) return nullptr;
  if (gTextScratch->pixelWidth() < width || gTextScratch->pixelHeight() < height)
    gTextScratch->setSize(std::max(width, gTextScratch->pixelWidth()),
                          std::max(height, gTextScratch->pixelHeight()));
  if (gTextScratch->pixelWidth() < width || gTextScratch->pixelHeight() < height) return nullptr;
  return gTextScratch;
}

// Integer weight of the glyph compositing. Negative weights are limited so that no combiner can
// overflow; positive ones saturate in the rules themselves.
int IntegerWeight(float weight)
{
  const double w = static_cast<double>(weight) * 256.0;
  if (!(w > -256.0)) return w != w ? 0 : -256;
  return w >= 65536.0 ? 65536 : static_cast<int>(w);
}

int Channel(LICE_Pixel32 p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

LICE_Pixel32 Pack(int b, int g, int r, int a)
{
  return static_cast<LICE_Pixel32>(b & 0xFF) | static_cast<LICE_Pixel32>(g & 0xFF) << 8 |
         static_cast<LICE_Pixel32>(r & 0xFF) << 16 | static_cast<LICE_Pixel32>(a & 0xFF) << 24;
}

// Copy towards colour c, the destination keeping share v / 256; alpha goes towards 255.
inline void CopyKeeping(LICE_Pixel32* d, LICE_Pixel32 c, int v)
{
  const LICE_Pixel32 p = *d;
  const int cb = Channel(c, 0), cg = Channel(c, 8), cr = Channel(c, 16);
  *d = Pack(cb + (Channel(p, 0) - cb) * v / 256, cg + (Channel(p, 8) - cg) * v / 256,
            cr + (Channel(p, 16) - cr) * v / 256, 255 + (Channel(p, 24) - 255) * v / 256);
}

inline void MultiplyBy(LICE_Pixel32* d, LICE_Pixel32 c, int k)
{
  const LICE_Pixel32 p = *d;
  auto channel = [k](int s, int dv) { return ((k * (s - 256) + 65536) * dv) >> 16; };
  *d = Pack(channel(Channel(c, 0), Channel(p, 0)), channel(Channel(c, 8), Channel(p, 8)),
            channel(Channel(c, 16), Channel(p, 16)), ((65536 - k) * Channel(p, 24)) >> 16);
}

using Combiner = void (*)(LICE_Pixel32*, int, int, int, int, int);

Combiner CombinerFor(int lowByte)
{
  switch (lowByte)
  {
  case LICE_OP_ADD: return lice::CombineAdd;
  case LICE_OP_DODGE: return lice::CombineDodge;
  case LICE_OP_OVERLAY: return lice::CombineOverlay;
  case LICE_OP_HSV: return lice::CombineHSV;
  default: return nullptr;
  }
}

// Calls paint(pixel, maskByte) for every non-zero byte of the visible part of a mask.
template <typename Paint>
void WalkMask(LICE_IBitmap& bitmap, const unsigned char* mask, int maskWidth, int maskX, int maskY,
              int x, int y, int width, int height, Paint paint)
{
  for (int row = 0; row < height; ++row)
  {
    LICE_Pixel32* out = LICE_RowPointer(bitmap, y + row) + x;
    const unsigned char* in = mask + static_cast<size_t>(maskY + row) * maskWidth + maskX;
    for (int col = 0; col < width; ++col)
      if (in[col]) paint(out + col, in[col]);
  }
}

} // namespace

LICE_CachedFont::LICE_CachedFont() { ++gLiveFonts; }

bool LICE_CachedFont::scratchBitmapsExist() { return gGlyphScratch || gTextScratch; }

LICE_CachedFont::~LICE_CachedFont()
{
  if ((mOptions & LICE_FONTOPT_OWNED) && mFont) LICE_DeletePlatformFont(mFont);
  if (--gLiveFonts == 0)
  {
    delete gGlyphScratch;
    delete gTextScratch;
    gGlyphScratch = gTextScratch = nullptr;
  }
}

void LICE_CachedFont::attachFont(LICE_FontHandle font, int options)
{
  if ((mOptions & LICE_FONTOPT_OWNED) && mFont && mFont != font) LICE_DeletePlatformFont(mFont);
  mOptions = options;
  mFont = font;
  // A height left from the previous font would send text without a font down the native path.
  mTextHeight = 0;
  if (font)
  {
    if (LICE_SysBitmap* scratch = GlyphScratch(256))
    {
      LICE_DeviceContext dc = scratch->deviceContext();
      LICE_FontHandle previous = lice::TextSelectFont(dc, font);
      mTextHeight = lice::TextMetricsHeight(dc);
      lice::TextSelectFont(dc, previous);
    }
  }
  for (LICE_GlyphEntry& entry : mLowEntries) entry = LICE_GlyphEntry();
  mHighEntries.clear();
  mMaskStore.clear();
  if (font && (options & LICE_FONTOPT_PRECACHE))
    for (int code = 0; code < 128; ++code) renderGlyph(code);
}

LICE_Pixel32 LICE_CachedFont::setForeground(LICE_Pixel32 colour)
{
  std::swap(mForeground, colour);
  return colour;
}

LICE_Pixel32 LICE_CachedFont::setBackground(LICE_Pixel32 colour)
{
  std::swap(mBackground, colour);
  return colour;
}

LICE_Pixel32 LICE_CachedFont::setEffectColour(LICE_Pixel32 colour)
{
  std::swap(mEffectColour, colour);
  return colour;
}

int LICE_CachedFont::setBackgroundMode(int mode)
{
  std::swap(mBackgroundMode, mode);
  return mode;
}

void LICE_CachedFont::setCombine(int mode, float weight)
{
  mCombineMode = mode;
  mWeight = weight;
}

LICE_GlyphEntry* LICE_CachedFont::findEntry(int code)
{
  if (code >= 0 && code < 128) return &mLowEntries[code];
  auto it = std::lower_bound(mHighEntries.begin(), mHighEntries.end(), code,
                             [](const LICE_GlyphEntry& e, int c) { return e.code < c; });
  return it != mHighEntries.end() && it->code == code ? &*it : nullptr;
}

LICE_GlyphEntry* LICE_CachedFont::glyphFor(int code)
{
  LICE_GlyphEntry* entry = findEntry(code);
  if (!entry || entry->maskStart == 0) entry = renderGlyph(code);
  return entry && entry->maskStart > 0 ? entry : nullptr;
}

LICE_GlyphEntry* LICE_CachedFont::renderGlyph(int code)
{
  if (!mFont || mTextHeight > kMaxCachedHeight || code < 0 || code > 0xFFFF) return nullptr;

  LICE_GlyphEntry* entry = findEntry(code);
  if (!entry)
  {
    if (mOptions & LICE_FONTOPT_PRECACHE) return nullptr;
    // Inserting in order keeps the high entries sorted for the binary search.
    auto it = std::lower_bound(mHighEntries.begin(), mHighEntries.end(), code,
                               [](const LICE_GlyphEntry& e, int c) { return e.code < c; });
    try
    {
      it = mHighEntries.insert(it, LICE_GlyphEntry());
    }
    catch (const std::bad_alloc&)
    {
      return nullptr;
    }
    it->code = code;
    entry = &*it;
  }

  const int margin = Margin(mTextHeight);
  LICE_SysBitmap* scratch = GlyphScratch(std::max(mTextHeight, 1) * 2 + 8);
  if (!scratch) return nullptr;
  LICE_DeviceContext dc = scratch->deviceContext();
  PrepareGlyphContext(dc);
  LICE_FontHandle previous = lice::TextSelectFont(dc, mFont);

  const char16_t character[2] = {static_cast<char16_t>(code), 0};
  LICE_Rect cell;
  lice::TextDrawWide(dc, character, 1, &cell,
                     LICE_DT_NOPREFIX | LICE_DT_CALCRECT | LICE_DT_SINGLELINE);
  int advance = cell.right - cell.left;
  int height = cell.bottom - cell.top;
  int cellWidth = advance + 2 * margin;
  if (advance > 0 && height > 0)
  {
    LICE_FillArea(scratch, 0, 0, cellWidth, height, 0, 1.0f, LICE_OP_COPY);
    LICE_Rect at = {margin, 0, margin + advance, height};
    lice::TextDrawWide(dc, character, 1, &at,
                       LICE_DT_NOPREFIX | LICE_DT_NOCLIP | LICE_DT_SINGLELINE);
  }
  lice::TextSelectFont(dc, previous);
  advance = std::min(advance, scratch->pixelWidth());
  cellWidth = std::min(cellWidth, scratch->pixelWidth());
  height = std::min(height, scratch->pixelHeight());

  LICE_GlyphEntry nothing;
  nothing.maskStart = -1;
  nothing.code = code;
  if (advance < 1 || height < 1)
  {
    *entry = nothing;
    return entry;
  }
  if (mOptions & LICE_FONTOPT_SOFTEN) LICE_SoftenArea(scratch, cellWidth, height);

  const size_t start = mMaskStore.size();
  const size_t cellBytes = static_cast<size_t>(cellWidth) * height;
  if (start + cellBytes >= static_cast<size_t>(INT_MAX))
  {
    *entry = nothing;
    return entry;
  }
  try
  {
    mMaskStore.resize(start + cellBytes);
  }
  catch (const std::bad_alloc&)
  {
    *entry = nothing;
    return entry;
  }

  // Coverage is the red byte of white-on-black text. Only columns outside the inked span seen so
  // far are searched, so the bounds cost little per row.
  unsigned char* mask = mMaskStore.data() + start;
  const bool invert = (mOptions & LICE_FONTOPT_INVERT) != 0;
  int left = std::min(margin, cellWidth);
  int right = std::min(advance + margin, cellWidth);
  for (int row = 0; row < height; ++row)
  {
    const LICE_Pixel32* in = LICE_RowPointer(*scratch, row);
    unsigned char* out = mask + static_cast<size_t>(row) * cellWidth;
    for (int col = 0; col < cellWidth; ++col)
    {
      const unsigned char coverage = static_cast<unsigned char>(in[col] >> 16);
      out[col] = invert ? static_cast<unsigned char>(255 - coverage) : coverage;
    }
    for (int col = 0; col < left; ++col)
      if (out[col])
      {
        left = col;
        break;
      }
    for (int col = cellWidth - 1; col >= right; --col)
      if (out[col])
      {
        right = col + 1;
        break;
      }
  }

  int width = cellWidth;
  if (right < cellWidth || left > 0)
  {
    width = right - left;
    for (int row = 0; row < height; ++row)
      std::memmove(mask + static_cast<size_t>(row) * width,
                   mask + static_cast<size_t>(row) * cellWidth + left, width);
    mMaskStore.resize(start + static_cast<size_t>(width) * height);
    mask = mMaskStore.data() + start;
  }
  const int leftOverhang = margin - left;

  if (mOptions & LICE_FONTOPT_ROTATE)
  {
    const std::unique_ptr<unsigned char[]> turned(
        new (std::nothrow) unsigned char[static_cast<size_t>(width) * height]);
    if (!turned)
    {
      mMaskStore.resize(start);
      *entry = nothing;
      return entry;
    }
    const bool ccw = (mOptions & LICE_FONTOPT_ROTATE_CCW) != 0;
    // The turned mask is height wide and width high.
    for (int i = 0; i < width; ++i)
      for (int j = 0; j < height; ++j)
      {
        const int oldCol = ccw ? width - 1 - i : i;
        const int oldRow = ccw ? j : height - 1 - j;
        turned[static_cast<size_t>(i) * height + j] =
            mask[static_cast<size_t>(oldRow) * width + oldCol];
      }
    std::memcpy(mask, turned.get(), static_cast<size_t>(width) * height);
    std::swap(width, height);
  }

  if (mOptions & (LICE_FONTOPT_MONO | LICE_FONTOPT_SHADOW | LICE_FONTOPT_OUTLINE))
  {
    const size_t bytes = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < bytes; ++i) mask[i] = mask[i] > 130 ? 255 : 0;
    const bool shadow = (mOptions & LICE_FONTOPT_SHADOW) != 0;
    const bool outline = !shadow && (mOptions & LICE_FONTOPT_OUTLINE);
    if (shadow || outline)
    {
      auto at = [&](int col, int row) -> int
      {
        if (col < 0 || row < 0 || col >= width || row >= height) return 0;
        return mask[static_cast<size_t>(row) * width + col];
      };
      for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
        {
          unsigned char& b = mask[static_cast<size_t>(row) * width + col];
          if (b) continue;
          const bool mark = shadow ? at(col - 1, row) == 255 || at(col - 1, row - 1) == 255 ||
                                         at(col, row - 1) == 255
                                   : at(col, row - 1) == 255 || at(col, row + 1) == 255 ||
                                         at(col - 1, row) == 255 || at(col + 1, row) == 255;
          if (mark) b = 128;
        }
    }
  }

  entry->maskStart = static_cast<int>(start) + 1;
  entry->width = width;
  entry->height = height;
  entry->advance = advance;
  entry->code = code;
  entry->leftOverhang = leftOverhang;
  return entry;
}

bool LICE_CachedFont::paintGlyph(LICE_IBitmap* bitmap, int code, int x, int y,
                                 const LICE_Rect& clip)
{
  LICE_GlyphEntry* entry = bitmap ? findEntry(code) : nullptr;
  return entry && paintEntry(bitmap, *entry, x, y, clip);
}

bool LICE_CachedFont::paintEntry(LICE_IBitmap* bitmap, const LICE_GlyphEntry& entry, int x, int y,
                                 const LICE_Rect& clip)
{
  if (entry.maskStart <= 0 || entry.width < 1 || entry.height < 1) return false;
  if (static_cast<size_t>(entry.maskStart - 1) +
          static_cast<size_t>(entry.width) * static_cast<size_t>(entry.height) >
      mMaskStore.size())
    return false;

  // The overhang columns lie before the pen along the line: left of it, or above it when lines
  // run down, below it when they run up.
  long long left = x, top = y;
  if (!(mOptions & LICE_FONTOPT_ROTATE))
    left -= entry.leftOverhang;
  else if (mOptions & LICE_FONTOPT_ROTATE_CCW)
    top += entry.leftOverhang;
  else
    top -= entry.leftOverhang;

  const long long clipLeft = std::max(0, clip.left), clipTop = std::max(0, clip.top);
  const long long clipRight = std::min(clip.right, bitmap->pixelWidth());
  const long long clipBottom = std::min(clip.bottom, bitmap->pixelHeight());
  const long long x0 = std::max(left, clipLeft), y0 = std::max(top, clipTop);
  const long long x1 = std::min(left + entry.width, clipRight);
  const long long y1 = std::min(top + entry.height, clipBottom);
  if (x0 >= x1 || y0 >= y1 || !bitmap->pixelData()) return false;
  const int visX = static_cast<int>(x0), visY = static_cast<int>(y0);
  const int visW = static_cast<int>(x1 - x0), visH = static_cast<int>(y1 - y0);
  const int maskX = static_cast<int>(x0 - left), maskY = static_cast<int>(y0 - top);

  if (mBackgroundMode == LICE_BKMODE_OPAQUE)
    LICE_FillArea(bitmap, visX, visY, visW, visH, mBackground, mWeight,
                  mCombineMode & ~LICE_OP_SRCALPHA);

  const unsigned char* mask = mMaskStore.data() + (entry.maskStart - 1);
  const int w = IntegerWeight(mWeight);
  const int lowByte = mCombineMode & 0xFF;
  const int r = Channel(mForeground, 16), g = Channel(mForeground, 8), b = Channel(mForeground, 0);
  auto walk = [&](auto paint)
  { WalkMask(*bitmap, mask, entry.width, maskX, maskY, visX, visY, visW, visH, paint); };

  if (!(mOptions & (LICE_FONTOPT_MONO | LICE_FONTOPT_SHADOW | LICE_FONTOPT_OUTLINE)))
  {
    if (w == 0) return true;
    if (lowByte == LICE_OP_COPY)
    {
      if (w <= 0) return true;
      if (w == 256)
        walk([&](LICE_Pixel32* d, int m) { CopyKeeping(d, mForeground, 255 - m); });
      else
        walk(
            [&](LICE_Pixel32* d, int m)
            {
              const int v = w * m < 65792 ? 256 - w * m / 256 : 0;
              CopyKeeping(d, mForeground, v);
            });
      return true;
    }
    auto coverage = [w](int m) { return w == 256 ? m + 1 : w * m < 65792 ? w * m / 256 : 256; };
    if (lowByte == LICE_OP_MULTIPLY)
    {
      walk([&](LICE_Pixel32* d, int m) { MultiplyBy(d, mForeground, coverage(m)); });
      return true;
    }
    if (Combiner combine = CombinerFor(lowByte))
      walk([&](LICE_Pixel32* d, int m) { combine(d, r, g, b, 255, coverage(m)); });
    return true;
  }

  // Effect masks hold 255 for the glyph and 128 for its shadow or outline.
  auto colourOf = [this](int m) { return m == 255 ? mForeground : mEffectColour; };
  if (mWeight == 1.0f && lowByte == LICE_OP_COPY)
  {
    walk([&](LICE_Pixel32* d, int m) { *d = colourOf(m); });
    return true;
  }
  const int k = std::min(w, 256);
  if (k == 0) return true;
  if (lowByte == LICE_OP_COPY)
  {
    if (k > 0) walk([&](LICE_Pixel32* d, int m) { CopyKeeping(d, colourOf(m), 256 - k); });
    return true;
  }
  if (lowByte == LICE_OP_MULTIPLY)
  {
    walk([&](LICE_Pixel32* d, int m) { MultiplyBy(d, colourOf(m), k); });
    return true;
  }
  if (Combiner combine = CombinerFor(lowByte))
    walk(
        [&](LICE_Pixel32* d, int m)
        {
          const LICE_Pixel32 c = colourOf(m);
          combine(d, Channel(c, 16), Channel(c, 8), Channel(c, 0), 255, k);
        });
  return true;
}

int LICE_CachedFont::renderText(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect,
                                int flags)
{
  if (!bitmap && !(flags & LICE_DT_CALCRECT)) return 0;
  const bool cachedOnly = (flags & LICE_TEXT_CACHED_ONLY) != 0;
  flags &= ~LICE_TEXT_CACHED_ONLY;
  if (!text || !rect) return 0;

  // No text or no font: nothing to draw, and an empty measure.
  const int bytes = TextLength(text, length);
  if (bytes == 0 || !mFont)
  {
    if (flags & LICE_DT_CALCRECT)
    {
      rect->right = rect->left;
      rect->bottom = rect->top;
    }
    return 0;
  }

  const bool platformAllowed =
      !bitmap || bitmap->extensionQuery(kQueryNoPlatformText, nullptr) == 0;
  const bool native =
      platformAllowed &&
      (mTextHeight >= kNativeOnlyHeight ||
       ((mOptions & LICE_FONTOPT_NATIVE) && !cachedOnly && !(flags & LICE_TEXT_FOREGROUND_ALPHA) &&
        !(mOptions & kCacheOnlyOptions) && (mLineSpacing == 0 || (flags & LICE_DT_SINGLELINE)) &&
        !RunningUnderWine()));
  return native ? renderNative(bitmap, text, bytes, rect, flags)
                : renderCached(bitmap, text, bytes, rect, flags);
}

int LICE_CachedFont::renderNative(LICE_IBitmap* bitmap, const char* text, int length,
                                  LICE_Rect* rect, int flags)
{
  // Text holding UTF-8 is drawn as UTF-16; anything else, or UTF-8 that does not convert, as bytes.
  char16_t stackText[1024];
  std::unique_ptr<char16_t[]> heapText;
  const char16_t* wide = nullptr;
  int wideLength = 0;
  if (HoldsUtf8(reinterpret_cast<const unsigned char*>(text), length))
  {
    const int needed = lice::TextUtf8ToUtf16(text, length, nullptr, 0);
    char16_t* buffer = stackText;
    if (needed > 999)
    {
      heapText.reset(new (std::nothrow) char16_t[static_cast<size_t>(needed) + 32]);
      buffer = heapText.get();
    }
    if (needed > 0 && buffer && lice::TextUtf8ToUtf16(text, length, buffer, needed) == needed)
    {
      buffer[needed] = 0;
      wide = buffer;
      wideLength = needed;
    }
  }
  auto draw = [&](LICE_DeviceContext dc, LICE_Rect* r, int f)
  {
    return wide ? lice::TextDrawWide(dc, wide, wideLength, r, f)
                : lice::TextDrawBytes(dc, text, length, r, f);
  };
  auto setColours = [this](LICE_DeviceContext dc)
  {
    lice::TextSetColour(dc, PlatformColour(mForeground));
    lice::TextSetBackgroundMode(dc, mBackgroundMode);
    if (mBackgroundMode == LICE_BKMODE_OPAQUE)
      lice::TextSetBackgroundColour(dc, PlatformColour(mBackground));
  };

  if (LICE_DeviceContext dc = bitmap ? bitmap->deviceContext() : nullptr)
  {
    LICE_FontHandle previous = lice::TextSelectFont(dc, mFont);
    setColours(dc);
    LICE_Rect r = *rect;
    const int result = draw(dc, &r, flags | LICE_DT_NOPREFIX);
    if (flags & LICE_DT_CALCRECT) *rect = r;
    lice::TextSelectFont(dc, previous);
    return result;
  }

  // A bitmap without a device context: draw into a copy of the text's area and copy it back.
  LICE_SysBitmap* scratch = TextScratch(4, 4);
  if (!scratch) return 0;
  LICE_DeviceContext dc = scratch->deviceContext();
  LICE_FontHandle previous = lice::TextSelectFont(dc, mFont);
  LICE_Rect extent;
  draw(dc, &extent, (flags & ~kAlignmentFlags) | LICE_DT_CALCRECT | LICE_DT_NOPREFIX);
  const long long textWidth = static_cast<long long>(extent.right) - extent.left;
  const long long textHeight = static_cast<long long>(extent.bottom) - extent.top;
  if (flags & LICE_DT_CALCRECT)
  {
    lice::TextSelectFont(dc, previous);
    rect->right = ClampToInt(rect->left + textWidth);
    rect->bottom = ClampToInt(rect->top + textHeight);
    return ClampToInt(textHeight);
  }

  long long x = rect->left, y = rect->top;
  if (flags & LICE_DT_RIGHT)
    x = rect->right - textWidth;
  else if (flags & LICE_DT_CENTER)
    x = (static_cast<long long>(rect->left) + rect->right - textWidth) / 2;
  if (flags & LICE_DT_BOTTOM)
    y = rect->bottom - textHeight;
  else if (flags & LICE_DT_VCENTER)
    y = (static_cast<long long>(rect->top) + rect->bottom - textHeight) / 2;
  long long left = std::max(x, 0LL), top = std::max(y, 0LL);
  long long right = std::min<long long>(x + textWidth, bitmap->pixelWidth());
  long long bottom = std::min<long long>(y + textHeight, bitmap->pixelHeight());
  if (!(flags & LICE_DT_NOCLIP))
  {
    left = std::max<long long>(left, rect->left);
    top = std::max<long long>(top, rect->top);
    right = std::min<long long>(right, rect->right);
    bottom = std::min<long long>(bottom, rect->bottom);
  }
  if (left >= right || top >= bottom || !bitmap->pixelData())
  {
    lice::TextSelectFont(dc, previous);
    return 0;
  }
  left -= std::min<long long>(Margin(ClampToInt(textHeight)), left);
  const int areaX = static_cast<int>(left), areaY = static_cast<int>(top);
  const int areaW = static_cast<int>(right - left), areaH = static_cast<int>(bottom - top);
  if (!TextScratch(areaW, areaH))
  {
    lice::TextSelectFont(dc, previous);
    return 0;
  }
  const LICE_Rect area = {areaX, areaY, areaX + areaW, areaY + areaH};
  LICE_Composite(scratch, bitmap, 0, 0, &area, 1.0f, LICE_OP_COPY);
  setColours(dc);
  LICE_Rect at = {ClampToInt(x - areaX), ClampToInt(y - areaY), 0, 0};
  at.right = ClampToInt(at.left + textWidth);
  at.bottom = ClampToInt(at.top + textHeight);
  const int result = draw(
      dc, &at, (flags & ~(kAlignmentFlags | LICE_DT_CALCRECT)) | LICE_DT_NOPREFIX | LICE_DT_NOCLIP);
  const LICE_Rect copied = {0, 0, areaW, areaH};
  LICE_Composite(bitmap, scratch, areaX, areaY, &copied, mWeight, LICE_OP_COPY);
  lice::TextSelectFont(dc, previous);
  return result;
}

void LICE_CachedFont::measureCached(const char* text, int length, int flags, long long* extentX,
                                    long long* extentY)
{
  const bool rotated = (mOptions & LICE_FONTOPT_ROTATE) != 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  long long pen = 0, line = 0, along = 0, across = 0;
  int code = 0;
  for (int taken; (taken = DecodeCharacter(p, length, &code)) > 0; p += taken, length -= taken)
  {
    if (code == '\r') continue;
    if (code == '\n')
    {
      if (!(flags & LICE_DT_SINGLELINE))
      {
        pen = 0;
        line += mTextHeight + mLineSpacing;
        continue;
      }
      code = ' ';
    }
    const LICE_GlyphEntry* entry = glyphFor(code);
    if (!entry) continue;
    const int run = rotated ? entry->height : entry->width;
    const int thickness = rotated ? entry->width : entry->height;
    along = std::max({along, pen + entry->advance, pen + run - entry->leftOverhang});
    across = std::max(across, line + thickness);
    pen += entry->advance;
  }
  *extentX = rotated ? across : along;
  *extentY = rotated ? along : across;
}

int LICE_CachedFont::renderCached(LICE_IBitmap* bitmap, const char* text, int length,
                                  LICE_Rect* rect, int flags)
{
  const bool rotated = (mOptions & LICE_FONTOPT_ROTATE) != 0;
  const bool ccw = rotated && (mOptions & LICE_FONTOPT_ROTATE_CCW);
  if (flags & LICE_DT_CALCRECT)
  {
    long long extentX = 0, extentY = 0;
    measureCached(text, length, flags, &extentX, &extentY);
    rect->right = ClampToInt(rect->left + extentX);
    rect->bottom = ClampToInt(rect->top + extentY);
    return ClampToInt(rotated ? extentX : extentY);
  }

  float weight = mWeight;
  if (flags & LICE_TEXT_FOREGROUND_ALPHA) weight *= static_cast<float>(mForeground >> 24) / 255.0f;
  if (!(weight != 0.0f) || !bitmap->pixelData() || bitmap->pixelWidth() < 1 ||
      bitmap->pixelHeight() < 1)
    return 0;

  long long x = rect->left, y = rect->top;
  if ((flags & kAlignmentFlags) || ccw)
  {
    long long width = 0, height = 0;
    measureCached(text, length, flags & LICE_DT_SINGLELINE, &width, &height);
    if (flags & LICE_DT_RIGHT)
      x = rect->right - width;
    else if (flags & LICE_DT_CENTER)
      x = (static_cast<long long>(rect->left) + rect->right - width) / 2;
    if (flags & LICE_DT_BOTTOM)
      y = rect->bottom - height;
    else if (flags & LICE_DT_VCENTER)
      y = (static_cast<long long>(rect->top) + rect->bottom - height) / 2;
    if (ccw) y += height;
  }

  LICE_Rect clip = {0, 0, bitmap->pixelWidth(), bitmap->pixelHeight()};
  if (!(flags & LICE_DT_NOCLIP))
  {
    clip.left = std::max(rect->left, 0);
    clip.top = std::max(rect->top, 0);
    clip.right = std::min(rect->right, clip.right);
    clip.bottom = std::min(rect->bottom, clip.bottom);
  }
  if (clip.left >= clip.right || clip.top >= clip.bottom) return 0;

  // The weight of this call (foreground alpha included) is what paintGlyph composites with.
  const float savedWeight = mWeight;
  mWeight = weight;
  const long long lineStep = static_cast<long long>(mTextHeight) + mLineSpacing;
  long long penX = x, penY = y, extent = rotated ? x : y;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int code = 0;
  for (int taken; (taken = DecodeCharacter(p, length, &code)) > 0; p += taken, length -= taken)
  {
    if (code == '\r') continue;
    if (code == '\n')
    {
      if (!(flags & LICE_DT_SINGLELINE))
      {
        if (rotated)
        {
          penY = y;
          penX += lineStep;
        }
        else
        {
          penX = x;
          penY += lineStep;
        }
        continue;
      }
      code = ' ';
    }
    const LICE_GlyphEntry* entry = glyphFor(code);
    if (!entry) continue;
    const long long glyphY = ccw ? penY - entry->height : penY;
    // Pens far outside any bitmap only move; their glyphs could not show.
    if (penX > INT_MIN / 2 && penX < INT_MAX / 2 && glyphY > INT_MIN / 2 && glyphY < INT_MAX / 2)
      paintEntry(bitmap, *entry, static_cast<int>(penX), static_cast<int>(glyphY), clip);
    extent = std::max(extent, rotated ? penX + entry->width : glyphY + entry->height);
    if (!rotated)
      penX += entry->advance;
    else if (ccw)
      penY -= entry->advance;
    else
      penY += entry->advance;
  }
  mWeight = savedWeight;
  return ClampToInt(extent - (rotated ? x : y));
}
