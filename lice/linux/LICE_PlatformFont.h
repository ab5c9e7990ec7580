#pragma once

#include "lice/LICE_CachedFont.h"
#include "lice/LICE_Types.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;
class LICE_DrawContext;

// The Linux platform font: a face that fontconfig picks for the description (any face name
// falls back to fontconfig's best match), rendered by FreeType at the description's height, with
// the text-format drawing of the platform's DrawText. Heights follow the Windows meaning: above 0
// the cell (ascent + descent), below 0 the em size. Quality 3 renders without antialiasing. The
// escapement turns the text about its starting corner (tenths of a degree, counter-clockwise);
// underline, strike-out and the width are accepted and not drawn. Rendered glyphs are kept per
// font. User-interface thread only, except creation and deletion, which may run on any thread.
class LICE_PlatformFont
{
public:
  // Largest height magnitude a font is made for; beyond it creation fails.
  static constexpr int kMaxHeight = 4096;

  static LICE_PlatformFont* Create(const LICE_FontDescription& description);
  ~LICE_PlatformFont();
  LICE_PlatformFont(const LICE_PlatformFont&) = delete;
  LICE_PlatformFont& operator=(const LICE_PlatformFont&) = delete;

  // Ascent + descent in pixels: the height of one line.
  int Height() const { return mAscent + mDescent; }
  int Ascent() const { return mAscent; }

  // Draws, or with LICE_DT_CALCRECT measures, length code points with the platform's text-format
  // flags (LICE_DT_*) into the context's pixels in its colours and background mode. Answers the
  // text height; with LICE_DT_VCENTER or LICE_DT_BOTTOM the offset from rect->top to the bottom of
  // the text. Written pixels move towards the text colour by the ink's coverage, alpha towards 255
  // alike; an opaque background fills each line's cell with the background colour, alpha 255.
  int DrawText(LICE_DrawContext& dc, const char32_t* text, int length, LICE_Rect* rect, int flags);

private:
  struct Glyph
  {
    int advanceX = 0, advanceY = 0; // pen movement in 1/64 pixel, y downwards
    int advance = 0;                // whole pixels along the line, for measuring
    int left = 0, top = 0;          // bitmap corner from the pen, y downwards
    int width = 0, rows = 0;
    std::vector<uint8_t> coverage; // rows x width bytes
  };

  LICE_PlatformFont() = default;
  const Glyph* GlyphFor(char32_t code);

  FT_FaceRec_* mFace = nullptr;
  int mAscent = 0;
  int mDescent = 0;
  bool mMono = false;
  bool mEmbolden = false;
  bool mOblique = false;
  bool mRotated = false;
  double mCos = 1.0, mSin = 0.0; // direction of the escapement
  std::unordered_map<char32_t, Glyph> mGlyphs;
  size_t mGlyphBytes = 0;
};
