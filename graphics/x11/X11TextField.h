#pragma once
#include "graphics/IGraphicsStructs.h"

#include <string>

class IGraphics;
class IParamSlot;

// The text field the X11 window layer draws inside the editor over a control: one line of UTF-8
// text with a caret, all of it selected when it opens, at most maxLength characters, taking only
// the characters TextEntryAccepts lets through for its parameter. It draws itself into the
// editor's surface with the style's text-entry colours and font; the window decides when it
// commits or cancels.
//
// Threads: the user-interface thread.
class X11TextField
{
public:
  enum EKey
  {
    kBackspace,
    kDelete,
    kLeft,
    kRight,
    kHome,
    kEnd,
    kSelectAll
  };

  X11TextField(const IText& style, const IRect& rect, const char* initialText, int maxLength,
               const IParamSlot* param);

  // Types utf8 at the caret (replacing the selection), character by character, leaving out the
  // characters the field refuses and those past its length. True when the text changed.
  bool Type(const char* utf8);
  // An editing key; true when the text, caret or selection changed.
  bool Edit(EKey key);
  // Puts the caret at the character nearest to x (editor pixels).
  void PlaceCaret(IGraphics& graphics, int x);

  // Fills the field's rectangle of the surface and draws the text, selection and caret.
  void Draw(IGraphics& graphics);

  const std::string& Text() const { return mText; }
  // The text limited to count characters, as the commit reads it.
  std::string TextLimitedTo(int count) const;
  const IRect& Rect() const { return mRect; }
  // Byte offsets; equal when nothing is selected.
  int Caret() const { return mCaret; }
  int Anchor() const { return mAnchor; }

private:
  int TextX(IGraphics& graphics);
  int Width(IGraphics& graphics, int bytes);
  void DeleteSelection();

  IText mStyle;
  IRect mRect;
  std::string mText;
  int mMaxLength;
  const IParamSlot* mParam;
  int mCaret = 0;
  int mAnchor = 0;
};
