// The shell functions: the program's path, opening through the seam, item id lists and the
// shutdown privilege.
#include "core/system/win/Shell.h"

#include "core/file/win/PathWin.h"
#include "core/file/win/Shortcuts.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <unistd.h>
#include <string>

namespace {

using s::file::win::PathWin;

}  // namespace

TEST(ShellFunctions, ModulePathIsTheRunningProgram) {
  s::thread::Pooled<PathWin> self(s::system::win::getModulePath());
  ASSERT_TRUE(self->exists());
  EXPECT_EQ(std::u16string(self->getFileName()), u"core_system_win_tests");
}

TEST(ShellFunctions, OpenAndPropertiesGoThroughShellExecute) {
  static std::u16string s_seen;
  static BOOL s_answer;
  s_seen.clear();
  s_answer = TRUE;
  auto previous = winapi::seam::replaceShellExecuteExW([](SHELLEXECUTEINFOW* info) -> BOOL {
    s_seen += std::u16string(info->lpVerb) + u" " + info->lpFile + u" " + info->lpParameters +
              u" " + (info->nShow == SW_SHOW ? u"show" : u"?") + u";";
    return s_answer;
  });
  EXPECT_TRUE(s::system::win::shellOpen(u"https://example.org/"));
  s_answer = FALSE;
  EXPECT_FALSE(s::system::win::shellOpen(u"Z:\\x"));
  EXPECT_FALSE(s::system::win::showProperties(u"Z:\\x")) << "a sheet the shell refused";
  s_answer = TRUE;
  EXPECT_TRUE(s::system::win::showProperties(u"Z:\\y"));
  EXPECT_FALSE(s::system::win::shellOpen(u"")) << "an empty address opens nothing";
  EXPECT_FALSE(s::system::win::shellOpen(nullptr));
  winapi::seam::replaceShellExecuteExW(previous);
  EXPECT_EQ(s_seen,
            u"open https://example.org/  show;open Z:\\x  show;properties Z:\\x  show;"
            u"properties Z:\\y  show;");
}

TEST(ShellFunctions, IdListsAndMultiFileProperties) {
  ITEMIDLIST* list = nullptr;
  EXPECT_FALSE(s::system::win::pathToIdList(u"", &list));
  EXPECT_FALSE(s::system::win::pathToIdList(u"Z:\\tmp", nullptr));
  ASSERT_TRUE(s::system::win::pathToIdList(u"Z:\\no such folder", &list));
  WCHAR back[MAX_PATH];
  EXPECT_TRUE(SHGetPathFromIDListW(list, back));
  EXPECT_EQ(std::u16string(back), u"Z:\\no such folder");
  ILFree(list);
  const WCHAR* paths[] = {u"Z:\\tmp", u""};
  EXPECT_FALSE(s::system::win::showMultiFileProperties(2, paths)) << "no Properties sheet here";
  EXPECT_FALSE(s::system::win::showMultiFileProperties(0, nullptr));
}

TEST(ShellFunctions, ShutdownPrivilegeIsAskedForOnce) {
  static int s_calls = 0;
  auto previous = winapi::seam::replaceAdjustTokenPrivileges(
      [](HANDLE, BOOL, PTOKEN_PRIVILEGES state, DWORD, PTOKEN_PRIVILEGES, PDWORD) -> BOOL {
        ++s_calls;
        EXPECT_EQ(state->PrivilegeCount, 1u);
        EXPECT_EQ(state->Privileges[0].Luid.LowPart, 19u);
        EXPECT_EQ(state->Privileges[0].Attributes, static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
        return TRUE;
      });
  s::system::win::enableShutdownPrivilege();
  s::system::win::enableShutdownPrivilege();
  winapi::seam::replaceAdjustTokenPrivileges(previous);
  EXPECT_EQ(s_calls, 1);
}

TEST(ShellFunctions, DesktopPathComesFromTheTestHome) {
  s::thread::Pooled<s::str::strbuffer::StrBuffer> desktop(s::file::win::getDesktopPath());
  // Tests run with HOME in the build tree and no user-dirs.dirs there.
  EXPECT_TRUE(desktop->endsWith(u"\\test-home\\Desktop"));
  EXPECT_TRUE(s::file::win::getDesktopPathCached()->equals(desktop.get()));
}
