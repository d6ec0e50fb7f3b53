// The program when its X server goes away or never was, and when the copy it would hand over to
// cannot take it: real copies of the program on a private Xvfb that the test kills or freezes,
// watched by a second X client that lets go of the server before it does.
#include "app/dialogs/effect/tests/AudioFiles.h"
#include "platform/reg/win/RegDir.h"

#include <windows.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/XdndSource.h"
#include "testlib/Xvfb.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using lumetra::testlib::ChildProcess;
using lumetra::testlib::Environment;
using lumetra::testlib::Xvfb;

constexpr const char* kTitle = "Lumetra v1.00";

// Waits in 10 ms steps, `seconds` at most, for done() to hold.
bool waitFor(const std::function<bool()>& done, int seconds = 30) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (done()) return true;
    usleep(10000);
  }
  return done();
}

int ignoreXError(Display*, XErrorEvent*) { return 0; }

/// The second client: finds the program's windows (inside a window manager's frames too). It is
/// closed before the test kills or freezes the server, so the test itself never waits for one.
class Client {
 public:
  Client() : m_display(XOpenDisplay(nullptr)) { XSetErrorHandler(&ignoreXError); }
  ~Client() {
    if (m_display != nullptr) XCloseDisplay(m_display);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  Display* display() const { return m_display; }

  /// The viewable windows titled `title` whose _NET_WM_PID is `pid`.
  std::vector<::Window> windowsOf(pid_t pid, const std::string& title) const {
    std::vector<::Window> found;
    collect(DefaultRootWindow(m_display), pid, title, 2, found);
    return found;
  }

  /// The window of `pid` titled `title`, waited for; 0 when none shows.
  ::Window waitForWindow(pid_t pid, const std::string& title = kTitle) const {
    ::Window window = 0;
    waitFor([&] {
      const std::vector<::Window> found = windowsOf(pid, title);
      window = found.empty() ? 0 : found.front();
      return window != 0;
    });
    return window;
  }

  /// Screen coordinates of a point of the window.
  POINT toScreen(::Window w, int x, int y) const {
    int rootX = 0;
    int rootY = 0;
    ::Window child;
    XTranslateCoordinates(m_display, w, DefaultRootWindow(m_display), x, y, &rootX, &rootY, &child);
    return POINT{rootX, rootY};
  }

  /// Asks the window to close as a window manager does.
  void close(::Window w) const {
    XEvent closing{};
    closing.xclient.type = ClientMessage;
    closing.xclient.window = w;
    closing.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    closing.xclient.format = 32;
    closing.xclient.data.l[0] =
        static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    XSendEvent(m_display, w, False, NoEventMask, &closing);
    XFlush(m_display);
  }

 private:
  void collect(::Window parent, pid_t pid, const std::string& title, int depth,
               std::vector<::Window>& found) const {
    ::Window root, up, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(m_display, parent, &root, &up, &children, &count) == 0) return;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attrs;
      if (text(children[i], "_NET_WM_NAME") == title && pidOf(children[i]) == pid &&
          XGetWindowAttributes(m_display, children[i], &attrs) && attrs.map_state == IsViewable) {
        found.push_back(children[i]);
      } else if (depth > 1) {
        collect(children[i], pid, title, depth - 1, found);
      }
    }
    if (children != nullptr) XFree(children);
  }

  std::string text(::Window w, const char* name) const {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(m_display, w, XInternAtom(m_display, name, False), 0, 1024, False,
                           XInternAtom(m_display, "UTF8_STRING", False), &actual, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && format == 8) {
      value.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return value;
  }

  pid_t pidOf(::Window w) const {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    pid_t pid = 0;
    if (XGetWindowProperty(m_display, w, XInternAtom(m_display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &actual, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1) {
      pid = static_cast<pid_t>(*reinterpret_cast<long*>(data));
    }
    if (data != nullptr) XFree(data);
    return pid;
  }

  Display* m_display;
};

/// Milliseconds from `since` until the child has ended, waiting 20 s at most; -1 when it still
/// runs. The bound the program keeps is 5 s; the wait leaves a loaded machine room, and tests
/// print the figure.
long msUntilEnded(ChildProcess& child, std::chrono::steady_clock::time_point since) {
  if (!child.wait(20000)) return -1;
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - since)
                               .count());
}

/// Whether the process holds a file open below `folder` other than `except`: the output it is
/// writing, whether that has a name yet or not.
bool writesBelow(pid_t pid, const fs::path& folder, const fs::path& except) {
  std::error_code error;
  for (const fs::directory_entry& fd :
       fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const fs::path target = fs::read_symlink(fd.path(), error);
    if (error) continue;
    const std::string text = target.string();
    if (text.rfind(folder.string() + "/", 0) == 0 && target != except) return true;
  }
  return false;
}

std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { Xvfb::start(); }
};

[[maybe_unused]] auto* g_xvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

/// A private copy of the program and its encoder library in the test's folder (a copy elsewhere
/// is another program, so no other test's copy takes a hand-over), with its own registry and
/// runtime folder.
class LostServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
    setenv("LUMETRA_REGISTRY", m_dir.file("registry.sqlite3").c_str(), 1);
    const fs::path bin = m_dir.file("bin");
    fs::create_directories(bin);
    for (const char* file : {"lumetra", "liblame_enc.so"}) {
      fs::copy_file(lumetra::testlib::besideSelf(file), bin / file);
      fs::permissions(bin / file, fs::perms::owner_all);
    }
    m_program = (bin / "lumetra").string();
    fs::create_directories(m_dir.file("run"));
    fs::permissions(m_dir.file("run"), fs::perms::owner_all);
    m_environment = {{"LUMETRA_REGISTRY", m_dir.file("registry.sqlite3").string()},
                     {"XDG_RUNTIME_DIR", m_dir.file("run").string()},
                     {"LANG", "en_US.UTF-8"}};
    m_client = std::make_unique<Client>();
    ASSERT_NE(m_client->display(), nullptr);
  }

  // A test that killed the server leaves a new one to the tests after it in this process.
  void TearDown() override {
    if (m_killed && !Xvfb::running()) Xvfb::restart();
  }

  /// A start of the program on the test's server; its output goes to a pipe the test reads.
  ChildProcess start(const Environment& extra = {}) {
    Environment environment = m_environment;
    environment.insert(environment.end(), extra.begin(), extra.end());
    return ChildProcess({m_program}, environment, true);
  }

  /// Kills the server as a crash would, after the test's own client has let go of it.
  std::chrono::steady_clock::time_point killServer() {
    m_client.reset();
    const auto now = std::chrono::steady_clock::now();
    m_killed = true;
    Xvfb::kill();
    return now;
  }

  lumetra::testlib::TempDir m_dir;
  std::string m_program;
  Environment m_environment;
  std::unique_ptr<Client> m_client;
  bool m_killed = false;
};

TEST_F(LostServer, AnIdleCopyEndsWithTheServerAndTheNextStartShowsItsWindow) {
  ChildProcess first = start();
  ASSERT_TRUE(first.started());
  ASSERT_NE(m_client->waitForWindow(first.pid()), 0u) << "no window titled " << kTitle;

  const auto killed = killServer();
  const long took = msUntilEnded(first, killed);
  ASSERT_GE(took, 0) << "the program still runs 20 s after its X server ended";
  std::printf("the program ended %ld ms after its X server\n", took);
  RecordProperty("ms_to_end_after_the_server", static_cast<int>(took));
  const std::string said = first.readOutputToEnd();
  EXPECT_NE(said.find("lumetra: the X server connection was lost"), std::string::npos) << said;
  EXPECT_EQ(first.exitCode(), 1) << "a lost server is no ordinary end";

  // A new server, and a start that finds no copy to hand over to: its own window shows.
  ASSERT_TRUE(Xvfb::restart()) << Xvfb::skipReason();
  m_client = std::make_unique<Client>();
  ASSERT_NE(m_client->display(), nullptr);
  ChildProcess next = start();
  const ::Window window = m_client->waitForWindow(next.pid());
  ASSERT_NE(window, 0u) << "the start after the lost server shows no window";
  m_client->close(window);
  EXPECT_TRUE(next.wait(20000));
  EXPECT_EQ(next.exitCode(), 0);
}

TEST_F(LostServer, AConversionStopsWithTheServerAndLeavesNoOutput) {
  // Pitch Up from MP3 to MP3 decodes, shifts and encodes every block: twenty minutes of audio
  // take far longer than the 5 s the program has to end, so the conversion runs until it ends.
  for (const auto& [section, name, text] :
       {std::tuple{u"Language", u"", u"English"},
        std::tuple{u"MainWindow\\View", u"ConvertTo", u"Pitch Up  (Raise Tone)"}}) {
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    key->open(HKEY_CURRENT_USER,
              (std::u16string(u"Software\\Tovi\\Tovi Lumetra\\SaveData\\") + section).c_str());
    key->setString(name, text);
    key->release();
  }
  const fs::path music = m_dir.file("music");
  fs::create_directories(music);
  const fs::path source = music / "long.mp3";
  {
    // Frames of a constant bitrate without a header frame follow each other in one stream.
    lumetra::apptest::writeTone(m_dir.file("tone.wav"), 440.0, 30.0);
    const lumetra::testlib::RunResult lame =
        lumetra::testlib::run({APP_LAME_PROGRAM, "--silent", "-t", "-b", "128",
                               m_dir.file("tone.wav").string(), m_dir.file("tone.mp3").string()});
    ASSERT_EQ(lame.exitCode, 0) << lame.output;
    std::ifstream in(m_dir.file("tone.mp3"), std::ios::binary);
    const std::string frames((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    std::ofstream out(source, std::ios::binary);
    for (int i = 0; i < 40; ++i) out << frames;
  }

  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  const ::Window window = m_client->waitForWindow(program.pid());
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  ASSERT_TRUE(waitFor([&] {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const bool aware =
        XGetWindowProperty(m_client->display(), window,
                           XInternAtom(m_client->display(), "XdndAware", False), 0, 1, False,
                           XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data != nullptr;
    if (data != nullptr) XFree(data);
    return aware;
  })) << "the window takes no drops";
  lumetra::testlib::XdndSource drag{
      m_client->display(), [](const std::function<bool()>& done) { return waitFor(done, 10); }};
  // The window takes drops once its drop box is laid out under the point, which a loaded machine
  // may reach after the window shows: a refused drag leaves nothing behind, so it is tried again,
  // at the window's place then (a window manager may still have been placing it).
  ASSERT_TRUE(waitFor([&] {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(m_client->display(), window, &attrs)) return false;
    // The drop box fills the middle of the window.
    const POINT at = m_client->toScreen(window, attrs.width / 2, attrs.height * 2 / 5);
    return drag.drop(window, at.x, at.y, lumetra::testlib::fileUri(source.string()) + "\r\n");
  })) << "the drop box refused the file";
  ASSERT_TRUE(waitFor([&] { return writesBelow(program.pid(), music, source); }))
      << "the conversion never began writing";

  const auto killed = killServer();
  const long took = msUntilEnded(program, killed);
  ASSERT_GE(took, 0) << "the program still runs 20 s after its X server ended";
  std::printf("the program ended %ld ms after its X server, during a conversion\n", took);
  RecordProperty("ms_to_end_during_a_conversion", static_cast<int>(took));
  const std::string said = program.readOutputToEnd();
  EXPECT_NE(said.find("lumetra: the X server connection was lost"), std::string::npos) << said;
  EXPECT_EQ(namesIn(music), (std::set<std::string>{"long.mp3"}))
      << "an unfinished output stays behind";
}

TEST_F(LostServer, ADisplayWithoutAServerIsRefused) {
  // The first display number from :99 up that no server holds.
  int number = 99;
  while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
  const std::string display = ":" + std::to_string(number);
  ChildProcess program = start({{"DISPLAY", display}, {"LUMETRA_DISPLAY", ""}});
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(program.wait(20000)) << "the program runs on without a display";
  EXPECT_EQ(program.exitCode(), 1);
  const std::string said = program.readOutputToEnd();
  EXPECT_NE(said.find("lumetra: cannot open display " + display + "\n"), std::string::npos) << said;
}

TEST_F(LostServer, ACopyThatCannotAnswerHereDoesNotTakeTheHandOver) {
  // A copy on the headless display runs, but not where the user is.
  ChildProcess elsewhere = start({{"LUMETRA_DISPLAY", "headless"}});
  ASSERT_TRUE(elsewhere.started());
  const fs::path headlessList =
      m_dir.file("run/lumetra-windows/headless/" + std::to_string(elsewhere.pid()) + ".windows");
  ASSERT_TRUE(waitFor([&] { return fs::exists(headlessList); }))
      << "the headless copy shows nothing";
  ChildProcess here = start();
  ASSERT_TRUE(here.started());
  const ::Window own = m_client->waitForWindow(here.pid());
  EXPECT_NE(own, 0u) << "a copy on another display took the hand-over";
  EXPECT_TRUE(elsewhere.running()) << "the other copy is left alone";

  // A frozen copy here does not answer: the next start goes on as the only copy.
  ASSERT_NE(own, 0u);
  ASSERT_TRUE(here.freeze());
  ChildProcess next = start();
  ASSERT_TRUE(next.started());
  const ::Window second = m_client->waitForWindow(next.pid());
  EXPECT_NE(second, 0u) << "a frozen copy took the hand-over";
  ASSERT_TRUE(here.thaw());
  EXPECT_TRUE(here.running()) << "the frozen copy is left alone";

  // Both windows still close as windows do.
  m_client->close(own);
  if (second != 0) m_client->close(second);
  EXPECT_TRUE(here.wait(20000));
  EXPECT_TRUE(next.wait(20000));
  EXPECT_EQ(here.exitCode(), 0);
  EXPECT_EQ(next.exitCode(), 0);
}

TEST_F(LostServer, SigtermEndsTheProgramWhileItsServerIsFrozen) {
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  ASSERT_NE(m_client->waitForWindow(program.pid()), 0u) << "no window titled " << kTitle;
  m_client.reset();
  // A stopped server answers nothing: every thread that asks it anything waits for good.
  ASSERT_EQ(kill(Xvfb::pid(), SIGSTOP), 0);
  const auto sent = std::chrono::steady_clock::now();
  kill(program.pid(), SIGTERM);
  const long took = msUntilEnded(program, sent);
  kill(Xvfb::pid(), SIGCONT);
  ASSERT_GE(took, 0) << "the program still runs 20 s after SIGTERM";
  std::printf("the program ended %ld ms after SIGTERM, its server frozen\n", took);
  RecordProperty("ms_to_end_on_sigterm_frozen_server", static_cast<int>(took));
  EXPECT_TRUE(program.exitCode() == 0 || program.signal() == SIGTERM)
      << "exit " << program.exitCode() << ", signal " << program.signal();
}

}  // namespace
