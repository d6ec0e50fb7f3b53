// The module holder with a real run-time library beside the test and a built-in module.
#include "core/system/win/DllLocater.h"

#include <windows.h>

#include <gtest/gtest.h>

using s::system::win::DllLocater;

TEST(DllLocater, FreesItsModuleOnceOnReset) {
  // The test holds the library once itself, so a second free by the holder would unload it.
  HMODULE own = LoadLibraryW(u"lumetratestmodule.dll");
  ASSERT_NE(own, nullptr) << "the test library is built beside the test";
  DllLocater* holder = DllLocater::take();
  ASSERT_TRUE(holder->load(u"lumetratestmodule.dll"));
  EXPECT_EQ(holder->getModule(), own);
  auto answer = reinterpret_cast<int (*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(holder->getModule(), "lumetraTestAnswer")));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  holder->reset();
  EXPECT_EQ(holder->getModule(), nullptr);
  holder->reset();
  EXPECT_NE(GetModuleHandleW(u"lumetratestmodule.dll"), nullptr)
      << "freed once, still held by the test";
  ASSERT_TRUE(FreeLibrary(own));
  EXPECT_EQ(GetModuleHandleW(u"lumetratestmodule.dll"), nullptr) << "nobody holds it now";
  holder->release();
}

TEST(DllLocater, MissingModuleLeavesItEmpty) {
  DllLocater* holder = DllLocater::take();
  EXPECT_FALSE(holder->load(u"lumetra-no-such-module.dll"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(holder->getModule(), nullptr);
  EXPECT_TRUE(holder->load(u"ntdll.dll")) << "a module the layer provides itself";
  EXPECT_NE(GetProcAddress(holder->getModule(), "NtOpenKey"), nullptr);
  holder->release();
  EXPECT_EQ(DllLocater::take(), holder) << "back from the pool, reset";
  EXPECT_EQ(holder->getModule(), nullptr);
  EXPECT_EQ(std::u16string(holder->getClassName()), u"s_system_win_DllLocater");
  holder->release();
}
