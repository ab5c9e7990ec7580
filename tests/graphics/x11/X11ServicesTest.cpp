// What the X11 layer works out without a display: the key map, the text field's editing, the
// command lines and answers of the desktop's dialogs, what may be handed to xdg-open, and the
// folders. The dialogs' clean failure is tested with no dialog program on $PATH.
#include "GraphicsTestSupport.h"
#include "graphics/x11/IGraphicsX11.h"
#include "graphics/x11/LinuxFolders.h"
#include "graphics/x11/X11Dialogs.h"
#include "graphics/x11/X11TextField.h"

#include <X11/keysym.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace graphics_test;
namespace D = X11Dialogs;

namespace
{
// Sets an environment variable for one scope.
class ScopedEnv
{
public:
  ScopedEnv(const char* name, const std::string& value) : mName(name)
  {
    const char* old = std::getenv(name);
    mHad = old != nullptr;
    if (mHad) mOld = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv()
  {
    if (mHad)
      setenv(mName, mOld.c_str(), 1);
    else
      unsetenv(mName);
  }

private:
  const char* mName;
  std::string mOld;
  bool mHad = false;
};

std::string TempFolder()
{
  char folder[] = "/tmp/koru-x11-XXXXXX";
  return mkdtemp(folder) ? folder : "/tmp";
}
} // namespace

TEST(X11KeyMap, SpaceArrowsDigitsAndLettersOnly)
{
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_space), 0);
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_Up), 1);
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_Right), 4);
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_0), 5);
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_9), 14);
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_a), 15);
  EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(XK_Z), 40);
  for (unsigned long other : {XK_KP_0, XK_KP_Up, XK_F5, XK_Return, XK_Tab, XK_adiaeresis})
    EXPECT_EQ(IGraphicsX11::KeyCodeOfKeysym(other), -1) << other;
}

TEST(X11TextFieldModel, FiltersByKindKeepsItsLengthAndEdits)
{
  TestPlug plug;
  IText style;
  X11TextField stepped(style, IRect{0, 0, 50, 20}, "7", 32, plug.Param(1));
  EXPECT_EQ(stepped.Anchor(), 0); // all selected at opening
  EXPECT_EQ(stepped.Caret(), 1);
  EXPECT_TRUE(stepped.Type("12.5"));
  EXPECT_EQ(stepped.Text(), "125");

  X11TextField free(style, IRect{0, 0, 50, 20}, "", 4, nullptr);
  EXPECT_TRUE(free.Type("a\xC3\xA9z\tyq")); // tabs never enter; four characters at most
  EXPECT_EQ(free.Text(), "a\xC3\xA9zy");
  EXPECT_TRUE(free.Edit(X11TextField::kLeft));
  EXPECT_TRUE(free.Edit(X11TextField::kLeft));
  EXPECT_TRUE(free.Edit(X11TextField::kBackspace)); // the two-byte character as one
  EXPECT_EQ(free.Text(), "azy");
  EXPECT_TRUE(free.Edit(X11TextField::kDelete));
  EXPECT_EQ(free.Text(), "ay");
  EXPECT_TRUE(free.Edit(X11TextField::kSelectAll));
  EXPECT_TRUE(free.Type("q"));
  EXPECT_EQ(free.Text(), "q");
  EXPECT_EQ(X11TextField(style, IRect{}, "123456", 32, nullptr).TextLimitedTo(3), "123");
}

TEST(X11Dialogs, CommandLinesAndAnswers)
{
  const auto save = D::FileArguments(D::Tool::kZenity, true, "take.wav", "/home/u", "*.wav;*.aif");
  EXPECT_EQ(save, (std::vector<std::string>{"zenity", "--file-selection", "--save",
                                            "--confirm-overwrite", "--filename=/home/u/take.wav",
                                            "--file-filter=*.wav;*.aif | *.wav *.aif"}));
  const auto open = D::FileArguments(D::Tool::kKdialog, false, "", "/home/u/", "*.wav");
  EXPECT_EQ(open,
            (std::vector<std::string>{"kdialog", "--getopenfilename", "/home/u/", "*.wav|*.wav"}));
  // Texts stay single arguments, markup off.
  const auto alert = D::AlertArguments(D::Tool::kZenity, "<b>x</b> & y", "T", D::kYesNo);
  EXPECT_EQ(alert, (std::vector<std::string>{"zenity", "--question", "--no-markup", "--title=T",
                                             "--text=<b>x</b> & y"}));
  EXPECT_EQ(D::AlertAnswer(D::Tool::kKdialog, D::kYesNoCancel, 2, ""), D::kAnswerCancel);
  EXPECT_EQ(D::AlertAnswer(D::Tool::kZenity, D::kYesNoCancel, 1, "Cancel\n"), D::kAnswerCancel);
  EXPECT_EQ(D::AlertAnswer(D::Tool::kZenity, D::kYesNoCancel, 1, ""), D::kAnswerNo);
  EXPECT_EQ(D::AlertAnswer(D::Tool::kZenity, D::kOk, -1, ""), D::kAnswerNone);

  IColor colour{7, 1, 2, 3};
  EXPECT_TRUE(D::ParseColour("rgb(10,20,30)\n", colour));
  EXPECT_EQ(colour.R + colour.G + colour.B + colour.A, 10 + 20 + 30 + 7);
  EXPECT_TRUE(D::ParseColour("#FF8000", colour));
  EXPECT_EQ(colour.G, 128);
  EXPECT_FALSE(D::ParseColour("rgb(300,0,0)", colour));
  EXPECT_FALSE(D::ParseColour("#12345", colour));

  EXPECT_TRUE(D::IsLaunchableUrl("https://quillmoor.example/koru"));
  EXPECT_TRUE(D::IsLaunchableUrl("mailto:support@quillmoor.example"));
  for (const char* refused :
       {"file:///etc/passwd", "-h", "/usr/bin/xterm", "http://", "", "javascript:x"})
    EXPECT_FALSE(D::IsLaunchableUrl(refused)) << refused;
}

TEST(X11Dialogs, ProgramsRunWithoutAShellAndEveryDialogFailsCleanlyWithoutTools)
{
  std::string output;
  EXPECT_EQ(D::Run({"printf", "%s|", "a b", "$HOME;`x`"}, &output), 0);
  EXPECT_EQ(output, "a b|$HOME;`x`|");
  EXPECT_EQ(D::Run({"koru-no-such-program"}, nullptr), -1);

  TestPlug plug;
  IGraphicsX11 graphics(&plug, 100, 80, 25);
  const ScopedEnv path("PATH", TempFolder());
  EXPECT_EQ(D::FindTool(), D::Tool::kNone);
  EXPECT_EQ(graphics.ShowAlert("text", "caption", D::kOkCancel), 0);
  std::string file = "old.wav", folder = "/tmp";
  graphics.AskForFile(file, 1, folder, "wav");
  EXPECT_EQ(file, "");
  EXPECT_EQ(folder, "/tmp");
  IColor colour{255, 1, 2, 3};
  EXPECT_FALSE(graphics.AskForColour(colour, "Pick"));
  EXPECT_EQ(colour.R, 1);
  EXPECT_FALSE(graphics.LaunchUrl("https://quillmoor.example", "KORU", nullptr, "No browser"));
  std::string text = "x";
  EXPECT_FALSE(graphics.ClipboardText(text)); // no window to receive it
  EXPECT_EQ(text, "");
}

TEST(X11Dialogs, AWebAddressGoesToXdgOpenAsOneArgument)
{
  TestPlug plug;
  IGraphicsX11 graphics(&plug, 100, 80, 25);
  const std::string folder = TempFolder();
  const ScopedEnv path("PATH", folder);
  const std::string opener = folder + "/xdg-open";
  const auto writeOpener = [&](const char* status)
  {
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > " << folder
                          << "/opened\nexit " << status << "\n";
    chmod(opener.c_str(), 0755);
  };
  writeOpener("0");
  EXPECT_TRUE(graphics.LaunchUrl("https://quillmoor.example/a b?x=1;y", "KORU", nullptr, nullptr));
  std::string opened;
  std::getline(std::ifstream(folder + "/opened"), opened);
  EXPECT_EQ(opened, "https://quillmoor.example/a b?x=1;y|1");

  writeOpener("4"); // xdg-open's answer when it found no program for the address
  EXPECT_FALSE(graphics.LaunchUrl("mailto:koru@quillmoor.example", "KORU", nullptr, "No mail"));
  std::remove(opener.c_str());
  std::remove((folder + "/opened").c_str());
  rmdir(folder.c_str());
}

TEST(X11Folders, ProgramModuleDesktopAndData)
{
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  const std::string program(exe, static_cast<size_t>(n));
  const std::string folder = program.substr(0, program.rfind('/') + 1);
  TestPlug plug;
  IGraphicsX11 graphics(&plug, 100, 80, 25);
  std::string out;
  graphics.HostFolder(out);
  EXPECT_EQ(out, folder);
  graphics.PluginFolder(out); // the window layer is linked into this program
  EXPECT_EQ(out, folder);

  EXPECT_EQ(LinuxFolders::UserDirFromConfig(
                "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_MUSIC_DIR=\"/m\"\n",
                "XDG_DESKTOP_DIR", "/home/u"),
            "/home/u/Schreibtisch");
  EXPECT_EQ(LinuxFolders::UserDirFromConfig("XDG_DESKTOP_DIR=\"relative\"\n", "XDG_DESKTOP_DIR",
                                            "/home/u"),
            "");

  const std::string config = TempFolder();
  std::ofstream(config + "/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n";
  const ScopedEnv home("HOME", "/home/u");
  const ScopedEnv xdgConfig("XDG_CONFIG_HOME", config);
  graphics.DesktopFolder(out);
  EXPECT_EQ(out, "/home/u/Bureau");
  {
    const ScopedEnv dataHome("XDG_DATA_HOME", "");
    graphics.UserAppDataFolder(out);
    EXPECT_EQ(out, "/home/u/.local/share");
  }
  const ScopedEnv dataDirs("XDG_DATA_DIRS", "/opt/share:/usr/share");
  graphics.AppDataFolder(out, true);
  EXPECT_EQ(out, "/opt/share");
  const ScopedEnv longHome("HOME", "/" + std::string(300, 'h'));
  const ScopedEnv noConfig("XDG_CONFIG_HOME", "/nonexistent");
  graphics.DesktopFolder(out);
  EXPECT_EQ(out, ""); // refused rather than cut
}
