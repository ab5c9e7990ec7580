#include "framework/HostKind.h"

#include <gtest/gtest.h>
#include <string>

TEST(IdentifyHost, FragmentsAreFoundInTheLowerCasedName)
{
  EXPECT_EQ(IdentifyHost("CUBASE 12"), kHostCubase);
  EXPECT_EQ(IdentifyHost("REAPER"), kHostReaper);
  EXPECT_EQ(IdentifyHost("Ardour"), kHostArdour);
  EXPECT_EQ(IdentifyHost("Bitwig Studio"), kHostUnknown);
  EXPECT_EQ(IdentifyHost("VST3PluginTestHost"), kHostVST3TestHost);
  EXPECT_EQ(IdentifyHost("Renoise"), kHostRenoise);
}

TEST(IdentifyHost, TableOrderDecidesNotPositionInTheName)
{
  EXPECT_EQ(IdentifyHost("reaper cubase"), kHostCubase);
  EXPECT_EQ(IdentifyHost("PreSonus Live"), kHostAbletonLive);
  EXPECT_EQ(IdentifyHost("delivery station"), kHostAbletonLive);
  EXPECT_EQ(IdentifyHost("Pro Tools"), kHostUnknown);
  EXPECT_EQ(IdentifyHost("ProTools"), kHostProTools);
}

TEST(IdentifyHost, EmptyNullAndOverlongNames)
{
  EXPECT_EQ(IdentifyHost(""), kHostUnknown);
  EXPECT_EQ(IdentifyHost(nullptr), kHostUnknown);
  // Only the first 255 characters are read.
  const std::string tail = std::string(255, 'x') + "reaper";
  EXPECT_EQ(IdentifyHost(tail.c_str()), kHostUnknown);
  const std::string head = std::string(249, 'x') + "reaper";
  EXPECT_EQ(IdentifyHost(head.c_str()), kHostReaper);
}

TEST(IdentifyHost, OnlyAsciiLettersAreLowered)
{
  // A byte above 127 is not a letter here, whatever the locale.
  EXPECT_EQ(IdentifyHost("\xC0rdour"), kHostUnknown);
  EXPECT_EQ(IdentifyHost("ARDOUR 8"), kHostArdour);
}
