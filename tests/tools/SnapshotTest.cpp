// koru-snapshot run as a user runs it: its pictures decoded and held against the editor drawn
// in this process for the same settings, and the bundle's own snapshot.
#include "EditorSnapshot.h"
#include "effect/KORU.h"
#include "lice/LICE_IBitmap.h"
#include "lice/LICE_PNG.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace
{
const std::string kSnapshotTool = KORU_SNAPSHOT_PATH;
const std::string kBundleSnapshot = std::string(KORU_BUNDLE_PATH) +
                                    "/Contents/Resources/Snapshots/"
                                    "F2AEE70D00DE4F4E516C6D724B525531_snapshot.png";

int RunSnapshot(const std::string& arguments)
{
  const int status = std::system((kSnapshotTool + " " + arguments + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The colours of a bitmap, row by row.
std::vector<LICE_Pixel32> Colours(LICE_IBitmap& bitmap)
{
  std::vector<LICE_Pixel32> colours;
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
    for (int x = 0; x < bitmap.pixelWidth(); ++x)
      colours.push_back(LICE_RowPointer(bitmap, y)[x] & 0xFFFFFF);
  return colours;
}

std::vector<LICE_Pixel32> Decoded(const std::string& path)
{
  std::unique_ptr<LICE_IBitmap> picture(LICE_ReadPngFile(path.c_str()));
  if (!picture) return {};
  EXPECT_EQ(picture->pixelWidth(), 150);
  EXPECT_EQ(picture->pixelHeight(), 550);
  return Colours(*picture);
}

std::vector<LICE_Pixel32> DrawnHere(const std::vector<std::pair<std::string, double>>& params,
                                    double gainReduction, double vu)
{
  KORU* koru = new KORU();
  for (const auto& [name, value] : params) EXPECT_TRUE(SetSnapshotParam(*koru, name, value));
  SetSnapshotMeters(*koru, gainReduction, vu);
  std::vector<LICE_Pixel32> colours = Colours(*RenderEditor(*koru));
  koru->release();
  return colours;
}
} // namespace

TEST(SnapshotTool, DrawsTheEditorForTheGivenSettings)
{
  const std::string path = testing::TempDir() + "koru-snapshot-test.png";
  ASSERT_EQ(
      RunSnapshot("--param 'Compressor 1=72' --param 'EQ Bypass 1 = 1' --meters 0.25,0.8 " + path),
      0);
  const std::vector<LICE_Pixel32> picture = Decoded(path);
  ASSERT_EQ(picture.size(), 150u * 550u);
  EXPECT_EQ(picture, DrawnHere({{"Compressor 1", 72.0}, {"EQ Bypass 1", 1.0}}, 0.25, 0.8));
  EXPECT_NE(picture, DrawnHere({}, 0.0, 0.0));
  std::remove(path.c_str());
}

TEST(SnapshotTool, TheBundleCarriesTheEditorAtItsDefaults)
{
  const std::vector<LICE_Pixel32> picture = Decoded(kBundleSnapshot);
  ASSERT_EQ(picture.size(), 150u * 550u);
  EXPECT_EQ(picture, DrawnHere({}, 0.0, 0.0));
}

TEST(SnapshotTool, RefusesWhatItCannotDo)
{
  const std::string path = testing::TempDir() + "koru-snapshot-refused.png";
  EXPECT_EQ(RunSnapshot("--param 'Nothing=1' " + path), 2);
  EXPECT_EQ(RunSnapshot("/nonexistent-folder/x.png"), 1);
  EXPECT_EQ(RunSnapshot("--help"), 0);
}
