// The folder browser: the callback's messages and preselection, typed paths checked as folders,
// validation answered both ways, item lists that name deep folders, and Cancel.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <filesystem>
#include <string>
#include <vector>

using lumetra::testlib::TempDir;
using winapi::HeadlessDriver;

namespace {

struct Log {
  std::vector<UINT> messages;
  std::u16string preselect;
  std::u16string selected;
  std::u16string failed;
  int validateAnswer = 0;
};

int CALLBACK recordingCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data) {
  auto* log = reinterpret_cast<Log*>(data);
  log->messages.push_back(message);
  if (message == BFFM_INITIALIZED && !log->preselect.empty()) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(log->preselect.c_str()));
  }
  if (message == BFFM_SELCHANGED) {
    char16_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path);
    log->selected = path;
  }
  if (message == BFFM_VALIDATEFAILEDW) {
    log->failed = reinterpret_cast<LPCWSTR>(lParam);
    return log->validateAnswer;
  }
  return 0;
}

std::u16string pathOf(PIDLIST_ABSOLUTE item) {
  char16_t path[MAX_PATH] = {};
  EXPECT_TRUE(SHGetPathFromIDListW(item, path));
  return path;
}

std::u16string withoutSeparator(std::u16string path) {
  while (path.size() > 3 && path.back() == u'\\') path.pop_back();
  return path;
}

class FolderDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    driver = HeadlessDriver::current();
    ASSERT_NE(driver, nullptr);
    driver->clearAnswers();
    driver->clearShownMessageBoxes();
    std::filesystem::create_directory(dir.file("out"));
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpszTitle = u"Please select the output folder.";
    info.lpfn = recordingCallback;
    info.lParam = reinterpret_cast<LPARAM>(&log);
    info.pszDisplayName = name;
  }
  HeadlessDriver* driver = nullptr;
  TempDir dir;
  Log log;
  BROWSEINFOW info{};
  char16_t name[MAX_PATH] = {};
};

TEST_F(FolderDialogTest, InitializedThenPreselectionThenTheChosenFolder) {
  log.preselect = dir.windowsPath("out");
  driver->scriptFolder(dir.file("out").u16string());  // the user's form
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(pathOf(item), dir.windowsPath("out"));
  EXPECT_EQ(std::u16string(name), u"out");
  ILFree(item);
  ASSERT_GE(log.messages.size(), 2u);
  EXPECT_EQ(log.messages[0], static_cast<UINT>(BFFM_INITIALIZED));
  EXPECT_EQ(log.messages[1], static_cast<UINT>(BFFM_SELCHANGED));
  EXPECT_EQ(log.selected, dir.windowsPath("out"));

  // Cancel, scripted or for want of an answer, chooses nothing.
  driver->scriptCancel();
  EXPECT_EQ(SHBrowseForFolderW(&info), nullptr);
  EXPECT_EQ(SHBrowseForFolderW(&info), nullptr);
}

TEST_F(FolderDialogTest, APathNamingNoFolderIsValidatedOrRefused) {
  // Without BIF_VALIDATE: a message box, and the dialog stays (here: until nobody answers).
  driver->scriptFolder(dir.windowsPath("missing"));
  EXPECT_EQ(SHBrowseForFolderW(&info), nullptr);
  ASSERT_EQ(driver->shownMessageBoxes().size(), 1u);
  EXPECT_NE(driver->shownMessageBoxes()[0].text.find(u"The folder does not exist."), std::u16string::npos);

  info.ulFlags |= BIF_VALIDATE;
  driver->scriptFolder(dir.windowsPath("missing"));
  EXPECT_EQ(SHBrowseForFolderW(&info), nullptr);
  EXPECT_EQ(log.failed, dir.windowsPath("missing"));
  EXPECT_EQ(driver->shownMessageBoxes().size(), 1u);
}

// The dialog run for real: a bad path kept by the callback's non-zero answer, then a good one.
Log* g_log = nullptr;
std::u16string g_good;
int g_tick = 0;

void CALLBACK drive(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindWindowW(u"#32770", u"Browse For Folder");
  if (dialog == nullptr) return;
  HWND field = nullptr;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    char16_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    if (std::u16string(cls) == u"Edit") field = c;
  }
  ASSERT_NE(field, nullptr);
  if (g_tick++ == 0) {
    SetWindowTextW(field, u"no such folder");
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(g_log->failed, u"no such folder");
    SetWindowTextW(field, g_good.c_str());
    HeadlessDriver::current()->key(VK_RETURN, true);
    HeadlessDriver::current()->key(VK_RETURN, false);
  } else if (g_tick > 50) {
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

TEST_F(FolderDialogTest, AValidationAnsweredNonZeroKeepsTheDialog) {
  info.ulFlags |= BIF_VALIDATE;
  log.validateAnswer = 1;
  g_log = &log;
  g_good = dir.file("out").u16string();
  g_tick = 0;
  driver->scriptRun();
  UINT_PTR timer = SetTimer(nullptr, 0, 5, drive);
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  KillTimer(nullptr, timer);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(pathOf(item), dir.windowsPath("out"));
  CoTaskMemFree(item);
  g_log = nullptr;
}

TEST_F(FolderDialogTest, ADeepFolderFitsOnlyALargerBuffer) {
  std::filesystem::path deep = dir.path();
  while (deep.string().size() < 300) deep /= "a-rather-long-folder-name";
  std::filesystem::create_directories(deep);
  driver->scriptFolder(deep.u16string());
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  ASSERT_NE(item, nullptr);
  char16_t small[MAX_PATH] = {u'x'};
  EXPECT_FALSE(SHGetPathFromIDListW(item, small));
  EXPECT_EQ(small[0], 0);
  std::vector<char16_t> large(32768);
  ASSERT_TRUE(SHGetPathFromIDListEx(item, large.data(), static_cast<DWORD>(large.size()), GPFIDL_DEFAULT));
  std::u16string expected = u"Z:" + deep.u16string();
  for (char16_t& c : expected) c = c == u'/' ? u'\\' : c;
  EXPECT_EQ(withoutSeparator(large.data()), expected);
  ILFree(item);
}

}  // namespace
