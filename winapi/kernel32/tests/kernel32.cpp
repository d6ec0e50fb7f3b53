// Conformance of the kernel base: type sizes, critical sections, last error, clocks.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <thread>

TEST(WindowsTypes, HaveTheSizesOf64BitWindows) {
  EXPECT_EQ(sizeof(WCHAR), 2u);
  EXPECT_EQ(sizeof(BYTE), 1u);
  EXPECT_EQ(sizeof(WORD), 2u);
  EXPECT_EQ(sizeof(LONG), 4u);
  EXPECT_EQ(sizeof(ULONG), 4u);
  EXPECT_EQ(sizeof(DWORD), 4u);
  EXPECT_EQ(sizeof(BOOL), 4u);
  EXPECT_EQ(sizeof(INT_PTR), 8u);
  EXPECT_EQ(sizeof(UINT_PTR), 8u);
  EXPECT_EQ(sizeof(LONG_PTR), 8u);
  EXPECT_EQ(sizeof(ULONG_PTR), 8u);
  EXPECT_EQ(sizeof(DWORD_PTR), 8u);
  EXPECT_EQ(sizeof(SIZE_T), 8u);
  EXPECT_EQ(sizeof(WPARAM), 8u);
  EXPECT_EQ(sizeof(LPARAM), 8u);
  EXPECT_EQ(sizeof(LRESULT), 8u);
  EXPECT_EQ(sizeof(HANDLE), 8u);
  EXPECT_EQ(sizeof(LARGE_INTEGER), 8u);
  EXPECT_EQ(sizeof(CRITICAL_SECTION), 40u);
  EXPECT_EQ(sizeof(FILETIME), 8u);
  EXPECT_EQ(sizeof(SYSTEMTIME), 16u);
}

TEST(WindowsTypes, StructuresKeepTheirFieldOffsets) {
  EXPECT_EQ(sizeof(RECT), 16u);
  EXPECT_EQ(offsetof(RECT, right), 8u);
  EXPECT_EQ(sizeof(POINT), 8u);
  EXPECT_EQ(offsetof(LARGE_INTEGER, HighPart), 4u);
  EXPECT_EQ(offsetof(SYSTEMTIME, wMilliseconds), 14u);
  EXPECT_EQ(sizeof(TIME_ZONE_INFORMATION), 172u);
  EXPECT_EQ(offsetof(TIME_ZONE_INFORMATION, DaylightName), 88u);
  EXPECT_EQ(offsetof(TIME_ZONE_INFORMATION, DaylightBias), 168u);
  EXPECT_EQ(sizeof(WIN32_FIND_DATAW), 592u);
  EXPECT_EQ(offsetof(WIN32_FIND_DATAW, cFileName), 44u);
  EXPECT_EQ(sizeof(BY_HANDLE_FILE_INFORMATION), 52u);
  EXPECT_EQ(sizeof(WIN32_FILE_ATTRIBUTE_DATA), 36u);
  EXPECT_EQ(sizeof(OVERLAPPED), 32u);
  EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), 24u);
  EXPECT_EQ(offsetof(FILE_RENAME_INFO, RootDirectory), 8u);
  EXPECT_EQ(offsetof(FILE_RENAME_INFO, FileNameLength), 16u);
  EXPECT_EQ(offsetof(FILE_RENAME_INFO, FileName), 20u);
  EXPECT_EQ(static_cast<int>(FileRenameInfo), 3);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // the owner may enter again
  BOOL otherGotIt = TRUE;
  std::thread other([&] { otherGotIt = TryEnterCriticalSection(&cs); });
  other.join();
  EXPECT_FALSE(otherGotIt);
  LeaveCriticalSection(&cs);
  std::thread stillHeld([&] { otherGotIt = TryEnterCriticalSection(&cs); });
  stillHeld.join();
  EXPECT_FALSE(otherGotIt) << "one leave of two enters must keep the section owned";
  LeaveCriticalSection(&cs);
  std::thread free([&] {
    otherGotIt = TryEnterCriticalSection(&cs);
    if (otherGotIt) LeaveCriticalSection(&cs);
  });
  free.join();
  EXPECT_TRUE(otherGotIt);
  DeleteCriticalSection(&cs);
}

TEST(CriticalSection, SerialisesIncrementsFromManyThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  long counter = 0;
  std::thread threads[4];
  for (auto& t : threads) {
    t = std::thread([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&cs);
        ++counter;
        LeaveCriticalSection(&cs);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
  DeleteCriticalSection(&cs);
}

TEST(LastError, IsKeptPerThread) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  DWORD seenByOther = 1234;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_EQ(seenByOther, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Interlocked, ReturnsTheValuesWindowsReturns) {
  LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 3), 9);
  EXPECT_EQ(InterlockedCompareExchange(&v, 100, 12), 12);
  EXPECT_EQ(v, 100);
  EXPECT_EQ(InterlockedCompareExchange(&v, 7, 12), 100);
  EXPECT_EQ(v, 100);
}

TEST(Clock, TickCountIsTheSystemsMillisecondsSinceItStarted) {
  // The monotonic clock counts from the system's start, as the tick count does on Windows.
  auto monotonicMs = [] {
    return static_cast<ULONGLONG>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
  };
  const ULONGLONG before = monotonicMs();
  const ULONGLONG ticks = GetTickCount64();
  const ULONGLONG after = monotonicMs();
  EXPECT_GE(ticks, before);
  EXPECT_LE(ticks, after);
  // The low 32 bits of the same count (moved on by at most the moment between the calls).
  const DWORD low = GetTickCount();
  EXPECT_LT(static_cast<DWORD>(low - static_cast<DWORD>(ticks)), 1000u);
}

TEST(Clock, FileTimeAndSystemTimeRoundTrip) {
  SYSTEMTIME st{2024, 2, 0, 29, 13, 45, 7, 250};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  SYSTEMTIME back;
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wYear, 2024);
  EXPECT_EQ(back.wMonth, 2);
  EXPECT_EQ(back.wDay, 29);
  EXPECT_EQ(back.wDayOfWeek, 4);  // a Thursday
  EXPECT_EQ(back.wHour, 13);
  EXPECT_EQ(back.wMinute, 45);
  EXPECT_EQ(back.wSecond, 7);
  EXPECT_EQ(back.wMilliseconds, 250);

  SYSTEMTIME epoch{1970, 1, 0, 1, 0, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToFileTime(&epoch, &ft));
  ULONGLONG value = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  EXPECT_EQ(value, 116444736000000000ULL);

  SYSTEMTIME impossible{2023, 2, 0, 30, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&impossible, &ft));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
