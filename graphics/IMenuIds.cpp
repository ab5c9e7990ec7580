#include "graphics/IMenuIds.h"

#include <cstdio>

IMenuIds::IMenuIds(IMenu& top) { Reserve(top); }

void IMenuIds::Reserve(IMenu& menu)
{
  mRanges.push_back(Range{&menu, mCount});
  mCount += menu.NItems();
  for (const auto& item : menu.items)
    if (item->submenu) Reserve(*item->submenu);
}

int IMenuIds::IdOf(const IMenu& menu, int index) const
{
  if (index < 0 || index >= menu.NItems()) return -1;
  for (const Range& range : mRanges)
    if (range.menu == &menu) return range.first + index;
  return -1;
}

IMenu* IMenuIds::Resolve(int id) const
{
  for (const Range& range : mRanges)
  {
    if (id >= range.first && id < range.first + range.menu->NItems())
    {
      range.menu->chosenIndex = id - range.first;
      return range.menu;
    }
  }
  return nullptr;
}

std::string IMenuIds::Label(const IMenu& menu, int index)
{
  if (index < 0 || index >= menu.NItems()) return std::string();
  const std::string& text = menu.items[index]->text;
  const char* format = nullptr;
  switch (menu.prefix)
  {
  case IMenu::kPrefixOneDigit: format = "%1d: "; break;
  case IMenu::kPrefixTwoDigits: format = "%02d: "; break;
  case IMenu::kPrefixThreeDigits: format = "%03d: "; break;
  default: return text;
  }
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, format, index + 1);
  return prefix + text;
}
