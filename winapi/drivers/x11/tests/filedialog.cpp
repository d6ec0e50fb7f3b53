// The open dialog on a real X server: it lists a temporary folder through its filter, a second X
// client chooses two files with a click and a Ctrl+click and presses Return, and the result
// buffer holds both. The dialog's picture goes to file_dialog.png in the build folder.
#include <windows.h>
#include <shlobj.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/TempDir.h"
#include "testlib/X11Windows.h"
#include "testlib/Xvfb.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using lumetra::testlib::TempDir;
using lumetra::testlib::Xvfb;

Display* g_viewer = nullptr;
int g_step = 0;
std::u16string g_nameAfterClicks;

// The viewable X window whose title is `title`.
::Window nativeNamed(const char* title) {
  ::Window found = 0;
  for (::Window w : lumetra::testlib::clientWindows(g_viewer)) {
    char* name = nullptr;
    XWindowAttributes attrs;
    if (XFetchName(g_viewer, w, &name) && name != nullptr && std::string(name) == title &&
        XGetWindowAttributes(g_viewer, w, &attrs) && attrs.map_state == IsViewable) {
      found = w;
    }
    if (name != nullptr) XFree(name);
  }
  return found;
}

// A press and release of the left button at a screen point of the layer, on the X window.
void clickAt(::Window native, POINT screen, unsigned state) {
  int nx = 0, ny = 0;
  ::Window child;
  XTranslateCoordinates(g_viewer, native, DefaultRootWindow(g_viewer), 0, 0, &nx, &ny, &child);
  for (int type : {ButtonPress, ButtonRelease}) {
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.window = native;
    e.xbutton.root = DefaultRootWindow(g_viewer);
    e.xbutton.x = screen.x - nx;
    e.xbutton.y = screen.y - ny;
    e.xbutton.x_root = screen.x;
    e.xbutton.y_root = screen.y;
    e.xbutton.button = Button1;
    e.xbutton.state = state | (type == ButtonRelease ? Button1Mask : 0);
    e.xbutton.same_screen = True;
    XSendEvent(g_viewer, native, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
  }
  XFlush(g_viewer);
}

void key(::Window native, KeySym symbol, int type) {
  XEvent k{};
  k.xkey.type = type;
  k.xkey.window = native;
  k.xkey.root = DefaultRootWindow(g_viewer);
  k.xkey.keycode = XKeysymToKeycode(g_viewer, symbol);
  k.xkey.same_screen = True;
  XSendEvent(g_viewer, native, False, type == KeyPress ? KeyPressMask : KeyReleaseMask, &k);
  XFlush(g_viewer);
}

void screenshot(::Window w, const char* file) {
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(g_viewer, w, &attrs)) return;
  XImage* shot = XGetImage(g_viewer, w, 0, 0, static_cast<unsigned>(attrs.width), static_cast<unsigned>(attrs.height),
                           AllPlanes, ZPixmap);
  if (shot == nullptr) return;
  std::vector<uint32_t> pixels;
  for (int row = 0; row < attrs.height; ++row) {
    for (int col = 0; col < attrs.width; ++col) {
      pixels.push_back(0xFF000000u | static_cast<uint32_t>(XGetPixel(shot, col, row) & 0xFFFFFF));
    }
  }
  winapi::HeadlessDriver::savePng(pixels.data(), attrs.width, attrs.height, false, file);
  XDestroyImage(shot);
}

// The middle of a row of the dialog's list, in screen coordinates.
POINT rowPoint(HWND dialog, int row) {
  POINT p{10, row * 18 + 9};
  ClientToScreen(GetDlgItem(dialog, 1120), &p);
  return p;
}

// One step per tick, each once the dialog has handled the one before; the last ends the dialog
// whatever happened.
void CALLBACK drive(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowW(u"#32770", u"Open");
  ::Window native = nativeNamed("Open");
  if (dialog == nullptr || native == 0) return;
  char16_t name[256] = {};
  switch (g_step++) {
    case 0: clickAt(native, rowPoint(dialog, 1), 0); break;
    case 1: key(native, XK_Control_L, KeyPress); break;
    case 2: clickAt(native, rowPoint(dialog, 2), ControlMask); break;
    case 3: key(native, XK_Control_L, KeyRelease); break;
    case 4:
      GetDlgItemTextW(dialog, 1148, name, 256);
      g_nameAfterClicks = name;
      screenshot(native, "file_dialog.png");
      key(native, XK_Return, KeyPress);
      key(native, XK_Return, KeyRelease);
      break;
    default:
      if (g_step > 200) {
        KillTimer(nullptr, id);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      }
      break;
  }
}

TEST(X11FileDialog, ChoosesTwoFilesOfAFilteredFolderByClicksAndReturn) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  for (const char* file : {"a.mp3", "b.mp3", "c.txt"}) std::ofstream(dir.file(file)) << "x";
  g_viewer = XOpenDisplay(nullptr);
  ASSERT_NE(g_viewer, nullptr);
  g_step = 0;

  std::vector<char16_t> buffer(4096);
  const std::u16string folder = dir.windowsPath("");
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrFilter = u"Audio\0*.mp3\0";
  ofn.lpstrInitialDir = folder.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, drive);
  BOOL chosen = GetOpenFileNameW(&ofn);
  KillTimer(nullptr, timer);
  XCloseDisplay(g_viewer);
  g_viewer = nullptr;

  EXPECT_EQ(g_nameAfterClicks, u"\"a.mp3\" \"b.mp3\"");
  ASSERT_TRUE(chosen);
  const char16_t* at = buffer.data();
  std::vector<std::u16string> parts;
  while (*at != 0) {
    parts.emplace_back(at);
    at += parts.back().size() + 1;
  }
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0] + u"\\", folder);
  EXPECT_EQ(parts[1], u"a.mp3");
  EXPECT_EQ(parts[2], u"b.mp3");
}

}  // namespace

namespace {

const char* g_title = nullptr;
const char* g_shot = nullptr;

// Takes the picture of the dialog called g_title once it shows, then cancels it by Escape.
void CALLBACK shootAndEscape(HWND, UINT, UINT_PTR, DWORD) {
  ::Window native = nativeNamed(g_title);
  if (native == 0 || g_step++ < 3) return;
  if (g_step == 4) {
    screenshot(native, g_shot);
    key(native, XK_Escape, KeyPress);
    key(native, XK_Escape, KeyRelease);
  }
}

TEST(X11CommonDialogs, TheFolderAndColourDialogsShowAndEndByEscape) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  g_viewer = XOpenDisplay(nullptr);
  ASSERT_NE(g_viewer, nullptr);
  TempDir dir;
  std::filesystem::create_directory(dir.file("Music"));
  std::filesystem::create_directory(dir.file("Videos"));
  const std::u16string folder = dir.windowsPath("Music");

  g_title = "Browse For Folder";
  g_shot = "folder_dialog.png";
  g_step = 0;
  BROWSEINFOW info{};
  info.lpszTitle = u"Please select the output folder.";
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  info.lpfn = [](HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
  };
  info.lParam = reinterpret_cast<LPARAM>(folder.c_str());
  UINT_PTR timer = SetTimer(nullptr, 0, 50, shootAndEscape);
  EXPECT_EQ(SHBrowseForFolderW(&info), nullptr);
  KillTimer(nullptr, timer);

  g_title = "Color";
  g_shot = "colour_dialog.png";
  g_step = 0;
  COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.lpCustColors = custom;
  cc.rgbResult = RGB(40, 120, 200);
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  timer = SetTimer(nullptr, 0, 50, shootAndEscape);
  EXPECT_FALSE(ChooseColorW(&cc));
  KillTimer(nullptr, timer);
  EXPECT_EQ(cc.rgbResult, RGB(40, 120, 200));
  XCloseDisplay(g_viewer);
  g_viewer = nullptr;
}

}  // namespace
