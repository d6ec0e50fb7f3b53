// lumetra_bench MODE ...: the application's figures that need the program's own code in the
// measuring process.
//
//   main-window   plays the program's entry point on an application thread of its own, as the
//                 program does, and prints the monotonic moment of each start-up step and of the
//                 main window's first present (headless) or first paint (X11); started by
//                 app_start_bench, which compares them with the moment it started this process.
//   bare-window   the same for a bare 480 x 320 toolkit window, the floor of any window.
//   convert [--effect INDEX LEVEL QUALITY] IN OUTFOLDER
//                 starts the application object and the effect window headless, chooses the
//                 effect in the window's menus, drops IN on the drop box and prints, last,
//                 "seconds=S sends=N roundtrip_us=R pingpong_us=P": S from the drop to the
//                 window's "ProcessStatusEnd", N the "ProcessStatusUpdate" sends, R one user
//                 event sent to a shown window from another thread, P one binary-semaphore
//                 ping-pong between two threads, both measured in this run (bench/run-task).
//   batch FOLDER  drops every file of FOLDER at once with Pitch Up +1 and prints the resident
//                 size idle, after every tenth file and after the batch, and the high-water
//                 mark during it (bench/run-app makes the 100 files).
//
// Nothing here fails on time: the modes print figures and answer 1 only when a conversion or the
// window itself failed.
#include "app/LumetraApp.h"
#include "app/dialogs/dragndrop/Dialog.h"
#include "app/dialogs/effect/Dialog.h"
#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/StartUpHooks.h"
#include "app/win/StartUpTimes.h"
#include "gui/events/IEventListener.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Window.h"
#include "testlib/TempDir.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using s::app::win::StartUpStep;
using EffectDialog = s::sound::gui::dialogs::effect::Dialog;

int64_t monotonicNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

/// The path in the program's "Z:\" form.
std::u16string windowsPath(const fs::path& path) {
  std::u16string text = u"Z:";
  for (char c : fs::absolute(path).string()) {
    text.push_back(c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return text;
}

/// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), -1 when missing.
int64_t statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) {
      return std::strtoll(line.c_str() + prefix.size(), nullptr, 10);
    }
  }
  return -1;
}

/// The number of the driver's presents of `top`; -1 without the headless driver.
int presentsOf(HWND top) {
  winapi::HeadlessDriver* driver = winapi::HeadlessDriver::current();
  winapi::HeadlessDriver::NativeState state;
  return driver != nullptr && driver->nativeState(top, &state) ? state.presents : -1;
}

BOOL CALLBACK findShownTop(HWND hwnd, LPARAM found) {
  if (::IsWindowVisible(hwnd) && ::GetWindowTextLengthW(hwnd) > 0) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

/// Prints the moments and then keeps the window on the screen until the parent ends this
/// process: under X11 the parent is still watching the screen for its pixels.
[[noreturn]] void printMomentsAndWait(int64_t mainEntered, int64_t presented) {
  std::printf("main %lld\n", static_cast<long long>(mainEntered));
  for (int32_t i = 0; i < static_cast<int32_t>(StartUpStep::Count); ++i) {
    const auto step = static_cast<StartUpStep>(i);
    const int64_t at = s::app::win::startUpTime(step);
    if (at != 0) {
      std::printf("step %lld %s\n", static_cast<long long>(at), s::app::win::startUpStepName(step));
    }
  }
  if (presented != 0) {
    std::printf("present %lld\n", static_cast<long long>(presented));
  }
  std::printf("done\n");
  std::fflush(stdout);
  for (;;) {
    pause();
  }
}

/// Waits (at most 20 s) for the first present of the first shown titled window; 0 when none
/// came or the driver is not the headless one.
int64_t waitForFirstPresent(const std::function<bool()>& gaveUp) {
  HWND top = nullptr;
  for (int i = 0; i < 200000 && !gaveUp(); ++i) {
    if (top == nullptr) {
      ::EnumWindows(findShownTop, reinterpret_cast<LPARAM>(&top));
    }
    if (top != nullptr) {
      const int presents = presentsOf(top);
      if (presents < 0) {
        return 0;
      }
      if (presents > 0) {
        return monotonicNow();
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return 0;
}

int mainWindowStart() {
  const int64_t entered = monotonicNow();
  // The start-up reads the program's arguments as the framework's entry point leaves them: here
  // the program alone, as a user starts it.
  static std::u16string program = u"Z:\\lumetra";
  static WCHAR* arguments[] = {program.data(), nullptr};
  __argc = 1;
  __wargv = arguments;
  std::atomic<bool> ended{false};
  std::thread application([&ended] {
    theApp.InitInstance();
    ended = true;
  });
  application.detach();
  int64_t presented = 0;
  if (winapi::HeadlessDriver::current() != nullptr) {
    presented = waitForFirstPresent([&ended] { return ended.load(); });
  }
  // Under X11 the parent sees the pixels; the split still comes from the marks.
  for (int i = 0; i < 20000 && s::app::win::startUpTime(StartUpStep::FirstPaint) == 0 && !ended;
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  printMomentsAndWait(entered, presented);
}

int bareWindowStart() {
  const int64_t entered = monotonicNow();
  s::gui::win::Window* window = s::gui::win::Window::take();
  window->setTitle(u"Bare");
  window->setSize(480, 320);
  s::app::win::markStartUp(StartUpStep::Entry);
  window->show(true, true);
  s::app::win::markStartUp(StartUpStep::FirstPaint);
  int64_t presented = 0;
  if (winapi::HeadlessDriver::current() != nullptr) {
    presented = waitForFirstPresent([] { return false; });
  }
  printMomentsAndWait(entered, presented);
}

/// Watches the converter window's status events from its UI thread: the moments of the start and
/// the end, the sends, and the resident size when files begin.
class StatusWatch final : public s::gui::events::IEventListener {
 public:
  explicit StatusWatch(s::gui::win::Window* window) : m_window(window) {}

  void onEvent(s::base::IObject*, int32_t) override {
    const auto* name = reinterpret_cast<const WCHAR*>(m_window->getUserEventArg1());
    const auto* text = reinterpret_cast<const WCHAR*>(m_window->getUserEventArg4());
    if (name == nullptr) {
      return;
    }
    const std::u16string event(name);
    if (event == EffectDialog::kStatusStart) {
      started = monotonicNow();
    } else if (event == EffectDialog::kStatusUpdate) {
      ++sends;
      const std::u16string file(text != nullptr ? text : u"");
      if (file != m_file) {
        // A new file begins: the resident size after the ones before it.
        m_file = file;
        ++files;
        if (files > 1) {
          residentAfterFiles.push_back(statusKb("VmRSS"));
        }
      }
    } else if (event == EffectDialog::kStatusEnd) {
      ended = monotonicNow();
      residentAfterFiles.push_back(statusKb("VmRSS"));
      done.store(true);
    }
  }

  std::atomic<int64_t> started{0};
  std::atomic<int64_t> ended{0};
  std::atomic<int64_t> sends{0};
  std::atomic<bool> done{false};
  int32_t files = 0;
  /// The resident size in kB after 1, 2, ... files, the last one at the end of the run.
  std::vector<int64_t> residentAfterFiles;

 private:
  s::gui::win::Window* m_window;
  std::u16string m_file;
};

bool waitFor(const std::function<bool()>& condition, int milliseconds) {
  for (int i = 0; i < milliseconds && !condition(); ++i) {
    ::Sleep(1);
  }
  return condition();
}

/// The application object and the effect window on a UI thread of its own, headless, on a
/// registry of its own, as the program shows them.
class RunningWindow {
 public:
  RunningWindow() {
    setenv("LUMETRA_REGISTRY", m_registry.file("registry.sqlite3").c_str(), 1);
    s::app::win::installStartUpHooks();
    m_app = s::app::win::AppBase::take();
    m_app->initialize(&theApp);
    m_description = s::app::win::AppWindow::take();
    m_description->initialize(m_app, u"MainWindow", m_app->getEditionName(), 250, 250, u"Close",
                              m_app->getSkinner(), nullptr);
    dialog = EffectDialog::take();
    dialog->bind(m_description, m_app->getSettings(), m_app->getLocalizer());
    m_ui = std::thread([this] { dialog->runWindow(); });
    shown = waitFor(
        [this] {
          return dialog->getWindow() != nullptr && dialog->getWindow()->isVisible() &&
                 dialog->getDropBox()->GetSafeHwnd() != nullptr;
        },
        20000);
    if (shown) {
      frame = dialog->getWindow()->getHandle();
      settle();
      watch = new StatusWatch(dialog->getWindow());
      dialog->getWindow()->addUserEventListener(watch);
    }
  }
  ~RunningWindow() {
    if (frame != nullptr) {
      winapi::HeadlessDriver::current()->requestClose(frame);
    }
    m_ui.join();
    dialog->release();
    delete watch;
    m_description->release();
    m_app->release();
  }
  RunningWindow(const RunningWindow&) = delete;
  RunningWindow& operator=(const RunningWindow&) = delete;

  /// Waits until the UI thread has handled everything sent before.
  void settle() { ::SendMessageW(frame, WM_NULL, 0, 0); }

  /// Chooses the effect row and its menus' values as a user would, and converts into `folder`.
  bool choose(int32_t index, int32_t level, int32_t quality, const fs::path& folder) {
    s::gui::win::ComboBox* effects = dialog->getEffectList();
    if (effects == nullptr || index < 0 || index >= effects->getItemCount()) {
      return false;
    }
    // Without notifying: the choice is read from the menus when the drop comes.
    effects->select(index, false);
    if (s::gui::win::ComboBox* levels = dialog->getLevelMenu(index)) {
      levels->selectByValue(level, false);
    }
    if (s::gui::win::ComboBox* qualities = dialog->getQualityMenu(index)) {
      qualities->selectByValue(quality, false);
    }
    dialog->setOutputFolderSetting(EffectDialog::kOutputCustom);
    dialog->setCustomOutputPath(windowsPath(folder).c_str());
    settle();
    return effects->getSelectedIndex() == index;
  }

  /// Drops `files` on the middle of the drop box, as a file manager does.
  bool drop(const std::vector<fs::path>& files) {
    RECT box{};
    ::GetWindowRect(dialog->getDropBox()->GetSafeHwnd(), &box);
    std::vector<std::u16string> paths;
    for (const fs::path& file : files) {
      paths.push_back(windowsPath(file));
    }
    return winapi::HeadlessDriver::current()->dropFiles((box.left + box.right) / 2,
                                                        (box.top + box.bottom) / 2, paths);
  }

  EffectDialog* dialog = nullptr;
  HWND frame = nullptr;
  bool shown = false;
  StatusWatch* watch = nullptr;

 private:
  lumetra::testlib::TempDir m_registry;
  s::app::win::AppBase* m_app = nullptr;
  s::app::win::AppWindow* m_description = nullptr;
  std::thread m_ui;
};

/// Answers a user event at once, as the cheapest handler on a UI thread does.
class Answer final : public s::gui::events::IEventListener {
 public:
  explicit Answer(s::gui::win::Window* window) : m_window(window) {}
  void onEvent(s::base::IObject*, int32_t) override {
    m_window->setUserEventResult(m_window->getUserEventArg1());
  }

 private:
  s::gui::win::Window* m_window;
};

/// One user event sent from this thread to a shown window, in microseconds (the mean of `count`).
double userEventRoundTripUs(int count) {
  s::gui::win::Window* window = s::gui::win::Window::take();
  Answer answer(window);
  window->addUserEventListener(&answer);
  window->show(true, false);
  for (int i = 0; i < 1000; ++i) {
    window->sendUserEvent(i, 0, 0, 0);
  }
  const int64_t start = monotonicNow();
  for (int i = 0; i < count; ++i) {
    window->sendUserEvent(i, 0, 0, 0);
  }
  const double us = static_cast<double>(monotonicNow() - start) / count / 1000.0;
  window->release();
  return us;
}

/// One binary-semaphore ping-pong between two threads, in microseconds (the mean of `count`).
double pingPongUs(int count) {
  std::binary_semaphore ping(0);
  std::binary_semaphore pong(0);
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    for (;;) {
      ping.acquire();
      if (stop) {
        return;
      }
      pong.release();
    }
  });
  for (int i = 0; i < 1000; ++i) {
    ping.release();
    pong.acquire();
  }
  const int64_t start = monotonicNow();
  for (int i = 0; i < count; ++i) {
    ping.release();
    pong.acquire();
  }
  const double us = static_cast<double>(monotonicNow() - start) / count / 1000.0;
  stop = true;
  ping.release();
  partner.join();
  return us;
}

int convert(int argc, char** argv) {
  int32_t index = 15;
  int32_t level = 30;
  int32_t quality = 0;
  std::vector<std::string> rest;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--effect") == 0 && i + 3 < argc) {
      index = std::atoi(argv[++i]);
      level = std::atoi(argv[++i]);
      quality = std::atoi(argv[++i]);
    } else {
      rest.emplace_back(argv[i]);
    }
  }
  if (rest.size() != 2) {
    std::fprintf(stderr, "usage: lumetra_bench convert [--effect INDEX LEVEL QUALITY] IN OUT\n");
    return 2;
  }
  const double roundTrip = userEventRoundTripUs(20000);
  const double pingPong = pingPongUs(20000);
  RunningWindow running;
  if (!running.shown || !running.choose(index, level, quality, rest[1])) {
    std::fprintf(stderr, "lumetra_bench: the window did not show or the effect is unknown\n");
    return 1;
  }
  const int64_t dropped = monotonicNow();
  if (!running.drop({rest[0]}) ||
      !waitFor([&running] { return running.watch->done.load(); }, 600000)) {
    std::fprintf(stderr, "lumetra_bench: the drop was not converted\n");
    return 1;
  }
  const double seconds = static_cast<double>(running.watch->ended - dropped) / 1e9;
  running.dialog->waitUntilIdle();
  const auto& setting = running.dialog->getSetting();
  if (setting.getIndex() != index || setting.getLevel() != level ||
      (running.dialog->getQualityMenu(index) != nullptr && setting.getQuality() != quality)) {
    std::fprintf(stderr, "lumetra_bench: the window converted with %d %d %d, not %d %d %d\n",
                 setting.getIndex(), setting.getLevel(), setting.getQuality(), index, level,
                 quality);
    return 1;
  }
  if (running.dialog->getResults()->getEntries().size() != 1 ||
      running.dialog->getResults()->countNotConverted() != 0) {
    std::fprintf(stderr, "lumetra_bench: the file was not converted\n");
    return 1;
  }
  std::printf("seconds=%.4f sends=%lld roundtrip_us=%.2f pingpong_us=%.2f\n", seconds,
              static_cast<long long>(running.watch->sends.load()), roundTrip, pingPong);
  return 0;
}

int batch(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lumetra_bench batch FOLDER\n");
    return 2;
  }
  const fs::path folder = argv[2];
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  const fs::path out = folder / "converted";
  fs::create_directories(out);
  RunningWindow running;
  // Pitch Up +1 at the quality the program starts with.
  if (!running.shown || !running.choose(12, 1, 4, out)) {
    std::fprintf(stderr, "lumetra_bench: the window did not show\n");
    return 1;
  }
  // Idle: the window shown and settled for a second.
  ::Sleep(1000);
  running.settle();
  const int64_t idleResident = statusKb("VmRSS");
  const int64_t idlePeak = statusKb("VmHWM");
  // From here the high-water mark is the batch's own.
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
  clearRefs.close();
  const bool peakReset = !clearRefs.fail();
  const int64_t dropped = monotonicNow();
  if (!running.drop(files) ||
      !waitFor([&running] { return running.watch->done.load(); }, 3600 * 1000)) {
    std::fprintf(stderr, "lumetra_bench: the batch did not end\n");
    return 1;
  }
  const double seconds = static_cast<double>(running.watch->ended - dropped) / 1e9;
  running.dialog->waitUntilIdle();
  const int64_t batchPeak = statusKb("VmHWM");
  ::Sleep(1000);
  const int64_t afterResident = statusKb("VmRSS");
  const auto& after = running.watch->residentAfterFiles;
  const size_t notConverted = running.dialog->getResults()->countNotConverted();
  std::printf("files=%zu not_converted=%zu seconds=%.1f\n", files.size(), notConverted, seconds);
  std::printf("idle: VmRSS %.1f MB, VmHWM %.1f MB%s\n", idleResident / 1024.0, idlePeak / 1024.0,
              peakReset ? "" : " (the high-water mark could not be reset: it is the process's)");
  std::printf("during the batch: VmHWM %.1f MB, %.1f MB above idle\n", batchPeak / 1024.0,
              (batchPeak - idleResident) / 1024.0);
  std::printf("VmRSS after files:");
  for (size_t i = 9; i < after.size(); i += 10) {
    std::printf(" %zu: %.1f", i + 1, after[i] / 1024.0);
  }
  std::printf(" MB\n");
  if (after.size() >= 10) {
    std::printf(
        "VmRSS after the batch (1 s later) %.1f MB, after the first 10 files %.1f MB: "
        "%+.1f MB\n",
        afterResident / 1024.0, after[9] / 1024.0, (afterResident - after[9]) / 1024.0);
  }
  return notConverted == 0 ? 0 : 1;
}

int usage() {
  std::fprintf(stderr,
               "usage: lumetra_bench main-window | bare-window | convert [--effect I L Q] IN OUT"
               " | batch FOLDER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return usage();
  }
  const std::string mode = argv[1];
  if (mode == "main-window") {
    return mainWindowStart();
  }
  if (mode == "bare-window") {
    return bareWindowStart();
  }
  setenv("LUMETRA_DISPLAY", "headless", 1);
  if (mode == "convert") {
    return convert(argc, argv);
  }
  if (mode == "batch") {
    return batch(argc, argv);
  }
  return usage();
}
