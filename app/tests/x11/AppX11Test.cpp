// The program as a user runs it under a real X server: an Xvfb of this test process, a private
// copy of the program, and a second X client in the test that finds its window, drops files on it
// through XDND, starts the program again and closes it through the window manager protocol.
#include "app/LumetraApp.h"
#include "app/dialogs/effect/tests/AudioFiles.h"
#include "app/tests/ShownPicture.h"
#include "app/win/AppBase.h"
#include "app/win/StartUpHooks.h"
#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/dialogs/About3.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/win/Window.h"
#include "imaging/win/BufferedImage.h"
#include "platform/reg/win/RegDir.h"

#include <windows.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "testlib/WindowManager.h"
#include "testlib/X11Windows.h"
#include "testlib/XdndSource.h"
#include "testlib/Xvfb.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using lumetra::testlib::ChildProcess;
using lumetra::testlib::Environment;
using lumetra::testlib::TempDir;
using lumetra::testlib::WindowManager;
using lumetra::testlib::XdndSource;
using lumetra::testlib::Xvfb;

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // A manager that does not start fails the run rather than leaving its cases to a bare server.
    if (Xvfb::start()) {
      EXPECT_TRUE(WindowManager::start()) << WindowManager::failure();
    }
  }
};

[[maybe_unused]] auto* g_xvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

/// The main window's title: the pack's title, " v" and the version.
constexpr const char* kTitle = "Lumetra v1.00";
/// The drop box's frame colour.
constexpr uint32_t kDropBoxFrame = (145u << 16) | (155u << 8) | 156u;

/// A rectangle for failure messages.
std::string placeText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// Waits in 10 ms steps, `seconds` at most, for done() to hold.
bool waitFor(const std::function<bool()>& done, int seconds = 10) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (done()) return true;
    usleep(10000);
  }
  return done();
}

// The viewer asks about windows that may be gone meanwhile; its failed requests answer nothing
// instead of ending the test (Xlib's default handler exits).
int ignoreXError(Display*, XErrorEvent*) { return 0; }

/// A picture of a window, as 0xRRGGBB pixels row by row.
struct Shot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

/// The second client: finds windows by title, reads their pixels and closes them.
class Viewer {
 public:
  Viewer() : m_display(XOpenDisplay(nullptr)) { XSetErrorHandler(&ignoreXError); }
  ~Viewer() {
    if (m_display != nullptr) XCloseDisplay(m_display);
  }
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  Display* display() const { return m_display; }
  Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

  /// The viewable top-level X windows with this title.
  std::vector<::Window> all(const std::string& title) const {
    std::vector<::Window> found;
    for (::Window w : lumetra::testlib::clientWindows(m_display)) {
      XWindowAttributes attrs;
      if (property(w, "_NET_WM_NAME", atom("UTF8_STRING")) == title &&
          XGetWindowAttributes(m_display, w, &attrs) && attrs.map_state == IsViewable) {
        found.push_back(w);
      }
    }
    return found;
  }

  std::string property(::Window w, const char* name, Atom type) const {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(m_display, w, atom(name), 0, 1024, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
      value.assign(reinterpret_cast<char*>(data), format == 32 ? count * sizeof(long) : count);
    }
    if (data != nullptr) XFree(data);
    return value;
  }

  Shot shoot(::Window w) const {
    Shot shot;
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(m_display, w, &attrs)) return shot;
    XImage* image = XGetImage(m_display, w, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (image == nullptr) return shot;
    shot.width = attrs.width;
    shot.height = attrs.height;
    shot.pixels.reserve(static_cast<size_t>(attrs.width) * static_cast<size_t>(attrs.height));
    for (int row = 0; row < attrs.height; ++row) {
      for (int col = 0; col < attrs.width; ++col) {
        shot.pixels.push_back(static_cast<uint32_t>(XGetPixel(image, col, row) & 0xFFFFFF));
      }
    }
    XDestroyImage(image);
    return shot;
  }

  /// Writes the picture as a PNG in the test's working folder (in the build folder), for people
  /// to look at.
  static void save(const Shot& shot, const char* file) {
    std::vector<uint32_t> argb;
    argb.reserve(shot.pixels.size());
    for (uint32_t p : shot.pixels) argb.push_back(0xFF000000u | p);
    winapi::HeadlessDriver::savePng(argb.data(), shot.width, shot.height, false, file);
  }

  /// Screen coordinates of a point of the window.
  POINT toScreen(::Window w, int x, int y) const {
    int rootX = 0;
    int rootY = 0;
    ::Window child;
    XTranslateCoordinates(m_display, w, DefaultRootWindow(m_display), x, y, &rootX, &rootY, &child);
    return POINT{rootX, rootY};
  }

  /// The rectangle a window covers on the screen, the window manager's frame included.
  RECT framePlace(::Window w) const {
    const ::Window frame = lumetra::testlib::frameOf(m_display, w);
    ::Window root;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (frame == 0 ||
        !XGetGeometry(m_display, frame, &root, &x, &y, &width, &height, &border, &depth)) {
      return RECT{0, 0, 0, 0};
    }
    // A frame's X border lies outside the size the server gives.
    return RECT{x, y, x + static_cast<LONG>(width + 2 * border),
                y + static_cast<LONG>(height + 2 * border)};
  }

  /// The desktop's work area (_NET_WORKAREA of the first desktop), or the screen without one.
  RECT workArea() const {
    const std::string words = property(DefaultRootWindow(m_display), "_NET_WORKAREA", XA_CARDINAL);
    if (words.size() >= 4 * sizeof(long)) {
      const auto* v = reinterpret_cast<const long*>(words.data());
      return RECT{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
                  static_cast<LONG>(v[1] + v[3])};
    }
    return RECT{0, 0, DisplayWidth(m_display, DefaultScreen(m_display)),
                DisplayHeight(m_display, DefaultScreen(m_display))};
  }

  /// A picture of part of the screen.
  Shot shootScreen(const RECT& r) const {
    Shot shot;
    XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), r.left, r.top,
                              static_cast<unsigned>(r.right - r.left),
                              static_cast<unsigned>(r.bottom - r.top), AllPlanes, ZPixmap);
    if (image == nullptr) return shot;
    shot.width = r.right - r.left;
    shot.height = r.bottom - r.top;
    for (int row = 0; row < shot.height; ++row) {
      for (int col = 0; col < shot.width; ++col) {
        shot.pixels.push_back(static_cast<uint32_t>(XGetPixel(image, col, row) & 0xFFFFFF));
      }
    }
    XDestroyImage(image);
    return shot;
  }

  /// A click of `button` at a point of the window, through the server's test extension: press
  /// and release at once, the quickest click a user's mouse makes.
  void click(::Window w, int x, int y, unsigned button) const {
    const POINT at = toScreen(w, x, y);
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), at.x, at.y, CurrentTime);
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    XFlush(m_display);
  }

  /// Asks the window to close as a window manager does: WM_PROTOCOLS with WM_DELETE_WINDOW.
  void close(::Window w) const {
    XEvent closing{};
    closing.xclient.type = ClientMessage;
    closing.xclient.window = w;
    closing.xclient.message_type = atom("WM_PROTOCOLS");
    closing.xclient.format = 32;
    closing.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
    XSendEvent(m_display, w, False, NoEventMask, &closing);
    XFlush(m_display);
  }

 private:
  Display* m_display;
};

/// The drop box in a picture of the main window: the frame of its colour that lies furthest left
/// (the options panel, right of it, wears the same colour). Empty until it has been painted.
struct Frame {
  int left = -1, top = -1, right = -1, bottom = -1;
  bool found() const { return left >= 0; }
};

Frame findDropBox(const Shot& shot) {
  // Its left edge: the first column, from the left, holding a vertical run of the frame colour
  // taller than any text stroke.
  constexpr int kMinimumEdge = 40;
  for (int x = 0; x < shot.width; ++x) {
    int run = 0;
    for (int y = 0; y <= shot.height; ++y) {
      if (y < shot.height && shot.at(x, y) == kDropBoxFrame) {
        ++run;
        continue;
      }
      if (run >= kMinimumEdge) {
        Frame frame;
        frame.left = x;
        frame.top = y - run;
        frame.bottom = y - 1;
        // Its right edge: the next pixel of the colour along the middle row.
        const int middle = (frame.top + frame.bottom) / 2;
        for (int r = x + 1; r < shot.width; ++r) {
          if (shot.at(r, middle) == kDropBoxFrame) {
            frame.right = r;
            break;
          }
        }
        if (frame.right > frame.left + kMinimumEdge) return frame;
      }
      run = 0;
    }
  }
  return Frame{};
}

/// The size of a file, or -1 while it does not exist.
int64_t sizeOf(const fs::path& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? -1 : static_cast<int64_t>(size);
}

/// Whether a WAV file's header is complete: its RIFF size covers the whole file. The writer puts
/// the sizes in when it closes the file.
bool waveIsClosed(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> head(12);
  if (!in.read(reinterpret_cast<char*>(head.data()), 12)) return false;
  return static_cast<int64_t>(lumetra::testlib::readLe32(head, 4)) + 8 == sizeOf(path);
}

std::string firstBytes(const fs::path& path, size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

/// A folder of the test's own with a private copy of the program and its encoder library (a
/// copy elsewhere is another program, so no other running copy takes the hand-over), a registry
/// the test seeds, and the program's environment.
class AppX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
    ASSERT_NE(viewer.display(), nullptr);
    // The test's own registry calls open the same database as the program's.
    setenv("LUMETRA_REGISTRY", m_dir.file("registry.sqlite3").c_str(), 1);
  }

  /// Copies the program and its encoder library into the test's folder.
  void installProgram() {
    const fs::path bin = m_dir.file("bin");
    fs::create_directories(bin);
    for (const char* file : {"lumetra", "liblame_enc.so"}) {
      fs::copy_file(lumetra::testlib::besideSelf(file), bin / file);
      fs::permissions(bin / file, fs::perms::owner_all);
    }
    m_program = (bin / "lumetra").string();
    const fs::path runtime = m_dir.file("run");
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    m_environment = {{"LUMETRA_REGISTRY", m_dir.file("registry.sqlite3").string()},
                     {"XDG_RUNTIME_DIR", runtime.string()},
                     {"LANG", "en_US.UTF-8"}};
  }

  /// The stacking place of a top-level window (its frame under a window manager) among the
  /// root's children, bottom first; -1 when it is not one.
  int stackingPlace(::Window w) const {
    const std::vector<::Window> all = lumetra::testlib::clientWindows(viewer.display());
    const auto it = std::find(all.begin(), all.end(), w);
    return it == all.end() ? -1 : static_cast<int>(it - all.begin());
  }

  /// Writes a text value below HKEY_CURRENT_USER\Software\Tovi\Tovi Lumetra\SaveData.
  static void seed(const std::u16string& section, const char16_t* name,
                   const std::u16string& text) {
    const std::u16string path = u"Software\\Tovi\\Tovi Lumetra\\SaveData\\" + section;
    // A key that is missing is made by the first value written to it.
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    key->open(HKEY_CURRENT_USER, path.c_str());
    key->setString(name, text.c_str());
    key->release();
    key = s::reg::win::RegDir::take();
    key->open(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(std::u16string(key->getString(name, u"<none>", nullptr, false)), text);
    key->release();
  }

  /// Writes a number below the same key.
  static void seedNumber(const std::u16string& section, const char16_t* name, int32_t value) {
    const std::u16string path = u"Software\\Tovi\\Tovi Lumetra\\SaveData\\" + section;
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    key->open(HKEY_CURRENT_USER, path.c_str());
    key->setInt32(name, value);
    key->release();
  }

  /// The program's output goes to the test's own: a pipe no one drains could stop it.
  ChildProcess start() { return ChildProcess({m_program}, m_environment); }

  /// The main window of a started copy, once it shows.
  ::Window mainWindow() {
    ::Window window = 0;
    // A program built with the sanitizers on a busy machine can take seconds to show.
    waitFor(
        [&] {
          const std::vector<::Window> found = viewer.all(kTitle);
          window = found.empty() ? 0 : found.front();
          return window != 0;
        },
        30);
    return window;
  }

  /// Where the window stands on the screen with the window manager's frame, once that has not
  /// changed for a second.
  RECT settledPlace(::Window window) const {
    RECT last = viewer.framePlace(window);
    int same = 0;
    waitFor(
        [&] {
          const RECT now = viewer.framePlace(window);
          same = EqualRect(&now, &last) ? same + 1 : 0;
          last = now;
          return same >= 20;
        },
        30);
    return last;
  }

  /// Closes the window as a window manager does and waits for the program's end.
  void closeAndWait(ChildProcess& program, ::Window window) {
    viewer.close(window);
    EXPECT_TRUE(program.wait(10000)) << "the program did not end after its window closed";
    EXPECT_EQ(program.exitCode(), 0);
  }

  TempDir m_dir;
  Viewer viewer;
  std::string m_program;
  Environment m_environment;
};

TEST_F(AppX11, FilesDroppedFromAnotherClientConvertAndASecondStartHandsOver) {
  // Pitch Up's default level is +1: one semitone up.
  seed(u"Language", u"", u"English");
  seed(u"MainWindow\\View", u"ConvertTo", u"Pitch Up  (Raise Tone)");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  const fs::path music = m_dir.file("music");
  fs::create_directories(music);
  lumetra::apptest::writeTone(music / "tone.wav", 440.0, 2.0);
  lumetra::apptest::writeTone(m_dir.file("lame-source.wav"), 440.0, 2.0);
  ASSERT_TRUE(lumetra::apptest::encodeMp3(m_dir.file("lame-source.wav"), music / "song.mp3", 192));

  ChildProcess first = start();
  ASSERT_TRUE(first.started());
  ::Window window = 0;
  // A program built with the sanitizers on a busy machine can take seconds to show.
  ASSERT_TRUE(waitFor(
      [&] {
        const std::vector<::Window> found = viewer.all(kTitle);
        window = found.empty() ? 0 : found.front();
        return window != 0;
      },
      30))
      << "no window titled " << kTitle;
  ASSERT_TRUE(waitFor([&] { return !viewer.property(window, "XdndAware", XA_ATOM).empty(); }))
      << "the window takes no drops";
  Shot shot;
  Frame box;
  ASSERT_TRUE(waitFor(
      [&] {
        shot = viewer.shoot(window);
        box = findDropBox(shot);
        return box.found();
      },
      20))
      << "the drop box's frame never showed";
  // Settled pictures only: the window is laid out once before it shows and may be again after,
  // and a window manager may still be placing it. The picture is taken once the window stays
  // put and its drop box stands where it stood in the picture before.
  const RECT beforeDrop = settledPlace(window);
  Frame last;
  ASSERT_TRUE(waitFor([&] {
    shot = viewer.shoot(window);
    const Frame previous = last;
    box = last = findDropBox(shot);
    return box.found() && box.left == previous.left && box.top == previous.top &&
           box.right == previous.right && box.bottom == previous.bottom;
  })) << "the drop box never held still";
  Viewer::save(shot, "app_main_window.png");

  const POINT at = viewer.toScreen(window, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
  XdndSource source{viewer.display(),
                    [](const std::function<bool()>& done) { return waitFor(done); }};
  const std::string uris = lumetra::testlib::fileUri((music / "tone.wav").string()) + "\r\n" +
                           lumetra::testlib::fileUri((music / "song.mp3").string()) + "\r\n";
  ASSERT_TRUE(source.drop(window, at.x, at.y, uris)) << "the drop box refused the files";

  // The outputs are whole once the WAV's header is closed and neither file has grown for a
  // second (the MP3 is written last, in the order of the drop).
  const fs::path wavOut = music / "tone (Pit,+1).wav";
  const fs::path mp3Out = music / "song (Pit,+1).mp3";
  int64_t lastWav = -2;
  int64_t lastMp3 = -2;
  int steady = 0;
  const bool written = waitFor(
      [&] {
        const int64_t wav = sizeOf(wavOut);
        const int64_t mp3 = sizeOf(mp3Out);
        steady = (wav == lastWav && mp3 == lastMp3) ? steady + 1 : 0;
        lastWav = wav;
        lastMp3 = mp3;
        return wav > 0 && mp3 > 0 && steady >= 100 && waveIsClosed(wavOut);
      },
      60);
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(music)) {
    names.insert(entry.path().filename().string());
  }
  ASSERT_TRUE(written) << "outputs: " << sizeOf(wavOut) << " and " << sizeOf(mp3Out) << " bytes";
  const RECT afterDrop = settledPlace(window);
  EXPECT_TRUE(EqualRect(&afterDrop, &beforeDrop))
      << "the drop moved the window from " << placeText(beforeDrop) << " to "
      << placeText(afterDrop);
  EXPECT_EQ(names, (std::set<std::string>{"tone.wav", "song.mp3", "tone (Pit,+1).wav",
                                          "song (Pit,+1).mp3"}))
      << "one output beside each source, of its kind, named by the effect and level";

  // Each output is of its source's kind, and plays the tone one semitone up.
  const std::string wavHead = firstBytes(wavOut, 12);
  EXPECT_EQ(wavHead.substr(0, 4), "RIFF");
  EXPECT_EQ(wavHead.substr(8, 4), "WAVE");
  const std::string mp3Head = firstBytes(mp3Out, 3);
  ASSERT_EQ(mp3Head.size(), 3u);
  EXPECT_TRUE(mp3Head == "ID3" || (static_cast<uint8_t>(mp3Head[0]) == 0xFF &&
                                   (static_cast<uint8_t>(mp3Head[1]) & 0xE0) == 0xE0))
      << "an MPEG audio file";
  const double semitoneUp = 440.0 * std::pow(2.0, 1.0 / 12.0);
  for (const auto& [path, mp3] : {std::pair{wavOut, false}, std::pair{mp3Out, true}}) {
    const lumetra::apptest::Decoded read =
        lumetra::apptest::decode(m_dir.windowsPath("music/" + path.filename().string()), mp3);
    ASSERT_GT(read.pcmLength, 0) << path;
    EXPECT_EQ(read.rate, 44100) << path;
    EXPECT_NEAR(lumetra::apptest::playedFrequency(read), semitoneUp, semitoneUp * 0.005) << path;
  }

  // A second start finds the first copy, hands over to it and ends without a window.
  ChildProcess second = start();
  ASSERT_TRUE(second.started());
  size_t most = 0;
  const bool ended = waitFor(
      [&] {
        most = std::max(most, viewer.all(kTitle).size());
        return !second.running();
      },
      5);
  EXPECT_TRUE(ended) << "the second start did not end within 5 s";
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(most, 1u) << "the second start showed a window of its own";
  EXPECT_EQ(viewer.all(kTitle).size(), 1u);

  // Closed by the window manager protocol, the first copy ends well.
  viewer.close(window);
  EXPECT_TRUE(first.wait(10000)) << "the program did not end after its window closed";
  EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(AppX11, AProgramKilledDuringABatchLeavesOnlyWholeFiles) {
  seed(u"Language", u"", u"English");
  seed(u"MainWindow\\View", u"ConvertTo", u"Pitch Up  (Raise Tone)");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  const fs::path music = m_dir.file("music");
  fs::create_directories(music);
  // Three minutes each, so that the second is caught half-way.
  for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
    lumetra::apptest::writeTone(music / name, 440.0, 180.0);
  }
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  ::Window window = 0;
  ASSERT_TRUE(waitFor(
      [&] {
        const std::vector<::Window> found = viewer.all(kTitle);
        window = found.empty() ? 0 : found.front();
        return window != 0 && !viewer.property(window, "XdndAware", XA_ATOM).empty();
      },
      30));
  Frame box;
  ASSERT_TRUE(waitFor(
      [&] {
        box = findDropBox(viewer.shoot(window));
        return box.found();
      },
      20));
  XdndSource source{viewer.display(),
                    [](const std::function<bool()>& done) { return waitFor(done); }};
  std::string uris;
  for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
    uris += lumetra::testlib::fileUri((music / name).string()) + "\r\n";
  }
  // A window manager may still be placing the window when its drop box shows: a refused drag
  // leaves nothing behind, so it is tried again at the window's place then.
  ASSERT_TRUE(waitFor([&] {
    const POINT at =
        viewer.toScreen(window, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
    return source.drop(window, at.x, at.y, uris);
  })) << "the drop box refused the files";

  // Killed when the second file is half read.
  const fs::path second = fs::canonical(music / "two.wav");
  const int64_t half = sizeOf(second) / 2;
  ASSERT_TRUE(
      waitFor([&] { return lumetra::testlib::openFileOffset(program.pid(), second) >= half; }, 60))
      << "the second file was never half read";
  program.kill();

  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(music)) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"one.wav", "two.wav", "three.wav", "one (Pit,+1).wav"}))
      << "the finished output and nothing of the others";
  EXPECT_TRUE(waveIsClosed(music / "one (Pit,+1).wav"));
  EXPECT_EQ(sizeOf(music / "one (Pit,+1).wav"), sizeOf(music / "one.wav"));
}

/// Counts the configure events of a window that requests (the program's, the window manager's)
/// bring about while it is watched.
class ConfigureWatch {
 public:
  ConfigureWatch(Display* display, ::Window window) : m_display(display), m_window(window) {
    XSelectInput(display, window, StructureNotifyMask);
    count();
    m_count = 0;
  }
  ~ConfigureWatch() { XSelectInput(m_display, m_window, NoEventMask); }
  ConfigureWatch(const ConfigureWatch&) = delete;
  ConfigureWatch& operator=(const ConfigureWatch&) = delete;

  int count() {
    XSync(m_display, False);
    while (XPending(m_display) > 0) {
      XEvent e;
      XNextEvent(m_display, &e);
      if (e.type == ConfigureNotify && e.xconfigure.window == m_window) {
        ++m_count;
        const std::pair<int, int> size{e.xconfigure.width, e.xconfigure.height};
        if (m_sizes.empty() || m_sizes.back() != size) m_sizes.push_back(size);
      }
    }
    return m_count;
  }
  /// The sizes the window had in the events, each change once, in order.
  const std::vector<std::pair<int, int>>& sizes() {
    count();
    return m_sizes;
  }

 private:
  Display* m_display;
  ::Window m_window;
  int m_count = 0;
  std::vector<std::pair<int, int>> m_sizes;
};

bool inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

/// The name pictures and messages give the desktop the test runs on.
std::string desktopName() {
  return WindowManager::name().empty() ? std::string("none") : WindowManager::name();
}

TEST_F(AppX11, TwoCopiesStartedAtOnceShowOneWindowAsSoonAsOneStartAlone) {
  using namespace std::chrono_literals;
  seed(u"Language", u"", u"English");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  // A start alone, on this machine and desktop now: the time its window takes to show.
  const auto alone = std::chrono::steady_clock::now();
  ChildProcess single = start();
  const ::Window first = mainWindow();
  ASSERT_NE(first, 0u) << "no window titled " << kTitle;
  const auto singleMs = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - alone);
  closeAndWait(single, first);
  // A start that waited for the other's window, as each of two did before they took turns,
  // would show nothing for 5 s more than a start alone; 4 s more is its bound here.
  const std::chrono::milliseconds soon = singleMs + 4000ms;

  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round) + " under " + desktopName());
    ChildProcess a = start();
    ChildProcess b = start();
    ASSERT_TRUE(a.started() && b.started());
    size_t most = 0;
    auto windows = [&] {
      const size_t now = viewer.all(kTitle).size();
      most = std::max(most, now);
      return now;
    };
    EXPECT_TRUE(lumetra::testlib::waitUntil([&] { return windows() != 0; }, soon))
        << "no window within " << soon.count() << " ms; a start alone took " << singleMs.count()
        << " ms";
    // One start hands over to the other and ends; the other runs on with the one window.
    ASSERT_TRUE(lumetra::testlib::waitUntil(
        [&] {
          windows();
          return !a.running() || !b.running();
        },
        30s))
        << "both copies run on, with " << most << " windows";
    ChildProcess& handedOver = a.running() ? b : a;
    ChildProcess& running = a.running() ? a : b;
    EXPECT_EQ(handedOver.exitCode(), 0);
    EXPECT_TRUE(lumetra::testlib::waitUntil([&] { return windows() != 0; }));
    EXPECT_EQ(windows(), 1u);
    EXPECT_EQ(most, 1u) << "a second window showed";
    EXPECT_TRUE(running.running());
    const std::vector<::Window> shown = viewer.all(kTitle);
    ASSERT_FALSE(shown.empty());
    closeAndWait(running, shown.front());
  }
}

TEST_F(AppX11, AFirstStartOpensInsideTheWorkAreaAndTheWindowStaysPut) {
  seed(u"Language", u"", u"English");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  const ::Window window = mainWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  const RECT place = settledPlace(window);
  const RECT work = viewer.workArea();
  EXPECT_TRUE(inside(place, work))
      << placeText(place) << " in " << placeText(work) << " under " << desktopName();
  EXPECT_TRUE(waitFor([&] { return findDropBox(viewer.shoot(window)).found(); }, 20))
      << "the drop box's frame never showed";
  const std::string picture = "app_main_window_" + desktopName() + ".png";
  Viewer::save(viewer.shootScreen(place), picture.c_str());

  // Nobody moves it: no request, no move, idle or with the pointer going over it. Here the
  // waits are the point: that nothing happens shows only over a span of time, so the window is
  // watched for 3 s of idleness and then for 150 moves of the pointer over it, 20 ms apart, as a
  // hand moves it; there is no event to wait for.
  ConfigureWatch watch(viewer.display(), window);
  usleep(3000000);
  EXPECT_EQ(watch.count(), 0) << "the window was configured while nothing happened";
  Display* x = viewer.display();
  for (int step = 0; step < 150; ++step) {
    const POINT at = viewer.toScreen(window, 10 + (step * 7) % 200, 30 + (step * 13) % 150);
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, at.x, at.y);
    XFlush(x);
    usleep(20000);
  }
  EXPECT_EQ(watch.count(), 0) << "the window was configured while the pointer moved over it";
  const RECT after = viewer.framePlace(window);
  EXPECT_TRUE(EqualRect(&after, &place)) << placeText(after) << " after " << placeText(place);
  closeAndWait(program, window);
}

TEST_F(AppX11, TheViewSwitchKeepsTheCornerAndReachesEachSizeInOneStep) {
  seed(u"Language", u"", u"English");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  const ::Window window = mainWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  const RECT small = settledPlace(window);
  ASSERT_TRUE(waitFor([&] { return findDropBox(viewer.shoot(window)).found(); }, 20));

  // One quick right click on the window's own background switches the view, there and back, the
  // first on a window no click has touched yet.
  RECT before = small;
  for (const char* view : {"large", "small"}) {
    ConfigureWatch watch(viewer.display(), window);
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(viewer.display(), window, &attrs));
    viewer.click(window, 3, attrs.height / 2, Button3);
    ASSERT_TRUE(waitFor(
        [&] {
          const RECT now = viewer.framePlace(window);
          return now.right - now.left != before.right - before.left;
        },
        30))
        << "the " << view << " view never came";
    const RECT after = settledPlace(window);
    EXPECT_EQ(after.left, before.left) << view;
    EXPECT_EQ(after.top, before.top) << view;
    EXPECT_TRUE(
        inside(RECT{after.left, after.top, after.left + 1, after.top + 1}, viewer.workArea()))
        << placeText(after);
    // From the old size straight to the new one: no size in between, none twice.
    const std::vector<std::pair<int, int>>& sizes = watch.sizes();
    ASSERT_FALSE(sizes.empty());
    EXPECT_LE(sizes.size(), 2u) << view << " view: " << sizes.size() << " sizes on the way";
    XGetWindowAttributes(viewer.display(), window, &attrs);
    EXPECT_EQ(sizes.back(), (std::pair<int, int>{attrs.width, attrs.height})) << view;
    before = after;
  }
  EXPECT_EQ(before.right - before.left, small.right - small.left) << "back at the small size";
  EXPECT_EQ(before.bottom - before.top, small.bottom - small.top);
  closeAndWait(program, window);
}

TEST_F(AppX11, ClosedAndStartedAgainTheWindowComesBackWhereItWas) {
  seed(u"Language", u"", u"English");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  ChildProcess first = start();
  ASSERT_TRUE(first.started());
  ::Window window = mainWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  settledPlace(window);
  // Another client moves it, as the user does through the window manager's frame.
  const RECT work = viewer.workArea();
  XMoveWindow(viewer.display(), window, work.left + 137, work.top + 91);
  XFlush(viewer.display());
  ASSERT_TRUE(waitFor([&] { return viewer.framePlace(window).left > work.left + 100; }))
      << placeText(viewer.framePlace(window));
  const RECT moved = settledPlace(window);
  closeAndWait(first, window);

  ChildProcess second = start();
  ASSERT_TRUE(second.started());
  window = mainWindow();
  ASSERT_NE(window, 0u) << "the second start shows no window";
  const RECT again = settledPlace(window);
  EXPECT_TRUE(EqualRect(&again, &moved))
      << placeText(again) << " after " << placeText(moved) << " under " << desktopName();
  closeAndWait(second, window);
}

TEST_F(AppX11, AStoredPlaceOffTheScreenIsBroughtBackInsideTheWorkArea) {
  seed(u"Language", u"", u"English");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  // Stored on a monitor left of this one that is gone: 48 of its 250 pixels would show.
  seedNumber(u"MainWindow\\View", u"X", -202);
  seedNumber(u"MainWindow\\View", u"Y", 106);
  seedNumber(u"MainWindow\\View", u"Width", 250);
  seedNumber(u"MainWindow\\View", u"Height", 250);
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  const ::Window window = mainWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  const RECT place = settledPlace(window);
  const RECT work = viewer.workArea();
  EXPECT_TRUE(inside(place, work)) << placeText(place) << " in " << placeText(work);
  closeAndWait(program, window);
}

/// The window manager's maximised state (_NET_WM_STATE_MAXIMIZED_VERT and _HORZ both) of every
/// top-level window made after the watch began, each change as a client of its own reads it at
/// once on the property's news: a state that flips back and forth within milliseconds is still
/// seen flipping, from the window's first map on.
class MaximizedStates {
 public:
  MaximizedStates() : m_display(XOpenDisplay(nullptr)) {
    if (m_display == nullptr) return;
    m_state = XInternAtom(m_display, "_NET_WM_STATE", False);
    m_vert = XInternAtom(m_display, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    m_horz = XInternAtom(m_display, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
    // In force before the caller goes on to start the program that makes the windows.
    XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
    XSync(m_display, False);
    m_thread = std::thread([this] { watch(); });
  }
  ~MaximizedStates() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_display != nullptr) XCloseDisplay(m_display);
  }
  MaximizedStates(const MaximizedStates&) = delete;
  MaximizedStates& operator=(const MaximizedStates&) = delete;

  /// The states `window` was seen in, the first as it was made.
  std::vector<bool> seen(::Window window) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_seen.find(window);
    return it == m_seen.end() ? std::vector<bool>{} : it->second;
  }

  /// How often a maximised state of `window` was taken away again.
  int drops(::Window window) const {
    const std::vector<bool> states = seen(window);
    int count = 0;
    for (size_t i = 1; i < states.size(); ++i) count += states[i - 1] && !states[i] ? 1 : 0;
    return count;
  }

  std::string text(::Window window) const {
    std::string out;
    for (bool maximized : seen(window)) out += maximized ? " maximised" : " normal";
    return out.empty() ? " none seen" : out;
  }

 private:
  bool maximized(::Window window) const {
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool vert = false, horz = false;
    if (XGetWindowProperty(m_display, window, m_state, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
      const auto* atoms = reinterpret_cast<const Atom*>(data);
      for (unsigned long i = 0; i < count; ++i) {
        vert = vert || atoms[i] == m_vert;
        horz = horz || atoms[i] == m_horz;
      }
    }
    if (data != nullptr) XFree(data);
    return vert && horz;
  }

  void note(::Window window) {
    const bool now = maximized(window);
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<bool>& states = m_seen[window];
    if (states.empty() || states.back() != now) states.push_back(now);
  }

  void watch() {
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    while (!m_stop) {
      // The wait only lets the watch end soon after it is told to; events wake it at once.
      if (XPending(m_display) == 0 && poll(&connection, 1, 10) <= 0) continue;
      while (XPending(m_display) > 0) {
        XEvent e;
        XNextEvent(m_display, &e);
        if (e.type == CreateNotify) {
          XSelectInput(m_display, e.xcreatewindow.window, PropertyChangeMask);
          note(e.xcreatewindow.window);
        } else if (e.type == PropertyNotify && e.xproperty.atom == m_state) {
          note(e.xproperty.window);
        }
      }
    }
  }

  Display* m_display;
  Atom m_state = 0;
  Atom m_vert = 0;
  Atom m_horz = 0;
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_lock;
  std::map<::Window, std::vector<bool>> m_seen;
  std::thread m_thread;
};

TEST_F(AppX11, AnAbsurdStoredSizeGivesAWindowWhoseFrameFitsTheScreen) {
  seed(u"Language", u"", u"English");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  // As a hand-edited registry may hold it: the small view's size near the 32-bit limit.
  for (const char16_t* side : {u"SmallWidth", u"SmallHeight"}) {
    seedNumber(u"MainWindow\\View", side, 2000000000);
  }
  // xfwm4 maximises a window that fills the screen as it maps it. Nothing here asks to end that
  // state (neither the program nor the user), so a state taken away again is the window's
  // answer fighting the manager's, a fight that may never end.
  MaximizedStates states;
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  const ::Window window = mainWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  Display* x = viewer.display();
  const int screenWidth = DisplayWidth(x, DefaultScreen(x));
  const int screenHeight = DisplayHeight(x, DefaultScreen(x));
  const RECT place = settledPlace(window);
  EXPECT_LE(place.right - place.left, screenWidth)
      << placeText(place) << " under " << desktopName();
  EXPECT_LE(place.bottom - place.top, screenHeight)
      << placeText(place) << " under " << desktopName();
  // Large all the same: the stored size is cut down to the screen, not thrown away.
  EXPECT_GE(place.right - place.left, screenWidth / 2) << placeText(place);
  // Settled, the window stays so. Only a span of time shows that nothing happens: this one is
  // longer than the second the driver gives its own request before it takes a place of the
  // manager's, which would start the next round.
  const std::vector<bool> before = states.seen(window);
  RECT now = place;
  EXPECT_FALSE(waitFor(
      [&] {
        now = viewer.framePlace(window);
        return !EqualRect(&now, &place) || states.seen(window) != before;
      },
      2))
      << placeText(now) << " after " << placeText(place) << "; states:" << states.text(window);
  EXPECT_EQ(states.drops(window), 0)
      << "the manager's maximised state was taken away; states:" << states.text(window) << " under "
      << desktopName();
  closeAndWait(program, window);
}

/// The windows below `w` (itself included) that carry `property`, whatever their depth.
std::vector<::Window> windowsWith(Display* display, ::Window w, Atom property) {
  std::vector<::Window> found;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, w, property, 0, 0, False, AnyPropertyType, &type, &format, &count,
                     &after, &data);
  if (data != nullptr) XFree(data);
  if (type != None) found.push_back(w);
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (XQueryTree(display, w, &root, &parent, &children, &n) && children != nullptr) {
    for (unsigned i = 0; i < n; ++i) {
      for (::Window c : windowsWith(display, children[i], property)) found.push_back(c);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

/// A freedesktop tray, each of two programs: the panel's and a stand-alone one.
class AppTray : public AppX11, public ::testing::WithParamInterface<const char*> {};

TEST_P(AppTray, IconizedTheWindowGoesToTheTrayAndOneClickOnTheIconBringsItBack) {
  Display* x = viewer.display();
  const Atom traySelection = viewer.atom("_NET_SYSTEM_TRAY_S0");
  std::optional<ChildProcess> tray;
  // A window manager with a tray of its own (jwm) keeps it: that tray is the one used.
  if (XGetSelectionOwner(x, traySelection) == None) {
    const std::string program = GetParam();
    if (program == "tint2") {
      tray.emplace(std::vector<std::string>{"tint2"});
    } else {
      tray.emplace(std::vector<std::string>{"trayer", "--edge", "bottom", "--height", "32"});
    }
    ASSERT_TRUE(tray->started());
    ASSERT_TRUE(waitFor([&] { return XGetSelectionOwner(x, traySelection) != None; }, 20))
        << program << " took no tray selection (script/bootstrap installs it)";
  }
  seed(u"Language", u"", u"English");
  seed(u"MainWindow\\View", u"OnMClick", u"Iconize");
  ASSERT_NO_FATAL_FAILURE(installProgram());
  ChildProcess program = start();
  ASSERT_TRUE(program.started());
  ::Window window = mainWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kTitle;
  // The program's icon in the tray, while it is on the screen; 0 when none is.
  const auto shownIcon = [&] {
    ::Window icon = 0;
    for (::Window w : windowsWith(x, DefaultRootWindow(x), viewer.atom("_XEMBED_INFO"))) {
      XWindowAttributes a;
      if (viewer.property(w, "_NET_WM_NAME", viewer.atom("UTF8_STRING")) == kTitle &&
          XGetWindowAttributes(x, w, &a) && a.map_state == IsViewable) {
        icon = w;
      }
    }
    return icon;
  };

  // The middle button iconizes on its press: the window goes, its icon comes into the tray. A
  // user's click is released after the window has gone, over what lay behind it (the desktop,
  // where jwm opens its root menu for a release), and the quickest click before. Either way one
  // click on the icon brings the window back.
  for (const bool held : {true, false}) {
    const char* click = held ? "a click released after the window went" : "a quick click";
    SCOPED_TRACE(click);
    settledPlace(window);
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(x, window, &attrs));
    if (held) {
      const POINT at = viewer.toScreen(window, 3, attrs.height / 2);
      XTestFakeMotionEvent(x, DefaultScreen(x), at.x, at.y, CurrentTime);
      XTestFakeButtonEvent(x, Button2, True, CurrentTime);
      XFlush(x);
      EXPECT_TRUE(waitFor([&] { return viewer.all(kTitle).empty(); })) << "the window stays";
      XTestFakeButtonEvent(x, Button2, False, CurrentTime);
      XFlush(x);
    } else {
      viewer.click(window, 3, attrs.height / 2, Button2);
      EXPECT_TRUE(waitFor([&] { return viewer.all(kTitle).empty(); })) << "the window stays";
    }
    ::Window icon = 0;
    ASSERT_TRUE(waitFor([&] { return (icon = shownIcon()) != 0; }))
        << "no icon in " << GetParam() << "'s tray";
    // The icon's picture is in the tray: its teal and white, not one plain colour.
    XWindowAttributes iconAttrs;
    ASSERT_TRUE(XGetWindowAttributes(x, icon, &iconAttrs));
    EXPECT_GE(iconAttrs.width, 16) << "the tray gave the icon too little room";
    EXPECT_GE(iconAttrs.height, 16);
    const POINT at = viewer.toScreen(icon, 0, 0);
    Shot shot;
    std::set<uint32_t> colours;
    EXPECT_TRUE(waitFor([&] {
      shot = viewer.shootScreen(RECT{at.x, at.y, at.x + iconAttrs.width, at.y + iconAttrs.height});
      colours = std::set<uint32_t>(shot.pixels.begin(), shot.pixels.end());
      return colours.size() >= 4;
    })) << "the tray shows "
        << colours.size() << " colours where the icon is";
    if (held) {
      const int screenWidth = DisplayWidth(x, DefaultScreen(x));
      const int screenHeight = DisplayHeight(x, DefaultScreen(x));
      Viewer::save(viewer.shootScreen(RECT{std::max(0, at.x - 64), std::max(0, at.y - 8),
                                           std::min(screenWidth, at.x + iconAttrs.width + 64),
                                           std::min(screenHeight, at.y + iconAttrs.height + 8)}),
                   (std::string("tray_") + GetParam() + "_" + desktopName() + ".png").c_str());
    }

    // One click on the icon brings the window back, and its icon goes.
    viewer.click(icon, iconAttrs.width / 2, iconAttrs.height / 2, Button1);
    ASSERT_TRUE(waitFor([&] { return !viewer.all(kTitle).empty(); }))
        << "one click on the icon did not bring the window back under " << desktopName();
    window = viewer.all(kTitle).front();
    EXPECT_TRUE(waitFor([&] { return shownIcon() == 0; })) << "the icon stays in the tray";
  }
  closeAndWait(program, window);
}
INSTANTIATE_TEST_SUITE_P(Trays, AppTray, ::testing::Values("tint2", "trayer"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST_F(AppX11, TheAboutWindowWearsItsSkinOverItsOwnerAndShowsTheProgramsPicture) {
  // The application object of this process, started on the program's resources (which this test
  // program carries) with the program's hooks, as the converter window opens the About window.
  s::app::win::installStartUpHooks();
  s::app::win::AppBase* app = s::app::win::AppBase::take();
  app->initialize(&theApp);
  s::gui::win::Window* owner = s::gui::win::Window::take();
  owner->setTitle(u"About owner");
  owner->setSize(500, 400);
  owner->show(true, false);
  ::Window ownerNative = 0;
  ASSERT_TRUE(waitFor([&] {
    const std::vector<::Window> found = viewer.all("About owner");
    ownerNative = found.empty() ? 0 : found.front();
    return ownerNative != 0;
  }));

  s::app::IAppWindow* description =
      s::app::appHooks().makeAppWindow(app, u"AboutWindow", 340, 285, u"Close", u"Classic LG");
  ASSERT_NE(description, nullptr);
  s::gui::dialogs::About3* about = s::gui::dialogs::About3::take();
  about->setWindowDescription(description);
  about->setLocalizer(app->getLocalizer());
  about->setSettings(app->getSettings());
  about->setSkinner(description->getSkinner());
  ASSERT_TRUE(about->open(owner));
  ASSERT_NE(about->getWindow(), nullptr);
  ASSERT_NE(about->getWindow()->getSkinner(), nullptr);
  ASSERT_NE(about->getWindow()->getSkinner()->getCurrentSkin(), nullptr);
  EXPECT_EQ(std::u16string(about->getWindow()->getSkinner()->getCurrentSkin()->getName()),
            u"Classic LG");
  ::Window native = 0;
  ASSERT_TRUE(waitFor([&] {
    const std::vector<::Window> found = viewer.all("Version Information");
    native = found.empty() ? 0 : found.front();
    return native != 0;
  })) << "no About window";
  EXPECT_GT(stackingPlace(native), stackingPlace(ownerNative)) << "the About window lies above";
  EXPECT_FALSE(IsWindowEnabled(owner->getHandle())) << "its owner waits while it is open";

  s::image::win::BufferedImage* picture = app->decodeSkinImage1(nullptr);
  ASSERT_NE(picture, nullptr);
  // It shows at the full width of the packed window less its insets of 2, scaled to fit; a
  // picture that is there differs by a few units per channel, a white panel by a hundred.
  Shot shot;
  double mismatch = 255.0;
  EXPECT_TRUE(waitFor([&] {
    shot = viewer.shoot(native);
    mismatch = lumetra::apptest::pictureMismatch(
        shot.width, shot.height, [&](int x, int y) { return shot.at(x, y); }, picture,
        shot.width - 8, shot.width);
    return mismatch <= 12.0;
  })) << "the program's first skin picture never reached the screen: "
      << mismatch;
  Viewer::save(shot, "about_window.png");
  picture->release();

  // Closed by the window manager protocol, it gives its owner back.
  viewer.close(native);
  EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(owner->getHandle()) != FALSE; }))
      << "the owner stays disabled";
  EXPECT_TRUE(waitFor([&] { return viewer.all("Version Information").empty(); }));
  about->release();
  description->release();
  owner->release();
  app->release();
}

}  // namespace
