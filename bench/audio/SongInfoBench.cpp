// The song information's costs: reading a tagged file against a bare libid3tag loop on the same
// file, the bytes read for a small and a large file, the bytes an in-place write-back touches, and
// a write-back that grows the tag against copying the file and syncing the copy.
#include "audio/mp3/tests/Mp3Builder.h"
#include "audio/mp3/win/Info.h"
#include "testlib/TempDir.h"

#include <benchmark/benchmark.h>
#include <id3tag.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using mp3_testing::Bytes;
using s::sound::mp3::win::Info;
namespace fs = std::filesystem;

namespace {

Bytes v23Frame(const std::string& id, const Bytes& data) {
  Bytes out(id.begin(), id.end());
  const auto n = static_cast<uint32_t>(data.size());
  out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                         static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0, 0});
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes textFrame(const std::string& id, const std::string& text) {
  Bytes data = {0};
  data.insert(data.end(), text.begin(), text.end());
  return v23Frame(id, data);
}

// An ID3v2.3 tag with the seven fields and a 200 KB picture, 128 kbps frames up to `size` bytes,
// and an ID3v1 tag.
Bytes taggedMp3(size_t size, size_t padding) {
  Bytes body = mp3_testing::join({textFrame("TIT2", "A title of some length"),
                                  textFrame("TPE1", "An artist"), textFrame("TALB", "An album"),
                                  textFrame("TYER", "2001"), textFrame("TRCK", "3"),
                                  textFrame("TCON", "(17)")});
  Bytes comment = {0, 'e', 'n', 'g', 0, 'A', ' ', 'n', 'o', 't', 'e'};
  body = mp3_testing::join({body, v23Frame("COMM", comment)});
  Bytes picture = {0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0};
  for (size_t i = 0; i < 200 * 1024; ++i) picture.push_back(static_cast<uint8_t>(i * 31 + 7));
  body = mp3_testing::join({body, v23Frame("APIC", picture), Bytes(padding, 0)});
  Bytes tag = mp3_testing::id3v2(body);
  tag[3] = 3;
  mp3_testing::Header header;
  const size_t frameLength = 417;
  const size_t count = (size - tag.size() - 128) / frameLength;
  return mp3_testing::join(
      {tag, mp3_testing::frames(header, frameLength, count), mp3_testing::id3v1()});
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The process's counters of bytes read and written by system calls.
struct IoCounters {
  uint64_t read = 0;
  uint64_t written = 0;
};
IoCounters ioCounters() {
  IoCounters c;
  std::ifstream in("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (in >> key >> value) {
    if (key == "rchar:") c.read = value;
    if (key == "wchar:") c.written = value;
  }
  return c;
}

uint64_t statusKiB(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) == 0)
      return std::strtoull(line.c_str() + field.size() + 1, nullptr, 10);
  }
  return 0;
}

struct Files {
  lumetra::testlib::TempDir temp;
  Files() {
    writeFile(temp.file("small.mp3"), taggedMp3(3u << 20, 0));
    writeFile(temp.file("large.mp3"), taggedMp3(300u << 20, 0));
  }
};
Files& files() {
  static Files f;
  return f;
}

void readSevenFields(Info* info, const std::u16string& path) {
  info->readFromFile(path.c_str());
  benchmark::DoNotOptimize(info->getTitle());
  benchmark::DoNotOptimize(info->getArtist());
  benchmark::DoNotOptimize(info->getAlbum());
  benchmark::DoNotOptimize(info->getYear());
  benchmark::DoNotOptimize(info->getTrack());
  benchmark::DoNotOptimize(info->getGenre());
  benchmark::DoNotOptimize(info->getComment());
  info->close();
}

void InfoRead(benchmark::State& state) {
  const std::u16string path =
      files().temp.windowsPath(state.range(0) == 0 ? "small.mp3" : "large.mp3");
  Info* info = Info::take();
  readSevenFields(info, path);
  const IoCounters before = ioCounters();
  for (auto _ : state) readSevenFields(info, path);
  const IoCounters after = ioCounters();
  state.counters["bytes_read_per_file"] =
      static_cast<double>(after.read - before.read) / static_cast<double>(state.iterations());
  info->release();
}
BENCHMARK(InfoRead)->Arg(0)->Arg(1)->ArgNames({"large"})->Unit(benchmark::kMicrosecond);

// The peer: open the file with libid3tag, find the seven frames, close it.
void BareLibid3tag(benchmark::State& state) {
  const std::string path = files().temp.file("small.mp3").string();
  static const char* kIds[] = {"TIT2", "TPE1", "TALB", "TDRC", "TRCK", "TCON", "COMM"};
  for (auto _ : state) {
    id3_file* file = id3_file_open(path.c_str(), ID3_FILE_MODE_READONLY);
    id3_tag* tag = id3_file_tag(file);
    for (const char* id : kIds) benchmark::DoNotOptimize(id3_tag_findframe(tag, id, 0));
    id3_file_close(file);
  }
}
BENCHMARK(BareLibid3tag)->Unit(benchmark::kMicrosecond);

// A new title that fits the tag's padding: only the tag area and the ID3v1 tag are written.
void WriteBackInPlace(benchmark::State& state) {
  lumetra::testlib::TempDir temp;
  writeFile(temp.file("padded.mp3"), taggedMp3(3u << 20, 4096));
  const std::u16string path = temp.windowsPath("padded.mp3");
  Info* info = Info::take();
  uint64_t read = 0, written = 0;
  int round = 0;
  for (auto _ : state) {
    info->readFromFile(path.c_str());
    info->setTitle(++round % 2 == 0 ? u"Title one" : u"Title two");
    const IoCounters before = ioCounters();
    if (!info->writeToFile(path.c_str())) state.SkipWithError("the write-back failed");
    const IoCounters after = ioCounters();
    read += after.read - before.read;
    written += after.written - before.written;
    info->close();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["bytes_read_per_write"] = static_cast<double>(read) / n;
  state.counters["bytes_written_per_write"] = static_cast<double>(written) / n;
  info->release();
}
BENCHMARK(WriteBackInPlace)->Unit(benchmark::kMillisecond);

// A tag that grows on a 300 MB file, through the temporary file and the replace, against
// `cp FILE COPY && sync COPY`; the growth of the peak resident size is reported.
void WriteBackGrowing(benchmark::State& state) {
  lumetra::testlib::TempDir temp;
  const Bytes bytes = taggedMp3(300u << 20, 0);
  for (auto _ : state) {
    state.PauseTiming();
    writeFile(temp.file("grow.mp3"), bytes);
    Info* info = Info::take();
    info->readFromFile(temp.windowsPath("grow.mp3").c_str());
    info->setTitle(u"A title long enough to need more room than the tag had before, by far");
    // The peak is reset to the resident size, so the high-water mark after the write is what
    // the write-back itself needed.
    std::ofstream("/proc/self/clear_refs") << "5";
    const uint64_t rss = statusKiB("VmRSS");
    state.ResumeTiming();
    if (!info->writeToFile(temp.windowsPath("grow.mp3").c_str())) {
      state.SkipWithError("the write-back failed");
    }
    state.PauseTiming();
    state.counters["peak_growth_kib"] = static_cast<double>(statusKiB("VmHWM") - rss);
    info->close();
    info->release();
    state.ResumeTiming();
  }
}
BENCHMARK(WriteBackGrowing)->Iterations(5)->Unit(benchmark::kMillisecond);

void CopyAndSyncPeer(benchmark::State& state) {
  lumetra::testlib::TempDir temp;
  writeFile(temp.file("grow.mp3"), taggedMp3(300u << 20, 0));
  const std::string command = "cp '" + temp.file("grow.mp3").string() + "' '" +
                              temp.file("copy.mp3").string() + "' && sync '" +
                              temp.file("copy.mp3").string() + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    state.PauseTiming();
    fs::remove(temp.file("copy.mp3"));
    state.ResumeTiming();
  }
}
BENCHMARK(CopyAndSyncPeer)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
