// The whole program in a test: the framework's entry point (`CLumetraApp::InitInstance`) played
// on an application thread of its own, its main window found and waited for until it has
// settled, and closed again as the user closes it.
#pragma once

#include "app/LumetraApp.h"
#include "app/dialogs/effect/Dialog.h"
#include "app/tests/UserInput.h"
#include "gui/win/GroupBox.h"
#include "gui/win/MenuEx.h"
#include "gui/win/Window.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lumetra::apptest {

/// One run of the program's start-up. The test thread plays the user; start-up, the main
/// window and the worker run on threads of their own, as in the program.
class RunningApp {
 public:
  RunningApp() = default;
  RunningApp(const RunningApp&) = delete;
  RunningApp& operator=(const RunningApp&) = delete;
  ~RunningApp() { close(); }

  /// Starts the program with these arguments (after the program's own name) and waits until
  /// its main window shows with its menu bar and drop box and has handled what came before.
  /// False when start-up ended without a window (it handed over to a running copy).
  bool start(std::vector<std::u16string> arguments = {}) {
    m_arguments = std::move(arguments);
    m_ended = false;
    m_frame = nullptr;
    m_dialog = nullptr;
    m_thread = std::thread([this] {
      m_answer = runStartUp();
      m_ended = true;
    });
    s::sound::gui::dialogs::effect::Dialog* shown = nullptr;
    waitFor(
        [&] {
          shown = s::app::win::getMainDialog();
          return m_ended.load() ||
                 (shown != nullptr && shown->getWindow() != nullptr &&
                  shown->getWindow()->isVisible() && shown->getMenuBar() != nullptr &&
                  shown->getMenuBar()->GetSafeHwnd() != nullptr && shown->getDropBox() != nullptr &&
                  shown->getDropBox()->GetSafeHwnd() != nullptr);
        },
        10000);
    if (m_ended.load() || shown == nullptr) {
      return false;
    }
    m_dialog = shown;
    m_frame = shown->getWindow()->getHandle();
    lumetra::apptest::settle(m_frame);
    return m_frame != nullptr;
  }

  /// Closes the main window with its close button and waits until start-up has returned; its
  /// answer. Nothing happens when the program does not run.
  BOOL close() {
    if (!m_thread.joinable()) {
      return m_answer;
    }
    // A close that comes while the window is still being set up may be missed: ask again.
    for (int i = 0; i < 200 && m_frame != nullptr && !m_ended.load(); ++i) {
      winapi::HeadlessDriver::current()->requestClose(m_frame);
      waitFor([this] { return m_ended.load(); }, 50);
    }
    m_thread.join();
    m_dialog = nullptr;
    return m_answer;
  }

  /// The main window's frame, and the dialog behind it, while the program runs.
  HWND frame() const { return m_frame; }
  s::sound::gui::dialogs::effect::Dialog* dialog() const { return m_dialog; }
  bool ended() const { return m_ended.load(); }
  /// Returns once the main window's thread has handled everything queued before.
  void settle() const { lumetra::apptest::settle(m_frame); }

 private:
  /// Runs the start-up with the arguments in the framework's argument globals.
  BOOL runStartUp() {
    std::vector<WCHAR*> argv;
    std::u16string program = u"Z:\\lumetra";
    argv.push_back(program.data());
    for (std::u16string& argument : m_arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const int savedArgc = __argc;
    WCHAR** savedArgv = __wargv;
    __argc = static_cast<int>(argv.size() - 1);
    __wargv = argv.data();
    BOOL answer = theApp.InitInstance();
    __argc = savedArgc;
    __wargv = savedArgv;
    return answer;
  }

  std::vector<std::u16string> m_arguments;
  std::thread m_thread;
  std::atomic<bool> m_ended{false};
  BOOL m_answer = TRUE;
  HWND m_frame = nullptr;
  s::sound::gui::dialogs::effect::Dialog* m_dialog = nullptr;
};

}  // namespace lumetra::apptest
