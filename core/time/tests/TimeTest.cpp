// The wall clock through the layer's clock seam, and the time-zone record.
#include "core/time/TimeZone.h"
#include "core/time/WallClock.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

int64_t s_fileTime = 0;

void WINAPI fixedClock(LPFILETIME time) {
  time->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(s_fileTime));
  time->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(s_fileTime) >> 32);
}

}  // namespace

TEST(WallClock, MillisecondsSince1970Truncated) {
  using s::time::kFileTimeEpochOffset;
  EXPECT_EQ(s::time::toFileTime(0), kFileTimeEpochOffset);
  EXPECT_EQ(s::time::toFileTime(1), kFileTimeEpochOffset + 10000000);
  EXPECT_EQ(s::time::toFileTime(1700000000), 133444736000000000LL);

  winapi::seam::replaceGetSystemTimeAsFileTime(&fixedClock);
  s_fileTime = kFileTimeEpochOffset + 10000;
  EXPECT_EQ(s::time::currentTimeMillis(), 1);
  s_fileTime = kFileTimeEpochOffset + 9999;
  EXPECT_EQ(s::time::currentTimeMillis(), 0);
  s_fileTime = s::time::toFileTime(1700000000) + 1234567;
  EXPECT_EQ(s::time::currentTimeMillis(), 1700000000123LL);
  winapi::seam::replaceGetSystemTimeAsFileTime(nullptr);

  int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
  EXPECT_NEAR(static_cast<double>(s::time::currentTimeMillis()), static_cast<double>(now), 1000.0);
}

TEST(TimeZone, ResetZeroesTheRecordAndFreesItsTexts) {
  s::time::TimeZone* zone = s::time::TimeZone::take();
  zone->setNumber(-60);
  zone->setSmallNumber(3);
  zone->getText(0)->assign(u"W. Europe Standard Time");
  zone->getText(2)->assign(u"x");
  zone->getInformation().Bias = -60;
  zone->getInformation().StandardName[0] = u'W';
  zone->release();
  s::time::TimeZone* again = s::time::TimeZone::take();
  ASSERT_EQ(again, zone) << "the pool hands back the record given back last";
  EXPECT_EQ(again->getNumber(), 0);
  EXPECT_EQ(again->getSmallNumber(), 0);
  for (int i = 0; i < s::time::TimeZone::kTextCount; ++i) {
    EXPECT_EQ(again->getText(i)->getLength(), 0u);
    EXPECT_EQ(again->getText(i)->getCapacity(), 0u) << "the memory is freed too";
  }
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&again->getInformation());
  for (size_t i = 0; i < sizeof(TIME_ZONE_INFORMATION); ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
  EXPECT_EQ(std::u16string(again->getClassName()), u"s_time_TimeZone");
  again->release();
}
