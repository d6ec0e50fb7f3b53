// The open and save dialogs on real temporary folders: scripted choices through the dialog's own
// checks, the result buffers in Windows' formats, the hook's notifications and CDM_* answers, and
// a dialog run for real and driven by messages and keys.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"
#include "winapi/comdlg32/Browsing.h"
#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/Locale.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using lumetra::testlib::TempDir;
using winapi::HeadlessDriver;
using winapi::testsupport::Locale;

namespace {

void touch(const std::filesystem::path& path) { std::ofstream(path) << "x"; }

// The text of a buffer up to its first NUL, and the list of texts up to a double NUL.
std::vector<std::u16string> texts(const char16_t* buffer) {
  std::vector<std::u16string> out;
  while (*buffer != 0) {
    out.emplace_back(buffer);
    buffer += out.back().size() + 1;
  }
  return out;
}

struct Dialog {
  OPENFILENAMEW ofn{};
  std::vector<char16_t> file = std::vector<char16_t>(4096, u'\0');
  explicit Dialog(DWORD flags) {
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = flags;
  }
};

std::u16string windowText(HWND hwnd) {
  char16_t buffer[1024] = {};
  GetWindowTextW(hwnd, buffer, 1024);
  return buffer;
}

class FileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    driver = HeadlessDriver::current();
    ASSERT_NE(driver, nullptr);
    driver->clearAnswers();
    driver->clearShownMessageBoxes();
    std::filesystem::create_directory(dir.file("Beta"));
    std::filesystem::create_directory(dir.file("alpha"));
    touch(dir.file("a.MP3"));
    touch(dir.file("b.wav"));
    touch(dir.file("c.txt"));
    touch(dir.file(".hidden.mp3"));
  }
  HeadlessDriver* driver = nullptr;
  TempDir dir;
};

TEST_F(FileDialogTest, OneScriptedFileComesBackAsItsFullPathWithOffsets) {
  EXPECT_EQ(sizeof(OPENFILENAMEW), 152u);
  EXPECT_EQ(sizeof(CHOOSECOLORW), 72u);
  for (const std::u16string& typed : {dir.windowsPath("b.wav"), std::u16string(dir.file("b.wav").u16string())}) {
    Dialog d(OFN_FILEMUSTEXIST | OFN_EXPLORER);
    driver->scriptFiles({typed});
    ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    const std::u16string path = dir.windowsPath("b.wav");
    EXPECT_EQ(std::u16string(d.file.data()), path);
    EXPECT_EQ(d.ofn.nFileOffset, path.size() - 5);
    EXPECT_EQ(d.ofn.nFileExtension, path.size() - 3);
  }
}

TEST_F(FileDialogTest, SeveralFilesComeAsTheFolderAndTheNames) {
  Dialog d(OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST);
  driver->scriptFiles({dir.windowsPath("a.MP3"), dir.windowsPath("b.wav"), dir.windowsPath("c.txt")});
  ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
  const std::u16string folder = dir.windowsPath("");
  std::vector<std::u16string> parts = texts(d.file.data());
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0] + u"\\", folder);
  EXPECT_EQ(parts[1], u"a.MP3");
  EXPECT_EQ(parts[3], u"c.txt");
  EXPECT_EQ(d.ofn.nFileOffset, parts[0].size() + 1);
  EXPECT_EQ(d.ofn.nFileExtension, 0);

  // Files of two folders are refused, and a missing one is not found.
  driver->scriptFiles({dir.windowsPath("a.MP3"), dir.windowsPath("Beta\\x.mp3")});
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  driver->scriptFiles({dir.windowsPath("a.MP3"), dir.windowsPath("none.mp3")});
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  std::vector<winapi::ShownMessageBox> boxes = driver->shownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, u"none.mp3\nFile not found.");
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(FileDialogTest, ATooSmallBufferFailsWithTheSizeNeeded) {
  Dialog d(OFN_EXPLORER);
  d.ofn.nMaxFile = 8;
  driver->scriptFiles({dir.windowsPath("b.wav")});
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  EXPECT_EQ(d.file[0], dir.windowsPath("b.wav").size() + 1);

  d.ofn.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  d.ofn.lStructSize = sizeof d.ofn;
  // No answer: cancelled at once.
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(FileDialogTest, TheChecksOfPathsNamesAndReplacing) {
  Dialog d(OFN_PATHMUSTEXIST | OFN_EXPLORER);
  driver->scriptFiles({dir.windowsPath("nowhere\\x.mp3")});
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  ASSERT_EQ(driver->shownMessageBoxes().size(), 1u);
  EXPECT_NE(driver->shownMessageBoxes()[0].text.find(u"The path does not exist."), std::u16string::npos);

  // A save dialog adds the default extension and asks before replacing; No stays.
  Dialog save(OFN_OVERWRITEPROMPT | OFN_EXPLORER);
  save.ofn.lpstrDefExt = u"wav";
  driver->scriptFiles({dir.windowsPath("song")});
  ASSERT_TRUE(GetSaveFileNameW(&save.ofn));
  EXPECT_EQ(std::u16string(save.file.data()), dir.windowsPath("song.wav"));
  driver->clearShownMessageBoxes();
  driver->scriptFiles({dir.windowsPath("b")});
  EXPECT_FALSE(GetSaveFileNameW(&save.ofn));
  ASSERT_EQ(driver->shownMessageBoxes().size(), 1u);
  EXPECT_EQ(driver->shownMessageBoxes()[0].text, u"b.wav already exists. Do you want to replace it?");
  EXPECT_EQ(driver->shownMessageBoxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
  driver->scriptFiles({dir.windowsPath("b")});
  driver->scriptButton(IDYES);
  ASSERT_TRUE(GetSaveFileNameW(&save.ofn));
  EXPECT_EQ(std::u16string(save.file.data()), dir.windowsPath("b.wav"));
}

TEST_F(FileDialogTest, ALinkIsFollowedUnlessAskedNotTo) {
  std::filesystem::create_symlink(dir.file("Beta"), dir.file("Gamma"));
  touch(dir.file("Beta/t.mp3"));
  std::filesystem::create_symlink(dir.file("Beta/t.mp3"), dir.file("link.mp3"));
  Dialog d(OFN_EXPLORER | OFN_FILEMUSTEXIST);
  driver->scriptFiles({dir.windowsPath("link.mp3")});
  ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
  EXPECT_EQ(std::u16string(d.file.data()), dir.windowsPath("Beta\\t.mp3"));  // the target's own path
  d.ofn.Flags |= OFN_NODEREFERENCELINKS;
  driver->scriptFiles({dir.windowsPath("link.mp3")});
  ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
  EXPECT_EQ(std::u16string(d.file.data()), dir.windowsPath("link.mp3"));
}

// A hook that records its notifications and asks the dialog for its folder and file.
struct HookLog {
  std::vector<UINT> codes;
  std::u16string folder;
  std::u16string file;
  bool refuse = false;
};
HookLog* g_log = nullptr;

UINT_PTR CALLBACK recordingHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    g_log->codes.push_back(0);
    EXPECT_NE(reinterpret_cast<OPENFILENAMEW*>(lParam), nullptr);
    return TRUE;
  }
  if (message != WM_NOTIFY) return FALSE;
  const auto* note = reinterpret_cast<const OFNOTIFYW*>(lParam);
  g_log->codes.push_back(note->hdr.code);
  HWND dialog = GetParent(hook);
  char16_t buffer[1024] = {};
  if (note->hdr.code == CDN_INITDONE) {
    LRESULT size = SendMessageW(dialog, CDM_GETFOLDERPATH, 1024, reinterpret_cast<LPARAM>(buffer));
    g_log->folder = buffer;
    EXPECT_EQ(static_cast<size_t>(size), g_log->folder.size() + 1);
  }
  if (note->hdr.code == CDN_FILEOK) {
    SendMessageW(dialog, CDM_GETFILEPATH, 1024, reinterpret_cast<LPARAM>(buffer));
    g_log->file = buffer;
    SetWindowLongPtrW(hook, DWLP_MSGRESULT, g_log->refuse ? 1 : 0);
    return TRUE;
  }
  return FALSE;
}

TEST_F(FileDialogTest, TheHookHearsTheDialogAndMayRefuseTheChoice) {
  HookLog log;
  g_log = &log;
  Dialog d(OFN_EXPLORER | OFN_ENABLEHOOK);
  d.ofn.lpfnHook = recordingHook;
  std::u16string initial = dir.windowsPath("Beta");
  std::copy(initial.begin(), initial.end(), d.file.begin());
  driver->scriptFiles({dir.windowsPath("c.txt")});
  ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
  ASSERT_GE(log.codes.size(), 3u);
  EXPECT_EQ(log.codes[0], 0u);
  EXPECT_EQ(log.codes[1], static_cast<UINT>(CDN_INITDONE));
  EXPECT_EQ(log.codes.back(), static_cast<UINT>(CDN_FILEOK));
  // The name in lpstrFile had a folder: the dialog opened there.
  std::u16string folder = dir.windowsPath("");
  folder.pop_back();
  EXPECT_EQ(log.folder, folder);
  EXPECT_EQ(log.file, dir.windowsPath("c.txt"));

  log.refuse = true;
  driver->scriptFiles({dir.windowsPath("c.txt")});
  EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
  g_log = nullptr;
}

// Steps of a dialog run for real, one per timer tick, so the dialog handles each in between.
std::vector<void (*)(HWND)>* g_steps = nullptr;
size_t g_step = 0;

void CALLBACK nextStep(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowW(u"#32770", nullptr);
  if (dialog == nullptr) return;
  if (g_step >= g_steps->size()) {
    KillTimer(nullptr, id);
    return;
  }
  (*g_steps)[g_step++](dialog);
}

std::u16string g_folder;
LRESULT g_count = 0;

TEST_F(FileDialogTest, ARunDialogListsFiltersAndNavigates) {
  static TempDir* folder = &dir;
  std::vector<void (*)(HWND)> steps = {
      [](HWND dialog) {
        // Folders first, then the files that match "*.mp3;*.wav" ignoring case; no
        // hidden names.
        g_count = SendDlgItemMessageW(dialog, 1120, LB_GETCOUNT, 0, 0);
        g_folder = windowText(GetDlgItem(dialog, 1137));
        // A typed pattern becomes the filter.
        SetDlgItemTextW(dialog, 1148, u"*.txt");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(SendDlgItemMessageW(dialog, 1120, LB_GETCOUNT, 0, 0), 3);
        // A typed folder in the Windows form opens.
        SetDlgItemTextW(dialog, 1148, folder->windowsPath("Beta").c_str());
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(windowText(GetDlgItem(dialog, 1137)), folder->file("Beta").u16string());
        EXPECT_EQ(SendDlgItemMessageW(dialog, 1120, LB_GETCOUNT, 0, 0), 0);
        // Backspace in the list goes up.
        SetFocus(GetDlgItem(dialog, 1120));
        SendDlgItemMessageW(dialog, 1120, WM_KEYDOWN, VK_BACK, 0);
        EXPECT_EQ(windowText(GetDlgItem(dialog, 1137)), folder->path().u16string());
        // A double-click opens a folder, and Up goes back.
        SendDlgItemMessageW(dialog, 1120, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 18 + 5));
        EXPECT_EQ(windowText(GetDlgItem(dialog, 1137)), folder->file("Beta").u16string());
        SendMessageW(dialog, WM_COMMAND, 1138, 0);
        EXPECT_EQ(windowText(GetDlgItem(dialog, 1137)), folder->path().u16string());
        // Back to the first filter, where type-ahead finds "b.wav".
        SendDlgItemMessageW(dialog, 1136, CB_SETCURSEL, 0, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1136)));
        // "B" finds the folder Beta first, and once more the file b.wav.
        SendDlgItemMessageW(dialog, 1120, WM_CHAR, u'B', 0);
        EXPECT_EQ(windowText(GetDlgItem(dialog, 1148)), u"");
        SendDlgItemMessageW(dialog, 1120, WM_CHAR, u'b', 0);
        EXPECT_EQ(windowText(GetDlgItem(dialog, 1148)), u"b.wav");
      },
      [](HWND) {
        // Enter chooses the name in the field.
        HeadlessDriver::current()->key(VK_RETURN, true);
        HeadlessDriver::current()->key(VK_RETURN, false);
      },
      // Whatever went wrong, the dialog ends.
      [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }};
  g_steps = &steps;
  g_step = 0;
  Dialog d(OFN_EXPLORER | OFN_FILEMUSTEXIST);
  d.ofn.lpstrFilter = u"Audio\0*.mp3;*.WAV\0Text\0*.txt\0";
  d.ofn.nFilterIndex = 1;
  const std::u16string initial = dir.windowsPath("");
  d.ofn.lpstrInitialDir = initial.c_str();
  driver->scriptRun();
  UINT_PTR timer = SetTimer(nullptr, 0, 5, nextStep);
  ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
  KillTimer(nullptr, timer);
  EXPECT_EQ(g_count, 4);  // alpha, Beta, a.MP3, b.wav
  EXPECT_EQ(g_folder, dir.path().u16string());
  EXPECT_EQ(std::u16string(d.file.data()), dir.windowsPath("b.wav"));
  EXPECT_EQ(d.ofn.nFilterIndex, 1u);
  g_steps = nullptr;
}

LPARAM rowPoint(int row) { return MAKELPARAM(5, row * 18 + 5); }

TEST_F(FileDialogTest, SeveralFilesAreChosenInTheListWithShiftCtrlAndCtrlA) {
  static std::u16string afterClick, afterCtrlClick, afterShiftClick;
  static LRESULT shiftCount = 0, allCount = 0;
  std::vector<void (*)(HWND)> steps = {[](HWND dialog) {
                                         HWND list = GetDlgItem(dialog, 1120);
                                         SetFocus(list);
                                         // Rows: alpha, Beta, a.MP3, b.wav, c.txt.
                                         SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, rowPoint(2));
                                         afterClick = windowText(GetDlgItem(dialog, 1148));
                                         SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, rowPoint(4));
                                         afterCtrlClick = windowText(GetDlgItem(dialog, 1148));
                                         SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, rowPoint(3));
                                         afterShiftClick = windowText(GetDlgItem(dialog, 1148));
                                         shiftCount = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
                                         HeadlessDriver::current()->key(VK_CONTROL, true);
                                         HeadlessDriver::current()->key('A', true, 1);
                                         HeadlessDriver::current()->key('A', false);
                                       },
                                       [](HWND dialog) {
                                         // Ctrl is let go once the dialog has read the key with it.
                                         HeadlessDriver::current()->key(VK_CONTROL, false);
                                         allCount = SendDlgItemMessageW(dialog, 1120, LB_GETSELCOUNT, 0, 0);
                                         HeadlessDriver::current()->key(VK_RETURN, true);
                                         HeadlessDriver::current()->key(VK_RETURN, false);
                                       },
                                       [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }};
  g_steps = &steps;
  g_step = 0;
  Dialog d(OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
  const std::u16string initial = dir.windowsPath("");
  d.ofn.lpstrInitialDir = initial.c_str();
  driver->scriptRun();
  UINT_PTR timer = SetTimer(nullptr, 0, 5, nextStep);
  ASSERT_TRUE(GetOpenFileNameW(&d.ofn));
  KillTimer(nullptr, timer);
  EXPECT_EQ(afterClick, u"a.MP3");
  EXPECT_EQ(afterCtrlClick, u"\"a.MP3\" \"c.txt\"");
  EXPECT_EQ(afterShiftClick, u"\"b.wav\" \"c.txt\"");
  EXPECT_EQ(shiftCount, 2);
  EXPECT_EQ(allCount, 5);
  // The folders were selected too, but only files are chosen.
  std::vector<std::u16string> parts = texts(d.file.data());
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[1], u"a.MP3");
  EXPECT_EQ(parts[2], u"b.wav");
  EXPECT_EQ(parts[3], u"c.txt");
  g_steps = nullptr;
}

TEST(DialogWords, EveryLanguageHasEveryTextWithItsMnemonicAndPlaceholder) {
  for (const std::string& problem : winapi::dialogs::textProblems()) ADD_FAILURE() << problem;
}

std::u16string g_caption;

void CALLBACK readWords(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowW(u"#32770", nullptr);
  if (dialog == nullptr) return;
  KillTimer(nullptr, id);
  g_caption = windowText(dialog);
  SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST(DialogWords, TheDialogsSpeakTheInterfaceLanguage) {
  const std::pair<const char*, std::u16string> cases[] = {{"de_DE.UTF-8", u"Öffnen"},
                                                          {"pt_BR.UTF-8", u"Abrir"},
                                                          {"ja_JP.UTF-8", u"開く"},
                                                          {"sr_RS.UTF-8@latin", u"Otvori"},
                                                          {"C", u"Open"},
                                                          {"xx_YY.UTF-8", u"Open"}};
  for (const auto& [locale, caption] : cases) {
    Locale scoped(locale);
    Dialog d(OFN_EXPLORER);
    HeadlessDriver::current()->scriptRun();
    SetTimer(nullptr, 0, 5, readWords);
    EXPECT_FALSE(GetOpenFileNameW(&d.ofn));
    EXPECT_EQ(g_caption, caption) << locale;
  }
  Locale german("de_DE.UTF-8");
  EXPECT_EQ(std::u16string(winapi::dialogs::text(winapi::dialogs::Text::DefineCustomColors)), u"&Farben definieren >>");
}

TEST(ColourDialog, TakesAScriptedColourAndCancelLeavesTheResult) {
  HeadlessDriver* driver = HeadlessDriver::current();
  driver->clearAnswers();
  COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.lpCustColors = custom;
  cc.rgbResult = RGB(1, 2, 3);
  EXPECT_FALSE(ChooseColorW(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(1, 2, 3));
  driver->scriptColour(RGB(10, 20, 30));
  ASSERT_TRUE(ChooseColorW(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(10, 20, 30));
  cc.lStructSize = 4;
  EXPECT_FALSE(ChooseColorW(&cc));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
}

TEST(ColourDialog, TheFullPartKeepsItsEditsInStepAndAddsCustomColours) {
  HeadlessDriver* driver = HeadlessDriver::current();
  driver->clearAnswers();
  static std::u16string read[6];
  std::vector<void (*)(HWND)> steps = {[](HWND dialog) {
    for (int i = 0; i < 6; ++i) read[i] = windowText(GetDlgItem(dialog, 0x2BF + i));
    // Green typed: the colour and the hue, saturation and luminance follow.
    SetDlgItemTextW(dialog, 0x2C3, u"255");
    EXPECT_EQ(windowText(GetDlgItem(dialog, 0x2BF)), u"40");
    EXPECT_EQ(windowText(GetDlgItem(dialog, 0x2C1)), u"120");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x2C8, BN_CLICKED), 0);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  }};
  g_steps = &steps;
  g_step = 0;
  COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.lpCustColors = custom;
  cc.rgbResult = RGB(255, 0, 0);
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  driver->scriptRun();
  UINT_PTR timer = SetTimer(nullptr, 0, 5, nextStep);
  ASSERT_TRUE(ChooseColorW(&cc));
  KillTimer(nullptr, timer);
  const std::u16string red[6] = {u"0", u"240", u"120", u"255", u"0", u"0"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(read[i], red[i]) << i;
  EXPECT_EQ(cc.rgbResult, RGB(255, 255, 0));
  EXPECT_EQ(custom[0], RGB(255, 255, 0));
  g_steps = nullptr;
}

}  // namespace
