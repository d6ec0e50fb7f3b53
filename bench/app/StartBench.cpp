// app_start_bench [RUNS]: the program's start-up to a painted main window, beside a bare window's,
// and its resident size 5 s after start.
//
// Each figure is measured from the moment this process starts the child. Headless, the child is
// lumetra_bench, which plays the program's entry point (or shows a bare 480 x 320 window) and
// reports the driver's first present of the frame and the moment of each start-up step; under a
// private Xvfb the same children run on the X11 driver beside build/bin/lumetra itself, and this
// process, a second X client, watches the screen for the first pixels that differ from the empty
// screen and for the first pixel of the drop box's frame colour (the painted main window), also
// for two copies of build/bin/lumetra started at once, one of which must hand over to the other.
// The kinds alternate within each round; the table gives medians of RUNS rounds (default 5)
// after a warm-up round, and the program's rounds follow one by one. Needs Xvfb for the X11
// columns; without it they are left out with the reason.
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Xvfb.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::testlib::ChildProcess;
using lumetra::testlib::Environment;

int64_t monotonicNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

/// What one start showed, in milliseconds after the child was started; absent when not seen.
using Moments = std::map<std::string, double>;

/// The drop box's frame colour, 0xRRGGBB as a 24-bit TrueColor pixel holds it.
constexpr uint32_t kFrameColour = (145u << 16) | (155u << 8) | 156u;

/// The screen as a second client reads it.
class ScreenWatch {
 public:
  ScreenWatch() : m_display(XOpenDisplay(nullptr)) {}
  ~ScreenWatch() {
    if (m_empty != nullptr) XDestroyImage(m_empty);
    if (m_display != nullptr) XCloseDisplay(m_display);
  }
  ScreenWatch(const ScreenWatch&) = delete;
  ScreenWatch& operator=(const ScreenWatch&) = delete;

  bool open() const { return m_display != nullptr; }

  /// Keeps the screen as it is now: the background later pictures are compared with. A window
  /// of `rgb` still there (the server may take a moment to drop the windows of a killed start)
  /// is waited for to go, 5 s at most: a new window at its place would change nothing.
  void keepEmpty(uint32_t rgb) {
    if (m_empty != nullptr) XDestroyImage(m_empty);
    m_empty = nullptr;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      XImage* now = grab();
      if (now == nullptr || !holds(now, rgb) || std::chrono::steady_clock::now() >= giveUp) {
        m_empty = now;
        return;
      }
      XDestroyImage(now);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  /// Whether any pixel differs from the empty screen, and whether one has the colour `rgb`.
  void look(uint32_t rgb, bool* changed, bool* hasColour) {
    XImage* now = grab();
    *changed = false;
    *hasColour = false;
    if (now == nullptr || m_empty == nullptr) {
      if (now != nullptr) XDestroyImage(now);
      return;
    }
    for (int y = 0; y < now->height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(now->data + y * now->bytes_per_line);
      const auto* before =
          reinterpret_cast<const uint32_t*>(m_empty->data + y * m_empty->bytes_per_line);
      if (!*changed && std::memcmp(row, before, static_cast<size_t>(now->width) * 4) != 0) {
        *changed = true;
      }
      if (*changed) {
        for (int x = 0; x < now->width && !*hasColour; ++x) {
          *hasColour = (row[x] & 0xFFFFFF) == rgb;
        }
      }
      if (*hasColour) break;
    }
    XDestroyImage(now);
  }

 private:
  static bool holds(XImage* image, uint32_t rgb) {
    for (int y = 0; y < image->height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line);
      for (int x = 0; x < image->width; ++x) {
        if ((row[x] & 0xFFFFFF) == rgb) return true;
      }
    }
    return false;
  }

  XImage* grab() {
    Window root = DefaultRootWindow(m_display);
    XWindowAttributes attributes;
    XGetWindowAttributes(m_display, root, &attributes);
    return XGetImage(m_display, root, 0, 0, static_cast<unsigned>(attributes.width),
                     static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  }

  Display* m_display;
  XImage* m_empty = nullptr;
};

/// Starts `argv` (`copies` times at once) and gathers its moments: the lines a lumetra_bench
/// child prints and, with a screen, the first changed pixels and the first frame-coloured pixel.
/// Copies started at once are given 10 s after the frame colour to hand over and end; how many
/// still run then goes to "copies running".
Moments startOnce(const std::vector<std::string>& argv, const Environment& environment,
                  ScreenWatch* screen, bool printsMoments, int copies = 1) {
  if (screen != nullptr) screen->keepEmpty(kFrameColour);
  const int64_t started = monotonicNow();
  ChildProcess child(argv, environment, true);
  std::vector<ChildProcess> others;
  for (int i = 1; i < copies; ++i) others.emplace_back(argv, environment, true);
  auto since = [started](int64_t at) { return static_cast<double>(at - started) / 1e6; };
  Moments moments;
  std::string output;
  bool done = !printsMoments;
  bool changed = screen == nullptr;
  bool painted = screen == nullptr;
  const int64_t deadline = started + 20'000'000'000LL;
  while (monotonicNow() < deadline && (!done || !changed || !painted)) {
    if (!changed || !painted) {
      bool nowChanged = false;
      bool nowPainted = false;
      screen->look(kFrameColour, &nowChanged, &nowPainted);
      const double at = since(monotonicNow());
      if (nowChanged && !changed) {
        changed = true;
        moments["first pixels seen"] = at;
      }
      if (nowPainted && !painted) {
        painted = true;
        moments["frame colour seen"] = at;
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!done) {
      output += child.readOutput();
      done = output.find("done\n") != std::string::npos;
    }
    // Of copies started at once, the first may be the one that hands over and ends.
    bool running = child.running();
    for (ChildProcess& other : others) running = other.running() || running;
    if (!running && (done || !printsMoments)) break;
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string kind;
    long long at = 0;
    words >> kind >> at;
    std::string name;
    std::getline(words >> std::ws, name);
    if (kind == "main") {
      moments["process to main"] = since(at);
    } else if (kind == "step") {
      moments[name] = since(at);
    } else if (kind == "present") {
      moments["first present"] = since(at);
    }
  }
  if (copies > 1) {
    auto running = [&] {
      int count = child.running() ? 1 : 0;
      for (ChildProcess& other : others) count += other.running() ? 1 : 0;
      return count;
    };
    const int64_t settled = monotonicNow() + 10'000'000'000LL;
    while (running() > 1 && monotonicNow() < settled) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    moments["copies running"] = running();
    for (ChildProcess& other : others) other.kill();
  }
  child.kill();
  return moments;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/// The rows of the table, in the order of the start-up.
const char* const kRows[] = {"process to main",
                             "entry",
                             "hooks",
                             "resources",
                             "language pack",
                             "skin pictures",
                             "registry",
                             "window description",
                             "instance check",
                             "widget tree",
                             "first layout",
                             "first paint",
                             "first present",
                             "first pixels seen",
                             "frame colour seen",
                             "copies running"};

struct Column {
  std::string title;
  std::vector<std::string> argv;
  bool printsMoments;
  std::vector<Moments> runs;
  int copies = 1;
};

void printTable(std::vector<Column>& columns) {
  std::printf("%-20s", "ms after the start");
  for (const Column& column : columns) std::printf(" %14s", column.title.c_str());
  std::printf("\n");
  for (const char* row : kRows) {
    bool any = false;
    std::string text;
    char cell[64];
    std::snprintf(cell, sizeof cell, "%-20s", row);
    text += cell;
    for (const Column& column : columns) {
      std::vector<double> values;
      for (const Moments& run : column.runs) {
        auto found = run.find(row);
        if (found != run.end()) values.push_back(found->second);
      }
      if (values.size() == column.runs.size() && !values.empty()) {
        std::snprintf(cell, sizeof cell, " %14.1f", median(values));
        any = true;
      } else {
        std::snprintf(cell, sizeof cell, " %14s", "-");
      }
      text += cell;
    }
    if (any) std::printf("%s\n", text.c_str());
  }
}

/// Each round of the columns that run build/bin/lumetra: its frame colour's moment and, for
/// copies started at once, how many still ran after the hand-over.
void printRounds(const std::vector<Column>& columns, const std::string& program) {
  for (const Column& column : columns) {
    if (column.argv.front() != program) continue;
    std::printf("%s, each round (ms to the frame colour):", column.title.c_str());
    int over = 0;
    for (const Moments& run : column.runs) {
      auto seen = run.find("frame colour seen");
      if (seen == run.end()) {
        std::printf(" -");
      } else {
        std::printf(" %.0f", seen->second);
      }
      auto left = run.find("copies running");
      if (left != run.end() && left->second > 1) ++over;
    }
    std::printf("\n");
    if (column.copies > 1) {
      std::printf("%s: %d of %zu rounds left more than one copy running\n", column.title.c_str(),
                  over, column.runs.size());
    }
  }
}

void runColumns(std::vector<Column>& columns, const Environment& environment, ScreenWatch* screen,
                int runs) {
  for (int round = -1; round < runs; ++round) {
    for (Column& column : columns) {
      Moments moments =
          startOnce(column.argv, environment, screen, column.printsMoments, column.copies);
      if (round >= 0) column.runs.push_back(std::move(moments));
      // Let the ended child's memory and the server settle before the next start.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
}

/// A field of /proc/PID/status in kB, -1 when missing.
int64_t statusKb(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) {
      return std::strtoll(line.c_str() + prefix.size(), nullptr, 10);
    }
  }
  return -1;
}

void printResidentAfterStart(const std::string& program, const Environment& environment,
                             const char* where) {
  ChildProcess child({program}, environment, true);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  if (!child.running()) {
    std::printf("%-9s the program ended before 5 s: %s\n", where, child.readOutput().c_str());
    return;
  }
  std::printf("%-9s VmRSS %.1f MB, VmHWM %.1f MB (5 s after start)\n", where,
              statusKb(child.pid(), "VmRSS") / 1024.0, statusKb(child.pid(), "VmHWM") / 1024.0);
  child.kill();
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string bench = lumetra::testlib::besideSelf("lumetra_bench").string();
  const std::string program = lumetra::testlib::besideSelf("lumetra").string();
  lumetra::testlib::TempDir folder;
  // One registry for every child, so each start finds the values of the one before, as a user's
  // second start does.
  Environment headless = {{"LUMETRA_REGISTRY", folder.file("registry.sqlite3").string()},
                          {"LUMETRA_DISPLAY", "headless"}};

  std::printf(
      "Start-up to a painted window: median of %d runs after a warm-up, each kind in turn\n", runs);
  std::vector<Column> columns = {{"bare headless", {bench, "bare-window"}, true, {}},
                                 {"main headless", {bench, "main-window"}, true, {}}};
  runColumns(columns, headless, nullptr, runs);

  std::vector<Column> xColumns = {{"bare Xvfb", {bench, "bare-window"}, true, {}},
                                  {"main Xvfb", {bench, "main-window"}, true, {}},
                                  {"lumetra Xvfb", {program}, false, {}},
                                  {"2 at once Xvfb", {program}, false, {}, 2}};
  const bool withX = lumetra::testlib::Xvfb::start();
  Environment onX = {{"LUMETRA_REGISTRY", folder.file("registry.sqlite3").string()}};
  if (withX) {
    ScreenWatch screen;
    if (screen.open()) {
      runColumns(xColumns, onX, &screen, runs);
      columns.insert(columns.end(), xColumns.begin(), xColumns.end());
    } else {
      std::printf("(no X11 columns: this process could not open the Xvfb display)\n");
    }
  } else {
    std::printf("(no X11 columns: %s)\n", lumetra::testlib::Xvfb::skipReason().c_str());
  }
  printTable(columns);
  printRounds(columns, program);
  std::printf(
      "main = lumetra_bench playing the program's entry point; lumetra = build/bin/lumetra;\n"
      "2 at once = two copies of it started together (\"copies running\": how many still run 10 s\n"
      "after the frame colour, the hand-over done; one is right).\n"
      "Steps end at the moment given; \"first paint\" is the return of the show, which paints and\n"
      "presents; \"first present\" is the headless driver's count seen by another thread.\n\n");

  std::printf("Resident size of build/bin/lumetra:\n");
  printResidentAfterStart(program, headless, "headless");
  if (withX) printResidentAfterStart(program, onX, "Xvfb");
  return 0;
}
