#include "graphics/x11/X11TextField.h"

#include "graphics/IGraphics.h"
#include "graphics/ITextEntryRules.h"
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_Composite.h"

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr LICE_Pixel32 kSelectionColour = LICE_PackPixel(51, 153, 255, 255);
constexpr LICE_Pixel32 kSelectedTextColour = LICE_PackPixel(255, 255, 255, 255);
constexpr int kPadding = 2;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

int CharacterCount(const std::string& text)
{
  int count = 0;
  for (unsigned char c : text)
    if (!IsContinuation(c)) ++count;
  return count;
}

int NextBoundary(const std::string& text, int at)
{
  if (at >= static_cast<int>(text.size())) return static_cast<int>(text.size());
  ++at;
  while (at < static_cast<int>(text.size()) && IsContinuation(text[at])) ++at;
  return at;
}

int PreviousBoundary(const std::string& text, int at)
{
  if (at <= 0) return 0;
  --at;
  while (at > 0 && IsContinuation(text[at])) --at;
  return at;
}

// The code point starting at text[at] and its length in bytes; malformed bytes stand for
// themselves.
unsigned CodePointAt(const char* text, int& length)
{
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  int count = s[0] < 0x80         ? 1
              : (s[0] >> 5) == 6  ? 2
              : (s[0] >> 4) == 14 ? 3
              : (s[0] >> 3) == 30 ? 4
                                  : 1;
  unsigned code = count == 1 ? s[0] : s[0] & (0x7F >> count);
  for (int i = 1; i < count; ++i)
  {
    if (!IsContinuation(s[i]))
    {
      length = 1;
      return s[0];
    }
    code = code << 6 | (s[i] & 0x3F);
  }
  length = count;
  return code;
}
} // namespace

X11TextField::X11TextField(const IText& style, const IRect& rect, const char* initialText,
                           int maxLength, const IParamSlot* param)
  : mStyle(style)
  , mRect(rect)
  , mText(initialText ? initialText : "")
  , mMaxLength(maxLength)
  , mParam(param)
{
  mStyle.cachedFont = nullptr;
  mStyle.color = style.textEntryFGColor;
  if (CharacterCount(mText) > mMaxLength) mText = TextLimitedTo(mMaxLength);
  mAnchor = 0;
  mCaret = static_cast<int>(mText.size());
}

std::string X11TextField::TextLimitedTo(int count) const
{
  int at = 0;
  for (int i = 0; i < count && at < static_cast<int>(mText.size()); ++i)
    at = NextBoundary(mText, at);
  return mText.substr(0, static_cast<size_t>(std::max(at, 0)));
}

void X11TextField::DeleteSelection()
{
  const int from = std::min(mCaret, mAnchor);
  const int to = std::max(mCaret, mAnchor);
  mText.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
  mCaret = mAnchor = from;
}

bool X11TextField::Type(const char* utf8)
{
  if (!utf8) return false;
  bool changed = false;
  for (const char* p = utf8; *p;)
  {
    int length = 1;
    const unsigned code = CodePointAt(p, length);
    const std::string character(p, static_cast<size_t>(length));
    p += length;
    if (code < 0x20 || code == 0x7F || !TextEntryAccepts(mParam, code)) continue;
    if (mCaret != mAnchor)
    {
      DeleteSelection();
      changed = true;
    }
    if (CharacterCount(mText) >= mMaxLength) continue;
    mText.insert(static_cast<size_t>(mCaret), character);
    mCaret += length;
    mAnchor = mCaret;
    changed = true;
  }
  return changed;
}

bool X11TextField::Edit(EKey key)
{
  const int oldCaret = mCaret, oldAnchor = mAnchor;
  const size_t oldSize = mText.size();
  const int end = static_cast<int>(mText.size());
  switch (key)
  {
  case kBackspace:
    if (mCaret == mAnchor) mAnchor = PreviousBoundary(mText, mCaret);
    DeleteSelection();
    break;
  case kDelete:
    if (mCaret == mAnchor) mAnchor = NextBoundary(mText, mCaret);
    DeleteSelection();
    break;
  case kLeft:
    mCaret = mCaret != mAnchor ? std::min(mCaret, mAnchor) : PreviousBoundary(mText, mCaret);
    mAnchor = mCaret;
    break;
  case kRight:
    mCaret = mCaret != mAnchor ? std::max(mCaret, mAnchor) : NextBoundary(mText, mCaret);
    mAnchor = mCaret;
    break;
  case kHome: mCaret = mAnchor = 0; break;
  case kEnd: mCaret = mAnchor = end; break;
  case kSelectAll:
    mAnchor = 0;
    mCaret = end;
    break;
  }
  return mCaret != oldCaret || mAnchor != oldAnchor || mText.size() != oldSize;
}

int X11TextField::Width(IGraphics& graphics, int bytes)
{
  if (bytes <= 0) return 0;
  LICE_CachedFont* font = graphics.FontFor(mStyle);
  if (!font) return 0;
  LICE_Rect r = {0, 0, 0, 0};
  font->renderText(nullptr, mText.c_str(), bytes, &r, LICE_DT_CALCRECT | LICE_DT_NOCLIP);
  return r.right - r.left;
}

int X11TextField::TextX(IGraphics& graphics)
{
  const int inner = mRect.W() - 2 * kPadding;
  const int width = Width(graphics, static_cast<int>(mText.size()));
  int x = mRect.L + kPadding;
  if (width <= inner)
  {
    if (mStyle.align == IText::kAlignFar)
      x = mRect.R - kPadding - width;
    else if (mStyle.align != IText::kAlignNear)
      x = mRect.L + kPadding + (inner - width) / 2;
    return x;
  }
  // Wider than the field: scrolled so that the caret stays inside.
  const int caretX = Width(graphics, mCaret);
  if (caretX > inner) x -= caretX - inner;
  return x;
}

void X11TextField::PlaceCaret(IGraphics& graphics, int x)
{
  const int textX = TextX(graphics);
  int best = 0;
  int bestDistance = std::abs(x - textX);
  for (int at = NextBoundary(mText, 0); at > 0;)
  {
    const int distance = std::abs(x - (textX + Width(graphics, at)));
    if (distance < bestDistance)
    {
      best = at;
      bestDistance = distance;
    }
    if (at >= static_cast<int>(mText.size())) break;
    at = NextBoundary(mText, at);
  }
  mCaret = mAnchor = best;
}

void X11TextField::Draw(IGraphics& graphics)
{
  LICE_IBitmap* surface = graphics.Surface();
  if (!surface) return;
  LICE_FillArea(surface, mRect.L, mRect.T, mRect.W(), mRect.H(), mStyle.textEntryBGColor.ToPixel(),
                1.0f, LICE_OP_COPY);
  LICE_CachedFont* font = graphics.FontFor(mStyle);
  if (!font) return;
  const int textX = TextX(graphics);
  const int textY = mRect.T + (mRect.H() - font->textHeight()) / 2;
  // Text scrolled off to the left starts at the first character that begins inside the field
  // (the drawing clips on the right and at the bottom only).
  int first = 0;
  while (first < static_cast<int>(mText.size()) && textX + Width(graphics, first) < mRect.L)
    first = NextBoundary(mText, first);
  auto draw = [&](int from, int to, LICE_Pixel32 colour)
  {
    from = std::max(from, first);
    if (to <= from) return;
    font->setForeground(colour);
    LICE_Rect at = {textX + Width(graphics, from), textY, mRect.R, mRect.B};
    font->renderText(surface, mText.c_str() + from, to - from, &at, 0);
  };
  const int from = std::min(mCaret, mAnchor);
  const int to = std::max(mCaret, mAnchor);
  draw(0, static_cast<int>(mText.size()), mStyle.textEntryFGColor.ToPixel());
  if (from != to)
  {
    const int x0 = std::max(textX + Width(graphics, from), mRect.L);
    const int x1 = std::min(textX + Width(graphics, to), mRect.R);
    LICE_FillArea(surface, x0, textY, x1 - x0, font->textHeight(), kSelectionColour, 1.0f,
                  LICE_OP_COPY);
    draw(from, to, kSelectedTextColour);
  }
  else
  {
    const int caretX = textX + Width(graphics, mCaret);
    if (caretX >= mRect.L && caretX < mRect.R)
      LICE_FillArea(surface, caretX, textY, 1, font->textHeight(),
                    mStyle.textEntryFGColor.ToPixel(), 1.0f, LICE_OP_COPY);
  }
}
