// The conversion task on real files: outputs named, kept and removed by what became of each
// path, the road of its status events and lock, and the report of the files not converted.
#include "app/dialogs/effect/ConversionTask.h"

#include "app/dialogs/effect/EffectTable.h"
#include "app/dialogs/effect/Setting.h"
#include "app/dialogs/effect/tests/AudioFiles.h"
#include "app/dialogs/effect/tests/LongPath.h"
#include "app/dialogs/effect/tests/PackedTexts.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "core/file/win/PathWin.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/archive/dll/win/Archive.h"
#include "platform/lang/Localizer.h"
#include "platform/lang/ResourceReader.h"
#include "platform/xml/Node.h"
#include "testlib/Process.h"
#include "testlib/Signal.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "testlib/WavBuilder.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace s::sound::gui::dialogs::effect;
using lumetra::apptest::Texts;
using lumetra::testlib::TempDir;
using s::file::win::PathWin;
namespace fs = std::filesystem;

namespace {

using lumetra::apptest::writeBytes;
using lumetra::apptest::writeTone;

/// An MP3 of a tone of 440 Hz, encoded by lame at `kbps`.
void writeMp3Tone(const TempDir& dir, const fs::path& path, int kbps, double seconds = 1.0) {
  const fs::path wav = dir.file("lame-source.wav");
  writeTone(wav, 440.0, seconds);
  ASSERT_TRUE(lumetra::apptest::encodeMp3(wav, path, kbps));
  fs::remove(wav);
}

/// The program's form of an ASCII POSIX path.
std::u16string windowsOf(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
  return out;
}

lumetra::apptest::Decoded readBack(const TempDir& dir, const std::string& name, bool mp3) {
  return lumetra::apptest::decode(dir.windowsPath(name), mp3);
}

/// The conversion task's window, without a window: the list, the lock and the flags as the
/// converter window keeps them, and a record of what the task told it.
class TaskWindow final : public ITaskWindow {
 public:
  explicit TaskWindow(const std::u16string& outputFolder)
      : m_paths(s::str::strarray::StrArray::take()),
        m_folder(PathWin::newFromText(outputFolder.c_str())),
        m_setting(Setting::take()) {}
  ~TaskWindow() override {
    m_paths->release();
    m_folder->release();
    m_setting->release();
  }

  void add(const std::u16string& path) { m_paths->addText(path.c_str()); }
  void use(int32_t index, int32_t level, int32_t quality) {
    m_setting->setIndex(index);
    m_setting->setLevel(level);
    m_setting->setQuality(quality);
  }
  const ConversionResults& results() const { return m_results; }

  void lockTask() override {
    m_mutex.lock();
    ++m_depth;
  }
  void unlockTask() override {
    --m_depth;
    m_mutex.unlock();
  }
  bool isCancelRequested() override {
    EXPECT_GT(m_depth, 0) << "the flag is read under the lock";
    return m_cancel;
  }
  s::str::strarray::StrArray* getPathList() override {
    EXPECT_GT(m_depth, 0) << "the list is read under the lock";
    return m_paths;
  }
  PathWin* getOutputFolder() override { return m_folder; }
  const Setting& getSetting() override { return *m_setting; }
  ConversionResults* getResults() override { return &m_results; }
  void beginTaskbarProgress() override { events.push_back(u"begin"); }
  void endTaskbarProgress() override { events.push_back(u"end"); }
  void sendStatusEvent(const WCHAR* name, int64_t, int64_t, const WCHAR*) override {
    EXPECT_EQ(m_depth, 0) << "no send with the lock held";
    events.push_back(name);
    if (events.back() == kProcessStatusStart) {
      progressNames.clear();
      lastDone = 0;
    }
  }
  void reportProgress(int64_t total, int64_t done, const WCHAR* fileName) override {
    EXPECT_EQ(m_depth, 0) << "no progress with the lock held";
    EXPECT_LE(done, total);
    if (!progressNames.empty() && progressNames.back() != fileName) lastDone = 0;
    EXPECT_GE(done, lastDone) << "progress only moves on within a file";
    lastDone = done;
    lastTotal = total;
    ++reports;
    progressNames.push_back(fileName);
    if (onProgress) onProgress(*this);
  }

  void setCancel() {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    m_cancel = true;
  }

  std::vector<std::u16string> events;
  std::vector<std::u16string> progressNames;
  int64_t lastDone = 0;
  int64_t lastTotal = 0;
  int reports = 0;
  std::function<void(TaskWindow&)> onProgress;

 private:
  std::recursive_mutex m_mutex;
  int m_depth = 0;
  bool m_cancel = false;
  s::str::strarray::StrArray* m_paths;
  PathWin* m_folder;
  Setting* m_setting;
  ConversionResults m_results;
};

class ConversionTask : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(m_dir.file("out")); }

  std::u16string in(const std::string& name) const { return m_dir.windowsPath(name); }
  std::u16string outFolder() const { return m_dir.windowsPath("out"); }
  bool outputExists(const std::string& name) const { return fs::exists(m_dir.file("out") / name); }
  size_t outputCount() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(m_dir.file("out")), fs::directory_iterator()));
  }

  TempDir m_dir;
};

}  // namespace

TEST_F(ConversionTask, SpeedEffectsRelabelTheWaveRateAndKeepItsLength) {
  writeTone(m_dir.file("Tone A.wav"), 440.0, 0.5);
  TaskWindow window(outFolder());
  window.add(in("Tone A.wav"));
  window.use(kSpeedUp, 100, 4);
  runConversionTask(&window);
  window.use(kSpeedDown, -50, 4);
  runConversionTask(&window);

  ASSERT_TRUE(outputExists("Tone A (Spd,+100%).wav"));
  ASSERT_TRUE(outputExists("Tone A (Spd,-50%).wav"));
  const lumetra::apptest::Decoded source = readBack(m_dir, "Tone A.wav", false);
  const lumetra::apptest::Decoded faster = readBack(m_dir, "out/Tone A (Spd,+100%).wav", false);
  const lumetra::apptest::Decoded slower = readBack(m_dir, "out/Tone A (Spd,-50%).wav", false);
  EXPECT_EQ(faster.rate, 88200);
  EXPECT_EQ(slower.rate, 22050);
  EXPECT_EQ(faster.pcmLength, source.pcmLength) << "the same samples, relabelled";
  EXPECT_EQ(slower.pcmLength, source.pcmLength);
  EXPECT_EQ(window.results().getEntries().size(), 1u) << "results are those of the last run";
  EXPECT_EQ(window.results().getEntries()[0].result, EntryResult::kConverted);
}

TEST_F(ConversionTask, PitchAndSpeedEffectsPlayTheToneWhereTheyShould) {
  writeTone(m_dir.file("tone.wav"), 440.0, 1.0);
  TaskWindow window(outFolder());
  window.add(in("tone.wav"));
  window.use(kPitchUp, 1, 4);
  runConversionTask(&window);
  window.use(kSpeedUp, 20, 4);
  runConversionTask(&window);
  auto played = [&](const std::string& name, int32_t* rate) {
    const lumetra::apptest::Decoded out = readBack(m_dir, name, false);
    *rate = out.rate;
    return lumetra::apptest::playedFrequency(out);
  };
  int32_t rate = 0;
  EXPECT_NEAR(played("out/tone (Pit,+1).wav", &rate), 440.0 * std::pow(2.0, 1.0 / 12), 2.3);
  EXPECT_EQ(rate, 44100);
  EXPECT_NEAR(played("out/tone (Spd,+20%).wav", &rate), 440.0, 2.2)
      << "played at the new rate, the tone keeps its key";
  EXPECT_EQ(rate, 52920);
}

TEST_F(ConversionTask, TheVolumeEffectScalesTheSamplesOfAWave) {
  writeTone(m_dir.file("tone.wav"), 440.0, 0.5);
  TaskWindow window(outFolder());
  window.add(in("tone.wav"));
  window.use(kVolumeUp, 30, 0);
  runConversionTask(&window);
  const lumetra::apptest::Decoded source = readBack(m_dir, "tone.wav", false);
  const lumetra::apptest::Decoded louder = readBack(m_dir, "out/tone (Vol,+30%).wav", false);
  ASSERT_EQ(louder.samples.size(), source.samples.size());
  const size_t frames = source.samples.size() / 2;
  const auto before = lumetra::testlib::channelOf(source.samples.data(), frames, 2, 0);
  const auto after = lumetra::testlib::channelOf(louder.samples.data(), frames, 2, 0);
  EXPECT_NEAR(lumetra::testlib::rms(after, 0, frames) / lumetra::testlib::rms(before, 0, frames),
              1.3, 0.013);
}

TEST_F(ConversionTask, MpegOutputsCarryTheSourcesHigherBitrate) {
  writeMp3Tone(m_dir, m_dir.file("High.MP3"), 320);
  writeMp3Tone(m_dir, m_dir.file("low.mp3"), 128);
  TaskWindow window(outFolder());
  window.add(in("High.MP3"));
  window.add(in("low.mp3"));
  window.use(kBassBoost, 5, 3);
  runConversionTask(&window);
  ASSERT_TRUE(outputExists("High (BB,5,NM).MP3")) << "the extension test ignores case";
  ASSERT_TRUE(outputExists("low (BB,5,NM).mp3"));
  const lumetra::apptest::Decoded high = readBack(m_dir, "out/High (BB,5,NM).MP3", true);
  const lumetra::apptest::Decoded low = readBack(m_dir, "out/low (BB,5,NM).mp3", true);
  EXPECT_EQ(high.bitrate, 320);
  EXPECT_EQ(low.bitrate, 192);
  EXPECT_EQ(high.rate, 44100);
  EXPECT_GT(low.samples.size(), 40000u * 2) << "about a second of stereo audio";
}

TEST_F(ConversionTask, ATakenOutputNameGetsTheNextFreeNumber) {
  writeTone(m_dir.file("song.wav"), 100.0, 0.1);
  writeBytes(m_dir.file("out") / "song (BB,5,NM).wav", {1, 2, 3});
  TaskWindow window(outFolder());
  window.add(in("song.wav"));
  window.add(in("song.wav"));
  window.use(kBassBoost, 5, 3);
  runConversionTask(&window);
  EXPECT_TRUE(outputExists("song (BB,5,NM) (1).wav"));
  EXPECT_TRUE(outputExists("song (BB,5,NM) (2).wav"));
  EXPECT_EQ(fs::file_size(m_dir.file("out") / "song (BB,5,NM).wav"), 3u) << "left alone";
}

TEST_F(ConversionTask, EveryBadEntryGetsItsReasonAndNoOutput) {
  writeTone(m_dir.file("good.wav"), 440.0, 0.1);
  writeBytes(m_dir.file("empty.wav"), {});
  writeBytes(m_dir.file("text.mp3"), std::vector<uint8_t>(5000, 'a'));
  writeBytes(m_dir.file("float.wav"), lumetra::testlib::WavBuilder()
                                          .fmt(3, 2, lumetra::apptest::kToneRate, 32)
                                          .data(std::vector<uint8_t>(800))
                                          .bytes());
  writeBytes(m_dir.file("notes.txt"), {'h', 'i'});
  writeBytes(m_dir.file("x.mp3.txt"), {'h', 'i'});
  fs::create_directory(m_dir.file("folder.mp3"));
  writeTone(m_dir.file("locked.wav"), 440.0, 0.1);
  fs::permissions(m_dir.file("locked.wav"), fs::perms::none);
  const bool root = geteuid() == 0;

  TaskWindow window(outFolder());
  for (const char* name : {"good.wav", "empty.wav", "text.mp3", "float.wav", "notes.txt",
                           "x.mp3.txt", "folder.mp3", "missing.wav", "locked.wav"}) {
    window.add(in(name));
  }
  window.use(kPitchUp, 1, 4);
  runConversionTask(&window);

  const std::vector<std::pair<std::u16string, EntryResult>> expected = {
      {u"good.wav", EntryResult::kConverted},
      {u"empty.wav", EntryResult::kUndecodable},
      {u"text.mp3", EntryResult::kUndecodable},
      {u"float.wav", EntryResult::kUndecodable},
      {u"notes.txt", EntryResult::kNotAudioFile},
      {u"x.mp3.txt", EntryResult::kNotAudioFile},
      {u"folder.mp3", EntryResult::kNotFound},
      {u"missing.wav", EntryResult::kNotFound},
      {u"locked.wav", root ? EntryResult::kConverted : EntryResult::kUnreadable},
  };
  const auto& entries = window.results().getEntries();
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(entries[i].fileName, expected[i].first);
    EXPECT_EQ(entries[i].result, expected[i].second) << "entry " << i;
  }
  EXPECT_TRUE(outputExists("good (Pit,+1).wav"));
  EXPECT_EQ(outputCount(), root ? 2u : 1u) << "nothing for the bad entries";
  EXPECT_EQ(window.results().countNotConverted(), root ? 7u : 8u);
  fs::permissions(m_dir.file("locked.wav"), fs::perms::owner_all);
}

TEST_F(ConversionTask, AnOutputThatCannotBeWrittenIsRemoved) {
  writeTone(m_dir.file("tone.wav"), 440.0, 2.0);
  writeBytes(m_dir.file("file"), {1});
  {
    // An output folder below a regular file cannot be made.
    TaskWindow window(m_dir.windowsPath("file/sub"));
    window.add(in("tone.wav"));
    window.use(kVolumeUp, 30, 0);
    runConversionTask(&window);
    ASSERT_EQ(window.results().getEntries().size(), 1u);
    EXPECT_EQ(window.results().getEntries()[0].result, EntryResult::kUnwritable);
  }
  // A disk that fills up after the first blocks (the stream writes out 64 KiB at a time).
  static std::atomic<int> s_writes{0};
  static winapi::seam::WriteFileFunction s_original = nullptr;
  s_writes = 0;
  s_original = winapi::seam::replaceWriteFile(
      [](HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) -> BOOL {
        if (++s_writes > 1) {
          SetLastError(ERROR_DISK_FULL);
          if (written != nullptr) *written = 0;
          return FALSE;
        }
        return s_original(file, data, size, written, overlapped);
      });
  TaskWindow window(outFolder());
  window.add(in("tone.wav"));
  window.use(kVolumeUp, 30, 0);
  runConversionTask(&window);
  winapi::seam::replaceWriteFile(s_original);
  ASSERT_EQ(window.results().getEntries().size(), 1u);
  EXPECT_EQ(window.results().getEntries()[0].result, EntryResult::kUnwritable);
  EXPECT_EQ(outputCount(), 0u) << "nothing half-written is left";
}

TEST_F(ConversionTask, APathTooLongForTheProgramIsNamedWholeWithItsReason) {
  writeTone(m_dir.file("tone.wav"), 440.0, 0.1);
  std::ifstream tone(m_dir.file("tone.wav"), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(tone)),
                                   std::istreambuf_iterator<char>());
  // 4,227 bytes: more than the system's path calls take, and more than a path of the program
  // holds; the file is there all the same.
  const lumetra::apptest::LongPath deep(m_dir.path(), 4227, "Deep Song.wav", bytes);
  TaskWindow window(outFolder());
  window.add(deep.windowsPath());
  window.add(in("tone.wav"));
  window.use(kVolumeUp, 30, 0);
  runConversionTask(&window);
  const auto& entries = window.results().getEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].fileName, u"Deep Song.wav");
  EXPECT_EQ(entries[0].result, EntryResult::kPathTooLong);
  EXPECT_EQ(entries[1].result, EntryResult::kConverted) << "the next path converts";
  EXPECT_EQ(outputCount(), 1u);
}

TEST_F(ConversionTask, AWaveOutputThatWouldPassFourGibibytesIsRefusedBeforeAnyOfItIsWritten) {
  // A recording that went on past 4 GiB with the placeholder sizes a streaming recorder writes:
  // its data fills all that the sizes count, and a converted file would need a byte more. The
  // file is sparse: its zeros take no room on the disk.
  std::vector<uint8_t> header =
      lumetra::testlib::WavBuilder().fmt(1, 2, lumetra::apptest::kToneRate, 16).data({}).bytes();
  ASSERT_EQ(header.size(), 44u);
  for (size_t at : {4u, 40u}) {
    std::fill(header.begin() + static_cast<std::ptrdiff_t>(at),
              header.begin() + static_cast<std::ptrdiff_t>(at) + 4, 0xFF);
  }
  writeBytes(m_dir.file("long recording.wav"), header);
  fs::resize_file(m_dir.file("long recording.wav"), 44 + (9ull << 29));
  TaskWindow window(outFolder());
  window.add(in("long recording.wav"));
  window.use(kVolumeUp, 30, 0);
  runConversionTask(&window);
  ASSERT_EQ(window.results().getEntries().size(), 1u);
  EXPECT_EQ(window.results().getEntries()[0].result, EntryResult::kTooLargeForWave);
  EXPECT_EQ(window.reports, 0) << "no block was converted";
  EXPECT_EQ(outputCount(), 0u);
}

// One MP3 converted by a copy of this test program in a folder of its own, whose encoder library
// beside the program is what the test left there: prints the result of the entry and whether an
// output was made.
TEST(ConversionTaskHelper, DISABLED_ConvertOneMp3) {
  const char* folder = std::getenv("LUMETRA_TEST_FOLDER");
  if (folder == nullptr) {
    GTEST_SKIP() << "runs only in a copy of the test program started by the tests";
  }
  const fs::path root(folder);
  TaskWindow window(windowsOf(root / "out"));
  window.add(windowsOf(root / "song.mp3"));
  window.use(kVolumeUp, 30, 0);
  runConversionTask(&window);
  ASSERT_EQ(window.results().getEntries().size(), 1u);
  std::printf("result %d outputs %d\n", static_cast<int>(window.results().getEntries()[0].result),
              static_cast<int>(
                  std::distance(fs::directory_iterator(root / "out"), fs::directory_iterator())));
  std::fflush(stdout);
}

TEST_F(ConversionTask, WithoutAUsableEncoderLibraryAnMp3IsNamedWithWhy) {
  writeMp3Tone(m_dir, m_dir.file("song.mp3"), 128);
  struct Case {
    const char* what;
    bool file;
    EntryResult expected;
  };
  // The program finds the library beside itself: a copy of it in another folder finds none
  // there, or a file of the library's name that is no library.
  for (const Case& c : {Case{"missing", false, EntryResult::kEncoderMissing},
                        Case{"not a library", true, EntryResult::kEncoderNotLoadable}}) {
    SCOPED_TRACE(c.what);
    const fs::path bin = m_dir.file(c.file ? "bin-broken" : "bin-missing");
    fs::create_directories(bin);
    fs::copy_file(lumetra::testlib::selfPath(), bin / "tests");
    if (c.file) {
      writeBytes(bin / "liblame_enc.so", std::vector<uint8_t>(4096, 'x'));
    }
    const auto run = lumetra::testlib::run(
        {(bin / "tests").string(), "--gtest_filter=ConversionTaskHelper.DISABLED_ConvertOneMp3",
         "--gtest_also_run_disabled_tests"},
        {{"LUMETRA_TEST_FOLDER", m_dir.path().string()}});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::string expected =
        "result " + std::to_string(static_cast<int>(c.expected)) + " outputs 0";
    EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
  }
}

TEST_F(ConversionTask, ASourceThatChangesWhileItIsReadIsNotConverted) {
  const fs::path wav = m_dir.file("tone.wav");
  const fs::path mp3 = m_dir.file("tone.mp3");
  auto appendBytes = [](const fs::path& path) {
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100000, 'x');
  };
  auto overwrite = [](const fs::path& path) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(300000);
    file << std::string(1000, 'x');
  };
  auto replace = [this](const fs::path& path) {
    fs::copy_file(path, m_dir.file("other"));
    fs::rename(m_dir.file("other"), path);
  };
  struct Change {
    const char* what;
    bool mp3;
    std::function<void(const fs::path&)> apply;
  };
  const Change changes[] = {
      {"cut", false, [](const fs::path& path) { fs::resize_file(path, 200000); }},
      {"cut MP3", true, [](const fs::path& path) { fs::resize_file(path, 20000); }},
      {"grown", false, appendBytes},
      {"written to", false, overwrite},
      {"removed", false, [](const fs::path& path) { fs::remove(path); }},
      {"replaced", false, replace},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    const fs::path source = change.mp3 ? mp3 : wav;
    writeTone(wav, 440.0, 4.0);
    if (change.mp3) writeMp3Tone(m_dir, mp3, 128);
    TaskWindow window(outFolder());
    window.add(in(source.filename()));
    window.use(kVolumeUp, 30, 0);
    bool changed = false;
    window.onProgress = [&](TaskWindow& w) {
      if (!changed && w.lastDone * 10 > w.lastTotal * 3) {
        changed = true;
        change.apply(source);
      }
    };
    runConversionTask(&window);
    ASSERT_TRUE(changed);
    ASSERT_EQ(window.results().getEntries().size(), 1u);
    EXPECT_EQ(window.results().getEntries()[0].result, EntryResult::kUnreadable);
    EXPECT_EQ(outputCount(), 0u);
  }

  // A file cut before it is read converts what it holds.
  writeTone(wav, 440.0, 4.0);
  fs::resize_file(wav, 200001);
  TaskWindow window(outFolder());
  window.add(in("tone.wav"));
  window.use(kVolumeUp, 30, 0);
  runConversionTask(&window);
  ASSERT_EQ(window.results().getEntries().size(), 1u);
  EXPECT_EQ(window.results().getEntries()[0].result, EntryResult::kConverted);
  EXPECT_EQ(outputCount(), 1u);
}

namespace {

/// Runs the task for `window` on a thread of its own and waits for its end. A thread cannot be
/// stopped: should the task never end, the test fails and ends its process before the window
/// the thread works with is gone.
void runConversionTaskWithin(TaskWindow& window, std::chrono::seconds limit) {
  std::atomic<bool> done{false};
  std::thread task([&] {
    runConversionTask(&window);
    done = true;
  });
  if (!lumetra::testlib::waitUntil([&] { return done.load(); }, limit)) {
    ADD_FAILURE() << "the conversion task has not ended within " << limit.count() << " s";
    std::fflush(stdout);
    std::_Exit(1);
  }
  task.join();
}

/// `bytes` with `count` random bytes written over them from `at` on (up to their end).
std::vector<uint8_t> overwritten(std::vector<uint8_t> bytes, size_t at, size_t count,
                                 uint32_t seed) {
  std::mt19937 random(seed);
  for (size_t i = at; i < std::min(bytes.size(), at + count); ++i) {
    bytes[i] = static_cast<uint8_t>(random());
  }
  return bytes;
}

std::vector<uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

/// Converts the files of `dir` that `expected` names, in its order, with Volume Up +30 % into
/// `outFolder`, and checks what became of each.
void convertExpecting(const TempDir& dir, const std::u16string& outFolder,
                      const std::vector<std::pair<std::string, EntryResult>>& expected) {
  TaskWindow window(outFolder);
  for (const auto& entry : expected) window.add(dir.windowsPath(entry.first));
  window.use(kVolumeUp, 30, 0);
  runConversionTaskWithin(window, std::chrono::seconds(60));
  const auto& entries = window.results().getEntries();
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::string& name = expected[i].first;
    EXPECT_EQ(entries[i].fileName, std::u16string(name.begin(), name.end()));
    EXPECT_EQ(entries[i].result, expected[i].second) << name;
  }
}

}  // namespace

TEST_F(ConversionTask, SourcesWithoutEndAreRefusedAndTheBatchGoesOn) {
  // A device gives bytes for ever; a pipe as long as its writer writes.
  fs::create_symlink("/dev/zero", m_dir.file("zeros.mp3"));
  fs::create_symlink("/dev/zero", m_dir.file("zeros.wav"));
  lumetra::testlib::ChildProcess writer = lumetra::testlib::feedPipe(m_dir.file("fed.mp3"));
  ASSERT_TRUE(writer.started());
  writeMp3Tone(m_dir, m_dir.file("good.mp3"), 128);
  convertExpecting(m_dir, outFolder(),
                   {{"zeros.mp3", EntryResult::kUndecodable},
                    {"fed.mp3", EntryResult::kUnreadable},
                    {"zeros.wav", EntryResult::kUndecodable},
                    {"good.mp3", EntryResult::kConverted}});
  EXPECT_TRUE(outputExists("good (Vol,+30%).mp3"));
  EXPECT_EQ(outputCount(), 1u);
}

TEST_F(ConversionTask, AnMp3WhoseAudioStopsDecodingEarlyIsReportedDamagedAndLeavesNoOutput) {
  // Two minutes whose data is random bytes after the first ten seconds: what decodes is a
  // twelfth of the file.
  writeMp3Tone(m_dir, m_dir.file("long.mp3"), 128, 120.0);
  const std::vector<uint8_t> whole = readAll(m_dir.file("long.mp3"));
  writeBytes(m_dir.file("damaged.mp3"), overwritten(whole, whole.size() / 12, whole.size(), 1));
  // What real files carry besides their frames still converts: junk after the last frame, a
  // damaged last frame, a short stretch of damage that the frames after it resume from.
  writeMp3Tone(m_dir, m_dir.file("short.mp3"), 128, 3.0);
  const std::vector<uint8_t> three = readAll(m_dir.file("short.mp3"));
  std::vector<uint8_t> junk = three;
  junk.resize(three.size() + 300, 0x5A);
  writeBytes(m_dir.file("junk.mp3"), overwritten(junk, three.size(), 300, 2));
  writeBytes(m_dir.file("last frame.mp3"), overwritten(three, three.size() - 200, 200, 3));
  writeBytes(m_dir.file("gap.mp3"), overwritten(three, three.size() / 2, 2000, 4));
  convertExpecting(m_dir, outFolder(),
                   {{"damaged.mp3", EntryResult::kUndecodable},
                    {"junk.mp3", EntryResult::kConverted},
                    {"last frame.mp3", EntryResult::kConverted},
                    {"gap.mp3", EntryResult::kConverted}});
  EXPECT_FALSE(outputExists("damaged (Vol,+30%).mp3"));
  EXPECT_EQ(outputCount(), 3u);
}

TEST_F(ConversionTask, SendsItsEventsWithoutTheLockAndReadsTheListAgainAfterEachFile) {
  writeTone(m_dir.file("a.wav"), 440.0, 0.2);
  writeTone(m_dir.file("b.wav"), 440.0, 0.2);
  TaskWindow window(outFolder());
  window.add(in("a.wav"));
  window.use(kVolumeDown, -30, 0);
  bool added = false;
  window.onProgress = [&](TaskWindow& w) {
    if (!added) {
      added = true;
      w.lockTask();
      w.add(in("b.wav"));
      w.unlockTask();
    }
  };
  runConversionTask(&window);
  EXPECT_TRUE(outputExists("a (Vol,-30%).wav"));
  EXPECT_TRUE(outputExists("b (Vol,-30%).wav")) << "a path added during the run is converted";
  ASSERT_EQ(window.events.size(), 4u);
  EXPECT_EQ(window.events[0], u"begin");
  EXPECT_EQ(window.events[1], kProcessStatusStart);
  EXPECT_EQ(window.events[2], u"end");
  EXPECT_EQ(window.events[3], kProcessStatusEnd);
  // One report a block of 4096 bytes: 0.2 s of 16-bit stereo is 35,280 bytes, 9 blocks.
  EXPECT_EQ(window.reports, 2 * 9);
  ASSERT_EQ(window.progressNames.size(), 18u);
  EXPECT_EQ(window.progressNames.front(), u"a.wav");
  EXPECT_EQ(window.progressNames.back(), u"b.wav");
  EXPECT_EQ(window.lastTotal, static_cast<int64_t>(fs::file_size(m_dir.file("b.wav"))));
  EXPECT_EQ(window.lastDone, window.lastTotal) << "the source read to its end";

  TaskWindow empty(outFolder());
  runConversionTask(&empty);
  EXPECT_EQ(empty.events.size(), 4u) << "an empty list still starts and ends";
  EXPECT_TRUE(empty.results().getEntries().empty());
}

TEST_F(ConversionTask, ACancelLetsTheCurrentFileFinishAndStartsNoOther) {
  for (const char* name : {"a.wav", "b.wav", "c.wav"}) writeTone(m_dir.file(name), 440.0, 0.2);
  TaskWindow window(outFolder());
  for (const char* name : {"a.wav", "b.wav", "c.wav"}) window.add(in(name));
  window.use(kVolumeUp, 10, 0);
  window.onProgress = [](TaskWindow& w) { w.setCancel(); };
  runConversionTask(&window);
  EXPECT_TRUE(outputExists("a (Vol,+10%).wav"));
  EXPECT_EQ(outputCount(), 1u);
  EXPECT_EQ(window.reports, 9) << "the file that had begun is finished";
  EXPECT_TRUE(window.results().wasCancelled());
  EXPECT_EQ(window.results().getEntries().size(), 1u);
  EXPECT_EQ(window.events.back(), kProcessStatusEnd);
}

namespace {

std::u16string report(const ConversionResults& results, s::lang::Localizer* localizer) {
  s::str::strbuffer::StrBuffer* text = newNotConvertedReport(results, localizer);
  if (text == nullptr) return u"(none)";
  std::u16string out(text->getCStr());
  text->release();
  return out;
}

}  // namespace

TEST(NotConvertedReport, NamesEachFileWithItsReasonAndCountsTheRest) {
  Texts texts;
  texts.get()->selectLanguage(u"English");
  ConversionResults results;
  results.add(u"good.wav", EntryResult::kConverted);
  EXPECT_EQ(report(results, texts.get()), u"(none)") << "a run that converted everything";

  results.add(u"gone.wav", EntryResult::kNotFound);
  results.add(u"notes.txt", EntryResult::kNotAudioFile);
  results.add(u"locked.wav", EntryResult::kUnreadable);
  results.add(u"text.mp3", EntryResult::kUndecodable);
  results.add(u"full.wav", EntryResult::kUnwritable);
  results.add(u"deep.wav", EntryResult::kPathTooLong);
  results.add(u"huge.wav", EntryResult::kTooLargeForWave);
  results.add(u"a.mp3", EntryResult::kEncoderMissing);
  results.add(u"b.mp3", EntryResult::kEncoderNotLoadable);
  EXPECT_EQ(report(results, texts.get()),
            u"These files were not converted:\n"
            u"gone.wav: not found, or a folder\n"
            u"notes.txt: not an MP3 or WAV file\n"
            u"locked.wav: cannot be read\n"
            u"text.mp3: damaged, or audio of a kind it cannot convert\n"
            u"full.wav: the converted file could not be written\n"
            u"deep.wav: the path is too long\n"
            u"huge.wav: a WAV file cannot hold more than 4 GiB\n"
            u"a.mp3: the MP3 encoder library is missing\n"
            u"b.mp3: the MP3 encoder library cannot be loaded");

  ConversionResults many;
  for (int i = 0; i < 23; ++i) {
    std::u16string name = u"f";
    name += static_cast<char16_t>(u'a' + i);
    name += u".txt";
    many.add(name.c_str(), EntryResult::kNotAudioFile);
    many.add(u"ok.wav", EntryResult::kConverted);
  }
  const std::u16string text = report(many, texts.get());
  EXPECT_EQ(std::count(text.begin(), text.end(), u'\n'), 21) << "20 files, then the count";
  EXPECT_NE(text.find(u"ft.txt"), std::u16string::npos) << "the 20th file";
  EXPECT_EQ(text.find(u"fu.txt"), std::u16string::npos) << "the 21st is counted";
  EXPECT_TRUE(text.ends_with(u"\nFurther files not converted: 3")) << "the rest are counted";

  texts.get()->selectLanguage(u"German");
  EXPECT_TRUE(report(results, texts.get()).starts_with(u"Diese Dateien wurden nicht konvertiert:"));
}
