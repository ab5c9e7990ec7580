#include "lice/LICE_Composite.h"

#include "lice/LICE_CombinerRules.h"
#include "lice/LICE_VectorPath.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace lice::rules;

namespace
{

// Weights beyond +-8 (w = +-2048) act as +-8: past that the integer rules would leave 32 bits.
// The system itself draws with weights in (0, 1].
constexpr double kMaxWeight = 8.0;

// The combiners' integer weight: weight * 256 truncated toward zero; 0 for NaN.
int IntegerWeight(float weight)
{
  double scaled = double(weight);
  if (!(scaled == scaled)) return 0;
  scaled = std::min(kMaxWeight, std::max(-kMaxWeight, scaled));
  return int(scaled * 256.0);
}

bool HasPixels(LICE_IBitmap& bitmap)
{
  return bitmap.pixelData() && bitmap.pixelWidth() > 0 && bitmap.pixelHeight() > 0 &&
         bitmap.rowPitch() >= bitmap.pixelWidth();
}

enum : int
{
  kSrcAlpha = LICE_OP_SRCALPHA
};

// One row of the composite for each mode; w is resolved once per call.
template <class PixelRule>
void ForEachPixel(LICE_Pixel32* d, const LICE_Pixel32* s, int n, PixelRule rule)
{
  for (int i = 0; i < n; ++i)
  {
    const LICE_Pixel32 p = s[i];
    d[i] = rule(d[i], Channel(p, 2), Channel(p, 1), Channel(p, 0), Channel(p, 3));
  }
}

struct Span
{
  LICE_IBitmap* dest;
  LICE_IBitmap* src;
  int destX, destY, srcX, srcY, width, height;

  LICE_Pixel32* DestRow(int row) const { return LICE_RowPointer(*dest, destY + row) + destX; }
  const LICE_Pixel32* SourceRow(int row) const { return LICE_RowPointer(*src, srcY + row) + srcX; }
};

template <class RowFunction>
void ForEachRow(const Span& span, RowFunction row)
{
  for (int y = 0; y < span.height; ++y) row(span.DestRow(y), span.SourceRow(y), span.width);
}

template <class PixelRule>
void CompositeRows(const Span& span, PixelRule rule)
{
  ForEachRow(span,
             [&](LICE_Pixel32* d, const LICE_Pixel32* s, int n) { ForEachPixel(d, s, n, rule); });
}

void CompositeByMode(const Span& span, int op, int w, bool sameBitmap)
{
  switch (op)
  {
  case LICE_OP_COPY:
    if (w <= 0) return;
    if (w == 256)
    {
      ForEachRow(span, [](LICE_Pixel32* d, const LICE_Pixel32* s, int n)
                 { std::memmove(d, s, size_t(n) * sizeof(LICE_Pixel32)); });
      return;
    }
    CompositeRows(span,
                  [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  {
                    const int f = 256 - w;
                    return Pack(
                        b + (Channel(d, 0) - b) * f / 256, g + (Channel(d, 1) - g) * f / 256,
                        r + (Channel(d, 2) - r) * f / 256, a + (Channel(d, 3) - a) * f / 256);
                  });
    return;
  case LICE_OP_ADD:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return Add(d, r, g, b, a, w); });
    return;
  case LICE_OP_DODGE:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return Dodge(d, r, g, b, a, w); });
    return;
  case LICE_OP_MULTIPLY:
    CompositeRows(span,
                  [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  {
                    auto channel = [w](int dc, int s)
                    { return ((w * (s - 256) + 65536) * dc) >> 16; };
                    return Pack(channel(Channel(d, 0), b), channel(Channel(d, 1), g),
                                channel(Channel(d, 2), r), channel(Channel(d, 3), a));
                  });
    return;
  case LICE_OP_OVERLAY:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return Overlay(d, r, g, b, a, w); });
    return;
  case LICE_OP_HSV:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return Hsv(d, r, g, b, a, w); });
    return;
  case kSrcAlpha | LICE_OP_COPY:
    if (w == 256)
    {
      // The editor's main blit. The vector rows read a whole vector of source before writing, so
      // a bitmap drawn onto itself takes the pixel-by-pixel rows.
      const lice::RowKernels& kernels = sameBitmap ? lice::kScalarKernels : lice::ActiveKernels();
      ForEachRow(span, kernels.sourceOver);
      return;
    }
    CompositeRows(span,
                  [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  {
                    if (a == 0) return d;
                    const int v = (a + 1) * w / 256;
                    const int f = 256 - v;
                    const int alpha = std::min(255, Channel(d, 3) + v);
                    return Pack(b + (Channel(d, 0) - b) * f / 256,
                                g + (Channel(d, 1) - g) * f / 256,
                                r + (Channel(d, 2) - r) * f / 256, alpha);
                  });
    return;
  case kSrcAlpha | LICE_OP_ADD:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return WeightedAdd(d, r, g, b, a, w); });
    return;
  case kSrcAlpha | LICE_OP_DODGE:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return WeightedDodge(d, r, g, b, a, w); });
    return;
  case kSrcAlpha | LICE_OP_MULTIPLY:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return WeightedMultiply(d, r, g, b, a, w); });
    return;
  case kSrcAlpha | LICE_OP_OVERLAY:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return Overlay(d, r, g, b, a, (a + 1) * w / 256); });
    return;
  case kSrcAlpha | LICE_OP_HSV:
    CompositeRows(span, [w](LICE_Pixel32 d, int r, int g, int b, int a)
                  { return Hsv(d, r, g, b, a, (a + 1) * w / 256); });
    return;
  default: return; // low bytes 6 to 0xEF draw nothing
  }
}

} // namespace

void LICE_Composite(LICE_IBitmap* dest, LICE_IBitmap* src, int x, int y,
                    const LICE_Rect* sourceRect, float weight, int mode)
{
  if (!dest || !src || weight == 0.0f) return;

  // In 64 bits, so that no coordinate, however large or negative, can wrap.
  const int64_t srcWidth = src->pixelWidth(), srcHeight = src->pixelHeight();
  const int64_t destWidth = dest->pixelWidth(), destHeight = dest->pixelHeight();
  int64_t left = 0, top = 0, right = srcWidth, bottom = srcHeight;
  int64_t destX = x, destY = y;
  if (sourceRect)
  {
    left = sourceRect->left;
    top = sourceRect->top;
    right = sourceRect->right;
    bottom = sourceRect->bottom;
    if (left < 0)
    {
      destX -= left;
      left = 0;
    }
    if (top < 0)
    {
      destY -= top;
      top = 0;
    }
    right = std::min(right, srcWidth);
    bottom = std::min(bottom, srcHeight);
  }
  if (destX < 0)
  {
    left -= destX;
    destX = 0;
  }
  if (destY < 0)
  {
    top -= destY;
    destY = 0;
  }
  if (right <= left || bottom <= top || destX >= destWidth || destY >= destHeight) return;
  right = std::min(right, left + destWidth - destX);
  bottom = std::min(bottom, top + destHeight - destY);
  if (right <= left || bottom <= top || !HasPixels(*dest) || !HasPixels(*src)) return;

  const Span span = {dest,      src,      int(destX),        int(destY),
                     int(left), int(top), int(right - left), int(bottom - top)};
  const int op = mode & 0xFF;
  const bool sameBitmap = dest->pixelData() == src->pixelData();

  if (op >= LICE_OP_CHANNEL)
  {
    const int destShift = 8 * ((mode >> 2) & 3), srcShift = 8 * (mode & 3);
    const LICE_Pixel32 keep = ~(LICE_Pixel32(0xFF) << destShift);
    ForEachRow(span,
               [=](LICE_Pixel32* d, const LICE_Pixel32* s, int n)
               {
                 for (int i = 0; i < n; ++i)
                   d[i] = (d[i] & keep) | (((s[i] >> srcShift) & 0xFF) << destShift);
               });
    return;
  }
  const bool plainCopy = (mode & (0xFF | kSrcAlpha)) == LICE_OP_COPY;
  if (plainCopy && weight == 1.0f)
  {
    ForEachRow(span, [](LICE_Pixel32* d, const LICE_Pixel32* s, int n)
               { std::memmove(d, s, size_t(n) * sizeof(LICE_Pixel32)); });
    return;
  }
  if (plainCopy && weight == 0.5f)
  {
    const lice::RowKernels& kernels = sameBitmap ? lice::kScalarKernels : lice::ActiveKernels();
    ForEachRow(span, kernels.copyHalf);
    return;
  }
  const int w = IntegerWeight(weight);
  if (w == 0) return;
  CompositeByMode(span, mode & (0xFF | kSrcAlpha), w, sameBitmap);
}

void LICE_FillArea(LICE_IBitmap* dest, int x, int y, int width, int height, LICE_Pixel32 colour,
                   float weight, int mode)
{
  if (!dest) return;
  if (mode & kSrcAlpha) weight = float(weight * ((colour >> 24) / 255.0));

  int64_t left = x, top = y, spanWidth = width, spanHeight = height;
  if (left < 0)
  {
    spanWidth += left;
    left = 0;
  }
  if (top < 0)
  {
    spanHeight += top;
    top = 0;
  }
  if (weight == 0.0f || !HasPixels(*dest) || spanWidth < 1 || spanHeight < 1) return;
  const int64_t destWidth = dest->pixelWidth(), destHeight = dest->pixelHeight();
  if (left >= destWidth || top >= destHeight) return;
  spanWidth = std::min(spanWidth, destWidth - left);
  spanHeight = std::min(spanHeight, destHeight - top);

  const int n = int(spanWidth), rows = int(spanHeight);
  auto forEachRow = [&](auto row)
  {
    for (int i = 0; i < rows; ++i) row(LICE_RowPointer(*dest, int(top) + i) + left, n);
  };
  auto forEachPixel = [&](auto rule)
  {
    forEachRow(
        [&](LICE_Pixel32* d, int count)
        {
          for (int i = 0; i < count; ++i) d[i] = rule(d[i]);
        });
  };

  const int w = IntegerWeight(weight);
  const int op = mode & 0xFF;
  if (op == LICE_OP_COPY)
  {
    const lice::RowKernels& kernels = lice::ActiveKernels();
    void (*fill)(LICE_Pixel32*, int, LICE_Pixel32) = nullptr;
    if (w == 256) fill = kernels.fillSolid;
    if (w == 128) fill = kernels.fillHalf;
    if (w == 64) fill = kernels.fillQuarter;
    if (w == 192) fill = kernels.fillThreeQuarters;
    if (fill)
    {
      forEachRow([&](LICE_Pixel32* d, int count) { fill(d, count, colour); });
      return;
    }
  }
  if (w == 0) return;

  const int cr = Channel(colour, 2), cg = Channel(colour, 1), cb = Channel(colour, 0);
  switch (op)
  {
  case LICE_OP_COPY:
    if (w <= 0) return;
    forEachPixel(
        [=](LICE_Pixel32 d)
        {
          const int f = 256 - w;
          return Pack(cb + (Channel(d, 0) - cb) * f / 256, cg + (Channel(d, 1) - cg) * f / 256,
                      cr + (Channel(d, 2) - cr) * f / 256, w + (Channel(d, 3) - w) * f / 256);
        });
    return;
  case LICE_OP_ADD: forEachPixel([=](LICE_Pixel32 d) { return Add(d, cr, cg, cb, w, w); }); return;
  case LICE_OP_DODGE:
    forEachPixel([=](LICE_Pixel32 d) { return Dodge(d, cr, cg, cb, w, w); });
    return;
  case LICE_OP_MULTIPLY:
    forEachPixel(
        [=](LICE_Pixel32 d)
        {
          auto channel = [w](int dc, int c) { return (dc * (w * c + (256 - w) * 256)) >> 16; };
          return Pack(channel(Channel(d, 0), cb), channel(Channel(d, 1), cg),
                      channel(Channel(d, 2), cr), channel(Channel(d, 3), w));
        });
    return;
  case LICE_OP_OVERLAY:
    forEachPixel([=](LICE_Pixel32 d) { return Overlay(d, cr, cg, cb, w, w); });
    return;
  case LICE_OP_HSV: forEachPixel([=](LICE_Pixel32 d) { return Hsv(d, cr, cg, cb, w, w); }); return;
  default: return;
  }
}
