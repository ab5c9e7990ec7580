#pragma once
#include "lice/LICE_Types.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

class LICE_CachedFont;
class LICE_IBitmap;

// Editor rectangle in pixels, origin top left; (x, y) is inside when L <= x < R and T <= y < B.
// Empty only when all four values are 0: a rectangle with R <= L but other values set is not
// empty, and every emptiness test of the editor means exactly this.
struct IRect
{
  int L = 0, T = 0, R = 0, B = 0;

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  bool Contains(int x, int y) const { return L <= x && x < R && T <= y && y < B; }
  // The smallest rectangle holding both; an empty one adds nothing.
  IRect Union(const IRect& other) const
  {
    if (Empty()) return other;
    if (other.Empty()) return *this;
    return IRect{std::min(L, other.L), std::min(T, other.T), std::max(R, other.R),
                 std::max(B, other.B)};
  }
  bool operator==(const IRect& other) const
  {
    return L == other.L && T == other.T && R == other.R && B == other.B;
  }
  bool operator!=(const IRect& other) const { return !(*this == other); }
};

// A colour, each channel 0..255.
struct IColor
{
  int A = 255, R = 0, G = 0, B = 0;

  // 0xAARRGGBB, the image engine's pixel.
  LICE_Pixel32 ToPixel() const { return LICE_PackPixel(R, G, B, A); }
  // R + G * 256 + B * 65536, the platform's colour value.
  unsigned ToPlatform() const
  {
    return static_cast<unsigned>(R & 0xFF) | static_cast<unsigned>(G & 0xFF) << 8 |
           static_cast<unsigned>(B & 0xFF) << 16;
  }
};

// A text style. The cached font is filled on first use and owned by the process-wide font
// cache, never by the style.
struct IText
{
  enum EStyle
  {
    kStyleNormal = 0,
    kStyleBold = 1,
    kStyleItalic = 2
  };
  enum EAlign
  {
    kAlignNear = 0,
    kAlignCenter = 1,
    kAlignFar = 2
  };
  enum EQuality
  {
    kQualityDefault = 0,
    kQualityNonAntiAliased = 1,
    kQualityAntiAliased = 2,
    kQualityClearType = 3
  };
  static constexpr int kFaceSize = 32;

  char face[kFaceSize] = "Verdana";
  int size = 12;
  IColor color{255, 0, 0, 0};
  IColor textEntryBGColor{255, 255, 255, 255};
  IColor textEntryFGColor{255, 0, 0, 0};
  int style = kStyleNormal;
  int align = kAlignCenter;
  int orientation = 0; // degrees
  int quality = kQualityDefault;
  LICE_CachedFont* cachedFont = nullptr;
};

// A cached bitmap with its frame layout. The image belongs to the process-wide bitmap cache;
// it is null when the image could not be loaded (nothing is then drawn from it).
struct IBitmapRef
{
  LICE_IBitmap* image = nullptr;
  int width = 0, height = 0; // the whole image
  int frames = 1;            // at least 1
  bool framesHorizontal = false;

  // Frame size; frames stack top to bottom unless framesHorizontal.
  int FrameWidth() const { return framesHorizontal ? width / Frames() : width; }
  int FrameHeight() const { return framesHorizontal ? height : height / Frames(); }
  int Frames() const { return frames > 1 ? frames : 1; }
};

// Pointer modifiers: left button, right button, shift, control, alt.
struct IMouseMod
{
  bool L = false, R = false, S = false, C = false, A = false;
};

// How a bitmap is composited, and with what weight (1.0 = full).
struct IBlend
{
  enum EType
  {
    BlendAlpha = 0,
    BlendReplace = 1,
    BlendAdd = 2,
    BlendDodge = 3,
  };

  int method = BlendAlpha;
  float weight = 1.0f;
};

struct IMenuItem;

// A popup menu: its entries (owned) and, once the user has chosen, the chosen entry's index.
struct IMenu
{
  enum EPrefix
  {
    kPrefixNone = 0,
    kPrefixOneDigit = 1,    // "%1d: %s"
    kPrefixTwoDigits = 2,   // "%02d: %s"
    kPrefixThreeDigits = 3, // "%03d: %s"
  };

  int prefix = kPrefixNone;
  int chosenIndex = -1;
  std::vector<std::unique_ptr<IMenuItem>> items;

  IMenu() = default;
  IMenu(const IMenu&) = delete;
  IMenu& operator=(const IMenu&) = delete;
  ~IMenu();

  // Appends an entry and answers it (owned by the menu).
  IMenuItem* AddItem(const char* text, int flags = 0);
  int NItems() const { return static_cast<int>(items.size()); }
};

struct IMenuItem
{
  enum EFlags
  {
    kDisabled = 1, // the platform's two disabled looks
    kGreyed = 2,
    kChecked = 4,
    kSeparator = 8
  };

  std::string text;
  std::unique_ptr<IMenu> submenu;
  int flags = 0;
};

inline IMenu::~IMenu() = default;

inline IMenuItem* IMenu::AddItem(const char* text, int flags)
{
  items.push_back(std::make_unique<IMenuItem>());
  IMenuItem* item = items.back().get();
  item->text = text ? text : "";
  item->flags = flags;
  return item;
}
