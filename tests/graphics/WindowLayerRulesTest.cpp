// The rules both window layers share: menu numbering, what a text field accepts and commits, the
// file dialog's filter and the folder of a path.
#include "GraphicsTestSupport.h"
#include "graphics/IDialogText.h"
#include "graphics/IMenuIds.h"
#include "graphics/ITextEntryRules.h"

#include <gtest/gtest.h>

using namespace graphics_test;

TEST(MenuIdsTest, SeparatorsKeepPositionsAndSubmenusNumberDepthFirst)
{
  IMenu top;
  top.AddItem("a");
  top.AddItem("", IMenuItem::kSeparator);
  IMenuItem* sub = top.AddItem("more");
  top.AddItem("b");
  sub->submenu = std::make_unique<IMenu>();
  sub->submenu->AddItem("x");
  IMenuItem* deeper = sub->submenu->AddItem("deeper");
  deeper->submenu = std::make_unique<IMenu>();
  deeper->submenu->AddItem("z");
  sub->submenu->AddItem("y");

  const IMenuIds ids(top);
  EXPECT_EQ(ids.Count(), 8);
  EXPECT_EQ(ids.IdOf(top, 3), 3); // after the separator, still its own position
  EXPECT_EQ(ids.IdOf(*sub->submenu, 0), 4);
  EXPECT_EQ(ids.IdOf(*deeper->submenu, 0), 7);

  EXPECT_EQ(ids.Resolve(3), &top);
  EXPECT_EQ(top.chosenIndex, 3);
  EXPECT_EQ(ids.Resolve(6), sub->submenu.get()); // "y", inside the submenu
  EXPECT_EQ(sub->submenu->chosenIndex, 2);
  EXPECT_EQ(ids.Resolve(7), deeper->submenu.get());
  EXPECT_EQ(ids.Resolve(8), nullptr);
  EXPECT_EQ(ids.Resolve(-1), nullptr);

  IMenu empty;
  EXPECT_EQ(IMenuIds(empty).Resolve(0), nullptr);
}

TEST(MenuIdsTest, PrefixStylesNumberFromOne)
{
  IMenu menu;
  for (const char* text : {"one", "two", "three"}) menu.AddItem(text);
  EXPECT_EQ(IMenuIds::Label(menu, 2), "three");
  menu.prefix = IMenu::kPrefixOneDigit;
  EXPECT_EQ(IMenuIds::Label(menu, 2), "3: three");
  menu.prefix = IMenu::kPrefixTwoDigits;
  EXPECT_EQ(IMenuIds::Label(menu, 2), "03: three");
  menu.prefix = IMenu::kPrefixThreeDigits;
  EXPECT_EQ(IMenuIds::Label(menu, 0), "001: one");
}

TEST(TextEntryRulesTest, CharactersAcceptedByKind)
{
  TestPlug plug;
  const auto typed = [](const IParamSlot* param, const char* keys)
  {
    std::string kept;
    for (const char* k = keys; *k; ++k)
      if (TextEntryAccepts(param, static_cast<unsigned char>(*k))) kept += *k;
    return kept;
  };
  EXPECT_EQ(typed(plug.Param(1), "12.5"), "125"); // stepped: the dot is refused
  EXPECT_EQ(typed(plug.Param(3), "-1a+"), "-1+");
  EXPECT_EQ(typed(plug.Param(0), "-3.5dB"), "-3.5");
  EXPECT_EQ(typed(nullptr, "any text!"), "any text!");
  EXPECT_TRUE(TextEntryAccepts(plug.Param(1), 8)); // backspace
}

TEST(TextEntryRulesTest, CommittedTextBecomesAUserValue)
{
  TestPlug plug;
  EXPECT_DOUBLE_EQ(TextEntryPlainValue(*plug.Param(0), "-6.25"), -6.25);
  EXPECT_DOUBLE_EQ(TextEntryPlainValue(*plug.Param(0), "+3.5xyz"), 3.5);
  EXPECT_DOUBLE_EQ(TextEntryPlainValue(*plug.Param(0), "abc"), 0.0);
  EXPECT_DOUBLE_EQ(TextEntryPlainValue(*plug.Param(3), "Off"), 2.0);
  EXPECT_DOUBLE_EQ(TextEntryPlainValue(*plug.Param(3), "off"), 0.0); // exact comparison
  plug.Param(0)->SetNegateDisplay(true);
  EXPECT_DOUBLE_EQ(TextEntryPlainValue(*plug.Param(0), "6"), -6.0);
  plug.Param(0)->SetNegateDisplay(false);

  TestControl control(&plug, IRect{0, 0, 10, 10}, 0);
  CommitTextEntry(&control, plug.Param(0), "12");
  EXPECT_DOUBLE_EQ(control.GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(plug.Param(0)->Value(), 12.0);
}

TEST(DialogTextTest, FilterFromExtensionsAndFolderOfAPath)
{
  std::string pattern, extension;
  EXPECT_TRUE(FileDialogFilter("wav aif", pattern, extension));
  EXPECT_EQ(pattern, "*.wav;*.aif");
  EXPECT_EQ(extension, "wav");
  EXPECT_TRUE(FileDialogFilter("", pattern, extension));
  EXPECT_EQ(pattern, "");
  EXPECT_FALSE(FileDialogFilter(std::string(130, 'x').c_str(), pattern, extension));
  EXPECT_EQ(pattern, "");
  EXPECT_FALSE(FileDialogFilter("abcdefghijklmnopq png", pattern, extension)); // 17 characters

  EXPECT_EQ(FolderOfPath("C:\\Program Files\\Host\\host.exe", '\\'), "C:\\Program Files\\Host\\");
  EXPECT_EQ(FolderOfPath("/usr/bin/host", '/'), "/usr/bin/");
  EXPECT_EQ(FolderOfPath("host.exe", '\\'), "");
  EXPECT_EQ(FolderOfPath("C:\\Host\\", '\\'), "");
}
