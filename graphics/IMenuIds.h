#pragma once
#include "graphics/IGraphicsStructs.h"

#include <string>
#include <vector>

// How a window layer numbers the entries of a popup menu, and how a chosen number maps back.
// Counting from 0, a menu reserves one number per item when it is built, then builds its items in
// order; a submenu is built (and reserves its numbers) when its item is reached, so numbers go
// depth first in item order. A separator still uses its number, so the items after it keep their
// positions. The menu must outlive the map and stay unchanged while it is used.
class IMenuIds
{
public:
  explicit IMenuIds(IMenu& top);

  // The number of item index of menu; -1 when menu is not part of the tree or index is outside it.
  int IdOf(const IMenu& menu, int index) const;
  // The menu that covers id, with its chosenIndex set to id's item; null when no menu covers it
  // (a top menu without items covers nothing).
  IMenu* Resolve(int id) const;
  // Numbers reserved in all.
  int Count() const { return mCount; }

  // The label of item index (0-based) of menu: its text, or with the menu's prefix style its
  // 1-based position and the text ("%1d: %s", "%02d: %s", "%03d: %s").
  static std::string Label(const IMenu& menu, int index);

private:
  struct Range
  {
    IMenu* menu;
    int first;
  };
  void Reserve(IMenu& menu);

  std::vector<Range> mRanges; // in the order the numbers were reserved
  int mCount = 0;
};
