#pragma once

#include "lice/LICE_IBitmap.h"
#include "lice/LICE_Types.h"

#include <vector>

// Text flags of renderText: the platform's text-format values and two of the engine's own.
enum
{
  LICE_DT_CENTER = 0x1,
  LICE_DT_RIGHT = 0x2,
  LICE_DT_VCENTER = 0x4,
  LICE_DT_BOTTOM = 0x8,
  LICE_DT_SINGLELINE = 0x20,
  LICE_DT_NOCLIP = 0x100,
  LICE_DT_CALCRECT = 0x400, // measure only
  LICE_DT_NOPREFIX = 0x800,
};
constexpr int LICE_TEXT_FOREGROUND_ALPHA = 0x40000000; // weight times foreground alpha / 255
constexpr int LICE_TEXT_CACHED_ONLY = static_cast<int>(0x80000000u); // native only from height 256

// Options of attachFont.
enum
{
  LICE_FONTOPT_ROTATE = 0x1,     // masks turned 90 degrees clockwise, lines top to bottom
  LICE_FONTOPT_ROTATE_CCW = 0x2, // with ROTATE: counter-clockwise, lines bottom to top
  LICE_FONTOPT_PRECACHE = 0x4,   // codes 0..127 rendered at attach; codes above never cached
  LICE_FONTOPT_SOFTEN = 0x10,
  LICE_FONTOPT_INVERT = 0x20,
  LICE_FONTOPT_MONO = 0x40,
  LICE_FONTOPT_SHADOW = 0x80,
  LICE_FONTOPT_OUTLINE = 0x100,
  LICE_FONTOPT_OWNED = 0x200,  // the font deletes its platform font when replaced or destroyed
  LICE_FONTOPT_NATIVE = 0x400, // the platform may draw the text directly
};

// Background modes.
enum
{
  LICE_BKMODE_TRANSPARENT = 1,
  LICE_BKMODE_OPAQUE = 2
};

// The engine's text interface.
class LICE_IFont
{
public:
  virtual ~LICE_IFont() = default;
  virtual void attachFont(LICE_FontHandle font, int options) = 0;
  virtual LICE_Pixel32 setForeground(LICE_Pixel32 colour) = 0;
  virtual LICE_Pixel32 setBackground(LICE_Pixel32 colour) = 0;
  virtual LICE_Pixel32 setEffectColour(LICE_Pixel32 colour) = 0;
  virtual int setBackgroundMode(int mode) = 0;
  virtual void setCombine(int mode, float weight) = 0;
  // Draws (or with LICE_DT_CALCRECT measures into rect) UTF-8 text of length bytes (-1: up to
  // the NUL). bitmap may be null when measuring. Answers the text height drawn or measured.
  virtual int renderText(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect,
                         int flags) = 0;
  virtual LICE_Pixel32 foreground() = 0;
  virtual LICE_FontHandle fontHandle() = 0;
  virtual int textHeight() = 0;
};

// One cached glyph mask.
struct LICE_GlyphEntry
{
  int maskStart = 0; // 1 + byte offset in the mask store; 0 not rendered yet; -1 nothing to draw
  int width = 0, height = 0; // mask size, one byte per pixel
  int advance = 0;           // pixels the pen moves
  int code = 0;              // character code (the sort key of the high entries)
  int leftOverhang = 0;      // mask columns left of the pen position
};

// A platform font with a cache of per-character alpha masks. Opaque text is drawn by the
// platform directly (the native path); translucent text, glyph effects, fonts without
// LICE_FONTOPT_NATIVE and every text under Wine are drawn from the cache. User-interface thread
// only: the scratch bitmaps shared by all fonts are unguarded.
class LICE_CachedFont : public LICE_IFont
{
public:
  LICE_CachedFont();
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void attachFont(LICE_FontHandle font, int options) override;
  LICE_Pixel32 setForeground(LICE_Pixel32 colour) override;
  LICE_Pixel32 setBackground(LICE_Pixel32 colour) override;
  LICE_Pixel32 setEffectColour(LICE_Pixel32 colour) override;
  int setBackgroundMode(int mode) override;
  void setCombine(int mode, float weight) override;
  int renderText(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect,
                 int flags) override;
  LICE_Pixel32 foreground() override { return mForeground; }
  LICE_FontHandle fontHandle() override { return mFont; }
  int textHeight() override { return mTextHeight; }
  // Composites the cached mask of code with its pen position at (x, y), limited to clip and the
  // bitmap. False when the code has no mask or nothing of it is visible. Renders nothing itself.
  virtual bool paintGlyph(LICE_IBitmap* bitmap, int code, int x, int y, const LICE_Rect& clip);

  // Whether the scratch bitmaps shared by all fonts exist: from first use until the last font is
  // destroyed.
  static bool scratchBitmapsExist();

private:
  LICE_GlyphEntry* findEntry(int code);
  LICE_GlyphEntry* glyphFor(int code);
  LICE_GlyphEntry* renderGlyph(int code);
  bool paintEntry(LICE_IBitmap* bitmap, const LICE_GlyphEntry& entry, int x, int y,
                  const LICE_Rect& clip);
  int renderNative(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, int flags);
  int renderCached(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, int flags);
  void measureCached(const char* text, int length, int flags, long long* extentX,
                     long long* extentY);

  LICE_Pixel32 mForeground = 0;
  LICE_Pixel32 mBackground = 0xFFFFFFFF;
  LICE_Pixel32 mEffectColour = 0xFFFFFFFF;
  int mBackgroundMode = LICE_BKMODE_TRANSPARENT;
  int mCombineMode = 0;
  float mWeight = 1.0f;
  int mOptions = 0;
  int mTextHeight = 0;
  int mLineSpacing = 0;
  LICE_GlyphEntry mLowEntries[128] = {};
  std::vector<LICE_GlyphEntry> mHighEntries;
  std::vector<unsigned char> mMaskStore;
  LICE_FontHandle mFont = nullptr;
};

// Platform font creation with the arguments of the platform's font call (Windows CreateFontA):
// height in pixels (above 0 the character cell, ascent + descent; below 0 the em size; 0 a
// default), width 0 for the default, escapement and orientation in tenths of a degree, weight 400
// normal / 700 bold, quality 0 default, 3 non-antialiased, 4 antialiased, 5 ClearType-like, and a
// face name that the platform may substitute. Null when no font can be made. The caller owns the
// font (or hands it to a LICE_CachedFont with LICE_FONTOPT_OWNED); delete it with
// LICE_DeletePlatformFont, never while a device context still has it selected.
struct LICE_FontDescription
{
  int height = 12;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int quality = 0;
  char face[32] = "Verdana";
};
LICE_FontHandle LICE_CreatePlatformFont(const LICE_FontDescription& description);
void LICE_DeletePlatformFont(LICE_FontHandle font);
