// The conversion program as a user runs it: files that are not to be converted, outputs that
// would destroy their source, conversions that fail part-way, and the names in its messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

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

TEST(ConvertBench, MessagesNameThePathAsTypedInUtf8) {
  TempDir folder;
  const fs::path missing = folder.file("Ünïcødé.wav");
  Outcome run = convertBench(quoted(missing) + " " + quoted(folder.file("out.wav")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(missing.string()), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Z:"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find('?'), std::string::npos) << run.output;
}
