// The conversion program as a user runs it: files that are not to be converted, outputs that
// would destroy their source, conversions that fail or are killed part-way, and the names in
// its messages.
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using lumetra::testlib::TempDir;
using lumetra::testlib::WavBuilder;

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
  int status = -1;
  std::string output;
};

// Runs convert_bench with `arguments` (already quoted for the shell) after `prelude`, a shell
// command such as a file-size limit; standard error is captured with standard output.
Outcome convertBench(const std::string& arguments, const std::string& prelude = "") {
  const std::string command =
      prelude + std::string(" exec '") + CONVERT_BENCH_PROGRAM + "' " + arguments + " 2>&1";
  FILE* pipe = popen(("sh -c \"" + command + "\"").c_str(), "r");
  Outcome run;
  char line[1024];
  while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) run.output += line;
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

Bytes toneWav(size_t frames) {
  std::vector<uint8_t> pcm(frames * 4);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i * 37 + i / 4);
  return WavBuilder::pcmFile(pcm, 2, 44100, 16);
}

// `seconds` of toneWav as an MP3 of `kbps` that lame writes at `mp3` (its WAV beside it).
::testing::AssertionResult writeLameMp3(const fs::path& mp3, size_t seconds, int kbps) {
  fs::path wav = mp3;
  wav.replace_extension(".wav");
  writeFile(wav, toneWav(seconds * 44100));
  const lumetra::testlib::RunResult lame =
      lumetra::testlib::run({BENCH_LAME_PROGRAM, "--quiet", "--cbr", "-b", std::to_string(kbps),
                             wav.string(), mp3.string()});
  if (lame.exitCode != 0) return ::testing::AssertionFailure() << lame.output;
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ConvertBench, RefusesAnOutputThatIsTheSourceUnderAnotherName) {
  TempDir folder;
  const Bytes source = toneWav(20000);
  writeFile(folder.file("a.wav"), source);
  fs::create_symlink(folder.file("a.wav"), folder.file("soft.wav"));
  fs::create_hard_link(folder.file("a.wav"), folder.file("hard.wav"));
  for (const char* name : {"soft.wav", "hard.wav", "a.wav"}) {
    SCOPED_TRACE(name);
    const Outcome run = convertBench("--volume 30 " + quoted(folder.file("a.wav")) + " " +
                                     quoted(folder.file(name)));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("same file"), std::string::npos) << run.output;
    EXPECT_EQ(fs::file_size(folder.file("a.wav")), source.size()) << "the source is untouched";
  }
  // A file of its own is converted.
  const Outcome run = convertBench("--volume 30 " + quoted(folder.file("a.wav")) + " " +
                                   quoted(folder.file("b.wav")));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(fs::file_size(folder.file("b.wav")), source.size());
}

TEST(ConvertBench, AFailedConversionSaysWhyAndLeavesNoOutput) {
  TempDir folder;
  writeFile(folder.file("long.wav"), toneWav(100000));  // 400 KB
  // The disk is full after 100 KB: a file-size limit makes writes fail as a full disk does.
  Outcome run = convertBench(quoted(folder.file("long.wav")) + " " + quoted(folder.file("out.wav")),
                             "ulimit -f 100; trap '' XFSZ;");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("no space left"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(folder.file("out.wav"))) << "a part of a file is no converted file";

  const Bytes whole = toneWav(10000);
  struct Case {
    const char* name;
    Bytes file;
    const char* says;
  };
  Bytes freeFormat;
  for (int i = 0; i < 30; ++i) {
    Bytes frame(400, 0x55);
    frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x00, frame[3] = 0x40;  // bitrate index 0
    freeFormat.insert(freeFormat.end(), frame.begin(), frame.end());
  }
  const Case cases[] = {
      {"cut.wav", Bytes(whole.begin(), whole.begin() + 44), "no audio"},
      {"cut47.wav", Bytes(whole.begin(), whole.begin() + 47), "no audio"},
      {"cut40.wav", Bytes(whole.begin(), whole.begin() + 40), "no \"data\" chunk"},
      {"deep.wav", WavBuilder().fmt(1, 2, 44100, 24).data(Bytes(600)).bytes(), "8 or 16 bits"},
      {"float.wav", WavBuilder().fmt(3, 2, 44100, 32).data(Bytes(600)).bytes(), "not PCM"},
      {"surround.wav", WavBuilder().fmt(1, 6, 44100, 16).data(Bytes(600)).bytes(), "channels"},
      {"free.mp3", freeFormat, "not supported"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(folder.file(c.name), c.file);
    const fs::path out = folder.file(std::string("out-") + c.name);
    run = convertBench(quoted(folder.file(c.name)) + " " + quoted(out));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(out));
  }

  // What recorders write is converted: JUNK before "fmt ".
  writeFile(
      folder.file("junk.wav"),
      WavBuilder().chunk("JUNK", Bytes(28)).fmt(1, 2, 44100, 16).data(Bytes(4000, 1)).bytes());
  run = convertBench(quoted(folder.file("junk.wav")) + " " + quoted(folder.file("junk-out.wav")));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(fs::file_size(folder.file("junk-out.wav")), 4044u);
}

TEST(ConvertBench, MessagesNameWhatASourceThatIsNoFileIs) {
  TempDir folder;
  ASSERT_EQ(mkfifo(folder.file("pipe.wav").c_str(), 0600), 0);
  fs::create_directory(folder.file("folder.wav"));
  fs::create_symlink(folder.file("b.wav"), folder.file("a.wav"));
  fs::create_symlink(folder.file("a.wav"), folder.file("b.wav"));
  struct Case {
    const char* name;
    const char* says;
  };
  for (const Case& c :
       {Case{"pipe.wav", "not a regular file"}, Case{"folder.wav", "not a regular file"},
        Case{"a.wav", "links lead round in a loop"}}) {
    SCOPED_TRACE(c.name);
    const Outcome run =
        convertBench(quoted(folder.file(c.name)) + " " + quoted(folder.file("out.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
  }
}

TEST(ConvertBench, ASourceWithoutEndEndsTheRunWithItsReason) {
  TempDir folder;
  fs::create_symlink("/dev/zero", folder.file("zeros.mp3"));
  fs::create_symlink("/dev/zero", folder.file("zeros.wav"));
  lumetra::testlib::ChildProcess writer = lumetra::testlib::feedPipe(folder.file("fed.mp3"));
  ASSERT_TRUE(writer.started());
  struct Case {
    const char* name;
    const char* says;
  };
  for (const Case& c : {Case{"zeros.mp3", "no MPEG audio frames"}, Case{"fed.mp3", "not a regular"},
                        Case{"zeros.wav", "not a RIFF WAVE file"}}) {
    SCOPED_TRACE(c.name);
    const fs::path out = folder.file(std::string("out-") + c.name);
    lumetra::testlib::ChildProcess run(
        {CONVERT_BENCH_PROGRAM, folder.file(c.name).string(), out.string()}, {}, true);
    const bool ended = run.wait(60000);
    EXPECT_TRUE(ended) << "still converting after a minute";
    if (!ended) {
      run.kill();
      continue;
    }
    EXPECT_EQ(run.exitCode(), 1);
    const std::string output = run.readOutputToEnd();
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST(ConvertBench, AnMp3WhoseAudioStopsDecodingEarlyIsNoConversion) {
  TempDir folder;
  ASSERT_TRUE(writeLameMp3(folder.file("long.mp3"), 120, 128));
  std::ifstream in(folder.file("long.mp3"), std::ios::binary);
  const Bytes whole{std::istreambuf_iterator<char>(in), {}};
  // Random bytes after the first ten seconds of two minutes.
  Bytes damaged = whole;
  std::mt19937 random(1);
  for (size_t i = whole.size() / 12; i < damaged.size(); ++i) {
    damaged[i] = static_cast<uint8_t>(random());
  }
  writeFile(folder.file("damaged.mp3"), damaged);
  Outcome run = convertBench("--volume 30 " + quoted(folder.file("damaged.mp3")) + " " +
                             quoted(folder.file("out.mp3")));
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("damaged"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(folder.file("out.mp3")));

  // A few hundred bytes of junk after the last frame are no damage.
  Bytes junk = whole;
  for (int i = 0; i < 300; ++i) junk.push_back(static_cast<uint8_t>(random()));
  writeFile(folder.file("junk.mp3"), junk);
  run = convertBench("--volume 30 " + quoted(folder.file("junk.mp3")) + " " +
                     quoted(folder.file("junk-out.mp3")));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::exists(folder.file("junk-out.mp3")));
}

TEST(ConvertBench, MessagesNameThePathAsTypedInUtf8) {
  TempDir folder;
  const fs::path missing = folder.file("Ünïcødé.wav");
  Outcome run = convertBench(quoted(missing) + " " + quoted(folder.file("out.wav")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(missing.string()), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Z:"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find('?'), std::string::npos) << run.output;
}

namespace {

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename());
  }
  return names;
}

// Starts convert_bench with `options` on `source` into `target` and waits until it has read
// `percent` of the source (or has ended).
lumetra::testlib::ChildProcess startAndWait(const std::vector<std::string>& options,
                                            const fs::path& source, const fs::path& target,
                                            int percent) {
  std::vector<std::string> argv{CONVERT_BENCH_PROGRAM};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(source.string());
  argv.push_back(target.string());
  lumetra::testlib::ChildProcess child(argv, {}, true);
  const fs::path canonical = fs::canonical(source);
  const auto mark = static_cast<int64_t>(fs::file_size(source) * percent / 100);
  lumetra::testlib::waitUntil(
      [&] {
        return !child.running() || lumetra::testlib::openFileOffset(child.pid(), canonical) >= mark;
      },
      std::chrono::seconds(60), std::chrono::microseconds(500));
  return child;
}

// Kills conversions of `source` at 30, 60 and 90 % with SIGKILL, SIGINT and SIGHUP: the
// destination folder stays empty, no part of a file under the output's name nor any other.
// Then a conversion that is left to finish writes a file of `wholeSize` bytes (give or take
// `slack`).
void expectKilledConversionsLeaveNothing(const fs::path& source,
                                         const std::vector<std::string>& options,
                                         uintmax_t wholeSize, uintmax_t slack) {
  TempDir destination;
  const fs::path target = destination.file("out" + source.extension().string());
  for (int signal : {SIGKILL, SIGINT, SIGHUP}) {
    for (int percent : {30, 60, 90}) {
      SCOPED_TRACE(std::string(strsignal(signal)) + " at " + std::to_string(percent) + " %");
      lumetra::testlib::ChildProcess child = startAndWait(options, source, target, percent);
      ASSERT_TRUE(child.running()) << "the conversion ended before " << percent << " %";
      ::kill(child.pid(), signal);
      ASSERT_TRUE(child.wait(20000));
      EXPECT_EQ(child.signal(), signal);
      const std::vector<std::string> left = namesIn(destination.path());
      EXPECT_TRUE(left.empty()) << left.front();
    }
  }
  std::string arguments;
  for (const std::string& option : options) arguments += option + " ";
  const Outcome run = convertBench(arguments + quoted(source) + " " + quoted(target));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(namesIn(destination.path()), std::vector<std::string>{target.filename()});
  EXPECT_NEAR(static_cast<double>(fs::file_size(target)), static_cast<double>(wholeSize),
              static_cast<double>(slack));
}

}  // namespace

TEST(ConvertBench, AWavConversionKilledPartWayLeavesNoFile) {
  TempDir sources;
  const Bytes source = toneWav(60 * 44100);  // a minute
  writeFile(sources.file("long.wav"), source);
  // The finest pitch shifter, so that a conversion lasts long enough to be caught part-way.
  expectKilledConversionsLeaveNothing(sources.file("long.wav"),
                                      {"--pitch", "100", "--oversampling", "32"}, source.size(), 0);
}

TEST(ConvertBench, AnMp3ConversionKilledPartWayLeavesNoFile) {
  TempDir sources;
  ASSERT_TRUE(writeLameMp3(sources.file("long.mp3"), 60, 192));
  // 192 kbps in and out: the same size, within a few frames of encoder delay and padding.
  const uintmax_t size = fs::file_size(sources.file("long.mp3"));
  expectKilledConversionsLeaveNothing(sources.file("long.mp3"), {"--volume", "30"}, size,
                                      size / 100);
}

TEST(ConvertBench, WhatChangesUnderARunningConversionLeavesNoOutput) {
  TempDir sources;
  const Bytes source = toneWav(60 * 44100);
  writeFile(sources.file("long.wav"), source);
  TempDir destination;
  const fs::path folder = destination.file("gone");
  fs::create_directory(folder);
  lumetra::testlib::ChildProcess child = startAndWait(
      {"--oversampling", "32", "--pitch", "100"}, sources.file("long.wav"), folder / "out.wav", 30);
  ASSERT_TRUE(child.running());
  // Nothing in it has a name yet, so the folder is empty and goes.
  ASSERT_TRUE(fs::remove(folder));
  ASSERT_TRUE(child.wait(20000));
  EXPECT_EQ(child.exitCode(), 1);
  EXPECT_NE(child.readOutputToEnd().find("cannot finish"), std::string::npos);
  EXPECT_TRUE(namesIn(destination.path()).empty());

  // A source cut while it is read is not converted.
  lumetra::testlib::ChildProcess cut =
      startAndWait({"--oversampling", "32", "--pitch", "100"}, sources.file("long.wav"),
                   destination.file("cut.wav"), 30);
  ASSERT_TRUE(cut.running());
  fs::resize_file(sources.file("long.wav"), 1000000);
  ASSERT_TRUE(cut.wait(20000));
  EXPECT_EQ(cut.exitCode(), 1);
  EXPECT_NE(cut.readOutputToEnd().find("changed while it was read"), std::string::npos);
  EXPECT_TRUE(namesIn(destination.path()).empty());

  // An output that exists is never replaced.
  writeFile(destination.file("taken.wav"), Bytes{'m', 'i', 'n', 'e'});
  const Outcome run = convertBench("--volume 30 " + quoted(sources.file("long.wav")) + " " +
                                   quoted(destination.file("taken.wav")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("exists"), std::string::npos) << run.output;
  EXPECT_EQ(fs::file_size(destination.file("taken.wav")), 4u);
}
