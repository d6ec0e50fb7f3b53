// The toolkit's file, folder and colour dialogs under the headless driver: what they hand the
// layer's dialogs (filters, flags, the colour they open on, the preselected folder), what they
// give back, the save dialog's type change, and the owner's state before, during and after.
#include "gui/dialogs/win/ColorPicker.h"
#include "gui/dialogs/win/FileDialogEx.h"
#include "gui/dialogs/win/FileOpener.h"
#include "gui/dialogs/win/FolderSelector.h"
#include "gui/win/Window.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using lumetra::testlib::TempDir;
using s::gui::dialogs::win::ColorPicker;
using s::gui::dialogs::win::FileDialogEx;
using s::gui::dialogs::win::FileOpener;
using s::gui::dialogs::win::FolderSelector;
using winapi::HeadlessDriver;

std::u16string textOf(HWND dialog, int id) {
  char16_t buffer[1024] = {};
  GetDlgItemTextW(dialog, id, buffer, 1024);
  return buffer;
}

// Runs `step` once the next dialog is up, from a timer of the calling thread's modal loop.
std::function<void(HWND)> g_step;

void CALLBACK stepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowW(u"#32770", nullptr);
  if (dialog == nullptr || !g_step) return;
  KillTimer(nullptr, id);
  auto step = std::move(g_step);
  g_step = nullptr;
  step(dialog);
}

void whenShown(std::function<void(HWND)> step) {
  g_step = std::move(step);
  HeadlessDriver::current()->scriptRun();
  SetTimer(nullptr, 0, 5, stepTimer);
}

void pickType(HWND dialog, int index) {
  SendDlgItemMessageW(dialog, 1136, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1136)));
}

class DialogsTest : public testing::Test {
 protected:
  void SetUp() override {
    driver = HeadlessDriver::current();
    ASSERT_NE(driver, nullptr);
    driver->clearAnswers();
    for (const char* name : {"a.mp3", "b.mp3", "c.wav"}) std::ofstream(dir.file(name)) << "x";
  }
  HeadlessDriver* driver = nullptr;
  TempDir dir;
};

TEST_F(DialogsTest, TheFilterAndTheFlagsOfEachMode) {
  FileOpener* opener = FileOpener::take();
  EXPECT_EQ(opener->filterText(), u"");
  opener->addFilter(u"Audio", u"*.mp3;*.wav");
  opener->addFilter(u"All", u"*.*");
  EXPECT_EQ(opener->filterText(), u"Audio|*.mp3;*.wav|All|*.*||");
  EXPECT_EQ(opener->flags(), 0x800006u);
  opener->setOpenMode(true, true);
  EXPECT_EQ(opener->flags(), 0x800206u);
  opener->setOpenMode(true, false);
  EXPECT_EQ(opener->flags(), 0x900206u);
  opener->setSaveMode();  // multiple selection is for opening only
  EXPECT_EQ(opener->flags(), 0x900006u);
  opener->release();
  EXPECT_EQ(FolderSelector::flagsFor(false), 0x50u);
  EXPECT_EQ(FolderSelector::flagsFor(true), 0x70u);
}

TEST_F(DialogsTest, ThreeChosenFilesGiveThreePathsAndTheFirstAsThePath) {
  FileOpener* opener = FileOpener::take();
  opener->setOpenMode(true, true);
  opener->addFilter(u"Audio", u"*.mp3;*.wav");
  driver->scriptFiles(
      {dir.windowsPath("a.mp3"), dir.windowsPath("b.mp3"), dir.windowsPath("c.wav")});
  ASSERT_TRUE(opener->run(nullptr));
  ASSERT_EQ(opener->getPaths()->getCount(), 3u);
  EXPECT_EQ(std::u16string(opener->getPath()), dir.windowsPath("a.mp3"));
  EXPECT_EQ(std::u16string(opener->getPaths()->get(2)->getCStr()), dir.windowsPath("c.wav"));
  // Cancel empties the list.
  EXPECT_FALSE(opener->run(nullptr));
  EXPECT_EQ(opener->getPaths()->getCount(), 0u);
  opener->release();
}

TEST_F(DialogsTest, ASaveDialogsTypeChangeRewritesTheName) {
  EXPECT_EQ(FileDialogEx::nameForType(u"Z:\\m\\song", u"*.wav"), u"song.wav");
  EXPECT_EQ(FileDialogEx::nameForType(u"Z:\\m\\song.mp3", u"*.wav"), u"song.mp3.wav");
  EXPECT_EQ(FileDialogEx::nameForType(u"", u"*.wav"), u"");
  EXPECT_EQ(FileDialogEx::patternAt(u"A\0*.a\0B\0*.b\0", 2), u"*.b");
  EXPECT_EQ(FileDialogEx::patternAt(u"A\0*.a\0", 2), u"");

  for (bool save : {true, false}) {
    FileOpener* opener = FileOpener::take();
    if (save) opener->setSaveMode();
    opener->setInitialFolder(dir.windowsPath("").c_str());
    opener->setFileName(u"song");
    opener->addFilter(u"MP3", u"*.mp3");
    opener->addFilter(u"Wave", u"*.wav");
    static std::vector<std::u16string> names;
    names.clear();
    whenShown([](HWND dialog) {
      // The first pair is chosen at the start.
      EXPECT_EQ(SendDlgItemMessageW(dialog, 1136, CB_GETCOUNT, 0, 0), 2);
      EXPECT_EQ(SendDlgItemMessageW(dialog, 1136, CB_GETCURSEL, 0, 0), 0);
      pickType(dialog, 1);
      names.push_back(textOf(dialog, 1148));
      SetDlgItemTextW(dialog, 1148, u"song.mp3");
      pickType(dialog, 1);
      names.push_back(textOf(dialog, 1148));
      SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(opener->run(nullptr));
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], save ? u"song.wav" : u"song");
    EXPECT_EQ(names[1], save ? u"song.mp3.wav" : u"song.mp3");
    opener->release();
  }
}

// The owner seen from a message box the dialog shows while it runs.
HWND g_owner = nullptr;
bool g_ownerEnabled = true;
int WINAPI recordOwner(HWND, LPCWSTR, LPCWSTR, UINT) {
  g_ownerEnabled = IsWindowEnabled(g_owner) != FALSE;
  return IDYES;
}

HWND WINAPI refuseDialogs(DWORD ex, LPCWSTR cls, LPCWSTR name, DWORD style, int x, int y, int w,
                          int h, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
winapi::seam::CreateWindowExFunction g_create = nullptr;
HWND WINAPI refuseDialogs(DWORD ex, LPCWSTR cls, LPCWSTR name, DWORD style, int x, int y, int w,
                          int h, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (reinterpret_cast<uintptr_t>(cls) > 0xFFFF && std::u16string(cls) == u"#32770") {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return g_create(ex, cls, name, style, x, y, w, h, parent, menu, instance, param);
}

TEST_F(DialogsTest, TheOwnerIsModalDuringTheDialogAndRestoredAfter) {
  s::gui::win::Window* owner = s::gui::win::Window::take();
  owner->setBounds(10, 10, 300, 200);
  owner->show(true, false);
  owner->setKeepOnTop(true);
  g_owner = owner->getHandle();
  ASSERT_NE(g_owner, nullptr);
  FileOpener* opener = FileOpener::take();
  opener->setSaveMode();

  // Success: the overwrite prompt sees the owner disabled.
  auto previous = winapi::seam::replaceMessageBoxW(recordOwner);
  driver->scriptFiles({dir.windowsPath("a.mp3")});
  EXPECT_TRUE(opener->run(owner));
  winapi::seam::replaceMessageBoxW(previous);
  EXPECT_FALSE(g_ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(g_owner));
  EXPECT_TRUE(owner->isKeepOnTop());

  // Cancel, and a dialog that cannot be made.
  EXPECT_FALSE(opener->run(owner));
  EXPECT_TRUE(IsWindowEnabled(g_owner));
  g_create = winapi::seam::replaceCreateWindowExW(refuseDialogs);
  driver->scriptFiles({dir.windowsPath("a.mp3")});
  EXPECT_FALSE(opener->run(owner));
  winapi::seam::replaceCreateWindowExW(g_create);
  driver->clearAnswers();
  EXPECT_TRUE(IsWindowEnabled(g_owner));
  EXPECT_TRUE(owner->isKeepOnTop());
  opener->release();
  owner->release();
}

TEST_F(DialogsTest, TheFolderSelectorPreselectsAndAsksWithItsDefaultTitle) {
  FolderSelector* selector = FolderSelector::take();
  EXPECT_EQ(std::u16string(selector->getFolder()), u"");
  static std::u16string title, field;
  const std::u16string initial = dir.windowsPath("");
  whenShown([](HWND dialog) {
    title = textOf(dialog, 0x3742);
    field = textOf(dialog, 0x3744);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  ASSERT_TRUE(selector->run(nullptr, initial.c_str(), nullptr));
  EXPECT_EQ(title, u"Please Select the Destination");
  EXPECT_EQ(field, dir.path().u16string());
  std::u16string chosen = initial;
  chosen.pop_back();
  EXPECT_EQ(std::u16string(selector->getFolder()), chosen);
  // Scripted, and cancelled.
  std::filesystem::create_directory(dir.file("out"));
  driver->scriptFolder(dir.windowsPath("out"));
  ASSERT_TRUE(selector->run(nullptr, nullptr, u"Please select the output folder."));
  EXPECT_EQ(std::u16string(selector->getFolder()), dir.windowsPath("out"));
  EXPECT_FALSE(selector->run(nullptr, nullptr, nullptr));
  selector->release();
}

TEST_F(DialogsTest, TheColorPickerOpensOnItsColourAndKeepsAChoice) {
  EXPECT_EQ(ColorPicker::toColorRef(0x123456), 0x563412u);
  EXPECT_EQ(ColorPicker::fromColorRef(0x563412u), 0x123456);
  ColorPicker* picker = ColorPicker::take();
  EXPECT_EQ(picker->getColor(), 0xFFFFFF);
  const int32_t lastRed = picker->getRed();  // a picker from the pool keeps its last choice's
  picker->setColor(255, 0, 0);
  static std::u16string red, green;
  whenShown([](HWND dialog) {
    red = textOf(dialog, 0x2C2);
    green = textOf(dialog, 0x2C3);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_FALSE(picker->run(nullptr));
  EXPECT_EQ(red, u"255");
  EXPECT_EQ(green, u"0");
  EXPECT_EQ(picker->getColor(), 0xFFFFFF);
  EXPECT_EQ(picker->getRed(), lastRed) << "a cancel changes no channel";

  driver->scriptColour(RGB(0x12, 0x34, 0x56));
  ASSERT_TRUE(picker->run(nullptr));
  EXPECT_EQ(picker->getColor(), 0x123456);
  EXPECT_EQ(picker->getRed(), 0x12);
  EXPECT_EQ(picker->getGreen(), 0x34);
  EXPECT_EQ(picker->getBlue(), 0x56);
  picker->release();
}

}  // namespace
