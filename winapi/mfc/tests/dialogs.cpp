// The framework's file and colour dialogs: the "|" filter reaching the dialog, the chosen paths
// in both result forms, the virtual notifications of a subclass and its calls into the open
// dialog, and the custom colours kept for the process.
#include <windows.h>
#include <afxdlgs.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <fstream>
#include <string>
#include <vector>

using lumetra::testlib::TempDir;
using winapi::HeadlessDriver;

namespace {

class Touched {
 public:
  Touched() {
    for (const char* name : {"a.mp3", "b.wav"}) std::ofstream(dir.file(name)) << "x";
  }
  TempDir dir;
};

TEST(FileDialog, GivesOneOrSeveralPathsInBothResultForms) {
  Touched t;
  HeadlessDriver::current()->clearAnswers();
  CFileDialog single(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, u"Audio|*.mp3;*.wav|All|*.*||");
  HeadlessDriver::current()->scriptFiles({t.dir.windowsPath("b.wav")});
  ASSERT_EQ(single.DoModal(), IDOK);
  EXPECT_EQ(single.GetPathName(), t.dir.windowsPath("b.wav"));
  EXPECT_EQ(single.GetFileName(), u"b.wav");
  EXPECT_EQ(single.GetFileExt(), u"wav");
  std::u16string folder = t.dir.windowsPath("");
  folder.pop_back();
  EXPECT_EQ(single.GetFolderPath(), folder);
  POSITION position = single.GetStartPosition();
  EXPECT_EQ(single.GetNextPathName(position), t.dir.windowsPath("b.wav"));
  EXPECT_EQ(position, nullptr);

  CFileDialog several(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT);
  std::vector<char16_t> buffer(4096);
  several.m_ofn.lpstrFile = buffer.data();
  several.m_ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  HeadlessDriver::current()->scriptFiles({t.dir.windowsPath("a.mp3"), t.dir.windowsPath("b.wav")});
  ASSERT_EQ(several.DoModal(), IDOK);
  std::vector<std::u16string> paths;
  for (position = several.GetStartPosition(); position != nullptr;) paths.push_back(several.GetNextPathName(position));
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], t.dir.windowsPath("a.mp3"));
  EXPECT_EQ(paths[1], t.dir.windowsPath("b.wav"));
  EXPECT_EQ(several.GetPathName(), paths[0]);
  EXPECT_EQ(several.GetFolderPath(), folder);

  // Cancel.
  EXPECT_EQ(several.DoModal(), IDCANCEL);
}

// A subclass that hears the dialog and answers the type change from inside it.
class Recording : public CFileDialog {
 public:
  Recording() : CFileDialog(FALSE, u"mp3", u"song", OFN_OVERWRITEPROMPT, u"MP3|*.mp3|Wave|*.wav||") {}
  std::vector<std::u16string> heard;

 protected:
  void OnInitDone() override { heard.push_back(u"init " + GetFolderPath()); }
  void OnTypeChange() override {
    heard.push_back(u"type " + std::u16string(1, static_cast<char16_t>(u'0' + m_ofn.nFilterIndex)) + u" " +
                    GetFileName());
    SetControlText(1148, u"renamed.wav");
  }
  BOOL OnFileNameOK() override {
    heard.push_back(u"ok " + GetPathName());
    return FALSE;
  }
};

void CALLBACK changeType(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowW(u"#32770", u"Save As");
  if (dialog == nullptr) return;
  KillTimer(nullptr, id);
  SendDlgItemMessageW(dialog, 1136, CB_SETCURSEL, 1, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1136)));
  SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST(FileDialog, ASubclassHearsTheDialogAndChangesItsName) {
  Touched t;
  HeadlessDriver::current()->clearAnswers();
  Recording dialog;
  const std::u16string folder = t.dir.windowsPath("");
  dialog.m_ofn.lpstrInitialDir = folder.c_str();
  HeadlessDriver::current()->scriptRun();
  SetTimer(nullptr, 0, 5, changeType);
  ASSERT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(dialog.heard.size(), 3u);
  std::u16string shown = folder;
  shown.pop_back();
  EXPECT_EQ(dialog.heard[0], u"init " + shown);
  EXPECT_EQ(dialog.heard[1], u"type 2 song");
  EXPECT_EQ(dialog.heard[2], u"ok " + t.dir.windowsPath("renamed.wav"));
  EXPECT_EQ(dialog.GetPathName(), t.dir.windowsPath("renamed.wav"));
  EXPECT_EQ(dialog.m_ofn.nFilterIndex, 2u);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(ColorDialog, StartsOnItsColourAndSharesTheCustomColours) {
  HeadlessDriver::current()->clearAnswers();
  CColorDialog red(RGB(255, 0, 0), CC_FULLOPEN);
  EXPECT_EQ(red.m_cc.Flags, static_cast<DWORD>(CC_FULLOPEN | CC_RGBINIT));
  CColorDialog other;
  EXPECT_EQ(red.m_cc.lpCustColors, other.m_cc.lpCustColors);
  EXPECT_EQ(red.DoModal(), IDCANCEL);
  EXPECT_EQ(red.GetColor(), RGB(255, 0, 0));
  HeadlessDriver::current()->scriptColour(RGB(0, 0, 9));
  ASSERT_EQ(red.DoModal(), IDOK);
  EXPECT_EQ(red.GetColor(), RGB(0, 0, 9));
}

}  // namespace
