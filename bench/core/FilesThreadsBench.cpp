// Paths, file streams, the hash set and the worker thread against their standard-library
// counterparts, so that changes to those paths can be measured.
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/map/Map.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/win/Thread.h"

#include "testlib/TempDir.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

using s::file::win::FileOutputStream;
using s::file::win::PathWin;

namespace {

// ---- Paths ----------------------------------------------------------------------------------

// Setting and splitting a typical dropped file's path, then asking for its file name.
void PathSetAndSplit(benchmark::State& state) {
  PathWin* path = PathWin::take();
  for (auto _ : state) {
    path->setPathText(u"Z:\\home\\ann\\Music\\Some Artist\\An Album (2019)\\07 - A Song Title.mp3");
    benchmark::DoNotOptimize(path->getFileName());
  }
  path->release();
}
BENCHMARK(PathSetAndSplit);

void StdPathSplit(benchmark::State& state) {
  for (auto _ : state) {
    std::filesystem::path path("/home/ann/Music/Some Artist/An Album (2019)/07 - A Song Title.mp3");
    benchmark::DoNotOptimize(path.filename().native());
  }
}
BENCHMARK(StdPathSplit);

// ---- File output ----------------------------------------------------------------------------

// In a folder of this run's own, removed when the benchmarks end.
std::string benchFile() {
  static const lumetra::testlib::TempDir folder;
  return folder.file("output.bin").string();
}

std::u16string windowsOf(const std::string& posix) {
  std::u16string out = u"Z:";
  for (char c : posix)
    out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

// 16 MiB in 4096-byte blocks, as the audio writers write (the final flush included).
void FileOutputStreamBlocks(benchmark::State& state) {
  std::vector<char> block(4096, 'x');
  std::u16string name = windowsOf(benchFile());
  for (auto _ : state) {
    FileOutputStream* out = FileOutputStream::take();
    out->open(name.c_str(), false);
    for (int i = 0; i < 4096; ++i) out->write(block.data(), 4096, nullptr);
    benchmark::DoNotOptimize(out->close());
    out->release();
  }
  state.SetBytesProcessed(state.iterations() * 4096 * 4096);
  std::filesystem::remove(benchFile());
}
BENCHMARK(FileOutputStreamBlocks)->Unit(benchmark::kMillisecond);

void StdOfstreamBlocks(benchmark::State& state) {
  std::vector<char> block(4096, 'x');
  for (auto _ : state) {
    std::ofstream out(benchFile(), std::ios::binary);
    for (int i = 0; i < 4096; ++i) out.write(block.data(), 4096);
    out.flush();
  }
  state.SetBytesProcessed(state.iterations() * 4096 * 4096);
  std::filesystem::remove(benchFile());
}
BENCHMARK(StdOfstreamBlocks)->Unit(benchmark::kMillisecond);

// ---- Hash set -------------------------------------------------------------------------------

// 10,000 texts added and each looked up once, then cleared (the nodes go back to their pool).
void MapAddFind(benchmark::State& state) {
  std::vector<s::str::strbuffer::StrBuffer*> texts;
  for (int i = 0; i < 10000; ++i) {
    auto* t = s::str::strbuffer::StrBuffer::take();
    t->assign(u"word")->appendInt32(i * 7919);
    texts.push_back(t);
  }
  s::map::Map map;
  for (auto _ : state) {
    for (auto* t : texts) map.add(t->hashCode(), t);
    for (auto* t : texts) benchmark::DoNotOptimize(map.find(t->hashCode(), t));
    map.clear(nullptr);
  }
  for (auto* t : texts) t->release();
}
BENCHMARK(MapAddFind)->Unit(benchmark::kMicrosecond);

void StdUnorderedSetAddFind(benchmark::State& state) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < 10000; ++i) {
    std::u16string t = u"word";
    for (char c : std::to_string(i * 7919)) t += static_cast<char16_t>(c);
    texts.push_back(t);
  }
  std::unordered_set<std::u16string> set;
  for (auto _ : state) {
    for (auto& t : texts) set.insert(t);
    for (auto& t : texts) benchmark::DoNotOptimize(set.find(t));
    set.clear();
  }
}
BENCHMARK(StdUnorderedSetAddFind)->Unit(benchmark::kMicrosecond);

// ---- Worker thread --------------------------------------------------------------------------

struct Nothing : s::thread::ITask {
  void run() override {}
};

// One start of a parked worker and the wait until it is idle again: the cost of handing work
// to the worker.
void WorkerStartAndWait(benchmark::State& state) {
  s::thread::win::Thread* worker = s::thread::win::Thread::take();
  Nothing task;
  for (auto _ : state) {
    worker->start(&task);
    worker->waitUntilIdle();
  }
  worker->release();
}
BENCHMARK(WorkerStartAndWait)->Unit(benchmark::kMicrosecond);

}  // namespace
