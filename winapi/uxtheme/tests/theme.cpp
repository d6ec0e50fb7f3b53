// The visual-styles module: found by name at run time, and reporting that no theme is active.
#include <uxtheme.h>

#include <gtest/gtest.h>

namespace {

template <typename Call>
Call entry(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

TEST(UxTheme, ModuleLoadsByNameAndHasNoActiveTheme) {
  HMODULE module = LoadLibraryW(u"uxtheme.dll");
  ASSERT_NE(module, nullptr);
  auto open = entry<HTHEME(WINAPI*)(HWND, LPCWSTR)>(module, "OpenThemeData");
  auto close = entry<HRESULT(WINAPI*)(HTHEME)>(module, "CloseThemeData");
  auto sysFont = entry<HRESULT(WINAPI*)(HTHEME, int, LOGFONTW*)>(module, "GetThemeSysFont");
  ASSERT_NE(open, nullptr);
  ASSERT_NE(close, nullptr);
  ASSERT_NE(sysFont, nullptr);
  EXPECT_EQ(entry<void*>(module, "DrawThemeBackground"), nullptr);

  SetLastError(0);
  EXPECT_EQ(open(nullptr, u"WINDOW"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  LOGFONTW font{};
  font.lfHeight = 7;
  EXPECT_EQ(sysFont(nullptr, TMT_CAPTIONFONT, &font), E_HANDLE);
  EXPECT_EQ(font.lfHeight, 7) << "a failed read leaves the record alone";
  EXPECT_EQ(close(nullptr), S_OK);
  EXPECT_TRUE(FreeLibrary(module));
}
