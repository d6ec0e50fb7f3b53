// The version query: the layer's version, the threshold flags, and one query for all threads.
#include "platform/system/win/OsVersion.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace ver = s::system::win;

// First in this program, so the threads race for the one query.
TEST(OsVersion, ConcurrentFirstQueriesFillTheValuesOnce) {
  ASSERT_FALSE(ver::osQueried);
  std::vector<std::thread> threads;
  std::vector<int32_t> seen(8, -1);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([i, &seen] {
      if (!ver::osQueried) {
        ver::queryWindowsVersion();
      }
      seen[i] = ver::osBuild;
    });
  }
  for (std::thread& t : threads) {
    t.join();
  }
  for (int32_t build : seen) {
    EXPECT_EQ(build, 7601);
  }
  ver::osServicePack[0] = u'X';  // a second query must not touch the values again
  ver::queryWindowsVersion();
  EXPECT_EQ(ver::osServicePack[0], u'X');
  ver::osServicePack[0] = u'S';
}

TEST(OsVersion, TheLayerReportsWindows7ServicePack1) {
  ver::queryWindowsVersion();
  EXPECT_EQ(ver::osMajor, 6);
  EXPECT_EQ(ver::osMinor, 1);
  EXPECT_EQ(ver::osBuild, 7601);
  EXPECT_TRUE(ver::osIsNt);
  EXPECT_TRUE(ver::osAtLeast60);
  EXPECT_TRUE(ver::osAbove60);
  EXPECT_FALSE(ver::osAtLeast10);
  EXPECT_EQ(std::u16string(ver::osServicePack), u"Service Pack 1");

  OSVERSIONINFOW record;
  ver::getRtlVersion(&record);
  EXPECT_EQ(record.dwOSVersionInfoSize, 276u);
  EXPECT_EQ(record.dwMajorVersion, 6u);
  EXPECT_EQ(record.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
}

TEST(OsVersion, ThresholdFlagsFollowMajorAndMinor) {
  struct Case {
    int32_t major, minor;
    bool atLeast60, above60, atLeast10;
  };
  const Case cases[] = {{5, 1, false, false, false}, {5, 2, false, false, false},
                        {6, 0, true, false, false},  {6, 1, true, true, false},
                        {6, 3, true, true, false},   {10, 0, true, true, true},
                        {7, 0, true, true, false}};
  for (const Case& c : cases) {
    const ver::VersionFlags f = ver::versionFlagsOf(c.major, c.minor);
    EXPECT_EQ(f.atLeast60, c.atLeast60) << c.major << "." << c.minor;
    EXPECT_EQ(f.above60, c.above60) << c.major << "." << c.minor;
    EXPECT_EQ(f.atLeast10, c.atLeast10) << c.major << "." << c.minor;
  }
}
