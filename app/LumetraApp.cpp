// The program's application object and its start-up.
#include "app/LumetraApp.h"

#include "app/dialogs/effect/Dialog.h"
#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/Desktop.h"
#include "app/win/DisplayScale.h"
#include "app/win/StartUpHooks.h"
#include "app/win/StartUpTimes.h"
#include "core/process/commandline/win/CommandLine.h"
#include "platform/system/win/OsVersion.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

CLumetraApp theApp;

namespace s::app::win {

namespace {

std::atomic<sound::gui::dialogs::effect::Dialog*> s_mainDialog{nullptr};

}  // namespace

void runMainDialog(AppBase* appBase, AppWindow* mainWindow) {
  sound::gui::dialogs::effect::Dialog* dialog = sound::gui::dialogs::effect::Dialog::take();
  if (dialog == nullptr) {
    return;
  }
  dialog->bind(mainWindow, appBase->getSettings(), appBase->getLocalizer());
  s_mainDialog.store(dialog, std::memory_order_release);
  dialog->runWindow();
  s_mainDialog.store(nullptr, std::memory_order_release);
  // The release waits until the task is idle.
  dialog->release();
}

sound::gui::dialogs::effect::Dialog* getMainDialog() {
  return s_mainDialog.load(std::memory_order_acquire);
}

bool hasDisplay() {
  const char* chosen = std::getenv("LUMETRA_DISPLAY");
  const char* display = std::getenv("DISPLAY");
  return (chosen != nullptr && *chosen != 0) || (display != nullptr && *display != 0);
}

}  // namespace s::app::win

BOOL CLumetraApp::InitInstance() {
  using s::app::win::AppBase;
  using s::app::win::AppWindow;
  using s::app::win::markStartUp;
  using s::app::win::StartUpStep;
  markStartUp(StartUpStep::Entry);

  // A window no one can see or close is of no use: without a display the program says so.
  if (!s::app::win::hasDisplay()) {
    std::fputs("lumetra: no display: set DISPLAY to an X server\n", stderr);
    std::exit(1);
  }
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
  InitCommonControlsEx(&controls);
  CWinApp::InitInstance();
  // The libraries below reach the program only through their hooks; all are filled before the
  // first window.
  s::app::win::installStartUpHooks();
  markStartUp(StartUpStep::Hooks);

  AppBase* appBase = AppBase::take();
  if (appBase == nullptr) {
    return FALSE;
  }
  appBase->initialize(this);
  const int32_t scale = static_cast<int32_t>(s::app::win::getDisplayScale());
  AppWindow* mainWindow = AppWindow::take();
  if (mainWindow == nullptr) {
    appBase->release();
    return FALSE;
  }
  mainWindow->initialize(appBase, u"MainWindow", appBase->getEditionName(), 250 * scale,
                         250 * scale, u"Close", appBase->getSkinner(), nullptr);
  markStartUp(StartUpStep::WindowDescription);

  if (!s::system::win::osQueried.load(std::memory_order_acquire)) {
    s::system::win::queryWindowsVersion();
  }
  // Older systems end silently, before any window opens.
  if (s::app::win::isSupportedWindowsVersion(s::system::win::osIsNt, s::system::win::osMajor,
                                             s::system::win::osMinor)) {
    s::process::commandline::win::CommandLine* commandLine = appBase->getCommandLine();
    if (commandLine == nullptr || commandLine->getCount() == 0) {
      appBase->openProductPageIfSilentFlag();
    }
    if (!appBase->detectRunningInstance(true, false, true)) {
      markStartUp(StartUpStep::InstanceCheck);
      s::app::win::runMainDialog(appBase, mainWindow);
    }
  }
  appBase->release();
  mainWindow->release();
  return FALSE;
}
