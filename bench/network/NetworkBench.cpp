// Downloads from the tests' own server on 127.0.0.1: a 10 MiB body through URLDownloadToFileW
// into a file and through `curl -s -o FILE` into a file beside it (the same route and the same
// work, for the ratio), and a 100-byte reply through the downloader's `run`, whose time beyond
// the server's answer is the cost of the worker and its waits.
//
// Every benchmark runs twice, the whole process (server, downloads and curl) pinned to one CPU
// and then to two: ONE_CPU and TWO_CPUS name them (taskset lists), else the last two CPUs the
// process may use. After the benchmarks' own lines comes the table of the medians, the ratio
// curl / ours (above 1: ours is faster), its target and the load average. Benchmark options
// pass through; without --benchmark_repetitions each runs 5 times.
#include "platform/system/network/win/Downloader.h"

#include "testlib/HttpServer.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <windows.h>
#include <urlmon.h>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using lumetra::testlib::HttpRoute;
using lumetra::testlib::HttpServer;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

HttpServer& server() {
  static HttpServer* const s_server = [] {
    auto* s = new HttpServer();
    HttpRoute big;
    big.body = std::string(10 * 1024 * 1024, 'b');
    s->route("/big", big);
    HttpRoute small;
    small.body = std::string(100, 's');
    s->route("/small", small);
    return s;
  }();
  return *s_server;
}

void UrlDownloadToFile10MiB(benchmark::State& state) {
  lumetra::testlib::TempDir dir;
  const std::u16string url = wide(server().url("/big"));
  const std::u16string file = dir.windowsPath("big");
  for (auto _ : state) {
    if (URLDownloadToFileW(nullptr, url.c_str(), file.c_str(), 0, nullptr) != S_OK) {
      state.SkipWithError("download failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 10 * 1024 * 1024);
}
BENCHMARK(UrlDownloadToFile10MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void Curl10MiB(benchmark::State& state) {
  lumetra::testlib::TempDir dir;
  const std::string url = server().url("/big");
  const std::string file = dir.file("big").string();
  for (auto _ : state) {
    if (lumetra::testlib::run({"curl", "-s", "-o", file, url}).exitCode != 0) {
      state.SkipWithError("curl failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 10 * 1024 * 1024);
}
BENCHMARK(Curl10MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void DownloaderRun100Bytes(benchmark::State& state) {
  setenv("LUMETRA_NETWORK", "online", 1);
  lumetra::testlib::TempDir dir;
  setenv("TMPDIR", dir.path().c_str(), 1);
  const std::u16string url = wide(server().url("/small"));
  auto* downloader = s::system::network::win::Downloader::take();
  for (auto _ : state) {
    downloader->reset();
    downloader->setUrl(url.c_str());
    downloader->setReadReply(true);
    if (!downloader->run(8000, nullptr, 0, 0)) {
      state.SkipWithError("run failed");
      break;
    }
  }
  downloader->release();
  unsetenv("TMPDIR");
}
BENCHMARK(DownloaderRun100Bytes)->Unit(benchmark::kMillisecond)->UseRealTime();

/// Prints each run and keeps the median real time (milliseconds) of every benchmark.
class Recorder final : public benchmark::ConsoleReporter {
 public:
  Recorder() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) {
        continue;
      }
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median"
                                            : medians.count(name) == 0) {
        medians[name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medians;
};

/// The CPUs of a taskset list ("3", "2,3", "4-5").
bool parseCpus(const std::string& text, cpu_set_t* set) {
  CPU_ZERO(set);
  std::stringstream list(text);
  std::string part;
  while (std::getline(list, part, ',')) {
    const size_t dash = part.find('-');
    const int first = std::atoi(part.substr(0, dash).c_str());
    const int last = dash == std::string::npos ? first : std::atoi(part.substr(dash + 1).c_str());
    for (int cpu = first; cpu <= last && cpu < CPU_SETSIZE; ++cpu) {
      CPU_SET(cpu, set);
    }
  }
  return CPU_COUNT(set) > 0;
}

/// Pins every thread of this process to `set`; children inherit it.
bool pinProcess(const cpu_set_t& set) {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) {
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(tasks)) {
    const int tid = std::atoi(entry->d_name);
    if (tid > 0) {
      ok = sched_setaffinity(tid, sizeof set, &set) == 0 && ok;
    }
  }
  closedir(tasks);
  return ok;
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  in >> one;
  return one;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  bool repetitionsGiven = false;
  for (int i = 1; i < argc; ++i) {
    repetitionsGiven |= std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
  }
  std::string repetitions = "--benchmark_repetitions=5";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  if (!repetitionsGiven) {
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
    return 1;
  }

  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  sched_getaffinity(0, sizeof allowed, &allowed);
  std::vector<int> cpus;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &allowed)) {
      cpus.push_back(cpu);
    }
  }
  const char* oneEnv = std::getenv("ONE_CPU");
  const char* twoEnv = std::getenv("TWO_CPUS");
  if (cpus.size() < 2 && (oneEnv == nullptr || twoEnv == nullptr)) {
    std::fprintf(stderr,
                 "bench_network: the two-CPU run needs two CPUs (or ONE_CPU and TWO_CPUS)\n");
    return 1;
  }
  const std::string one = oneEnv != nullptr ? oneEnv : std::to_string(cpus.back());
  const std::string two =
      twoEnv != nullptr ? twoEnv
                        : std::to_string(cpus[cpus.size() - 2]) + "," + std::to_string(cpus.back());
  struct Pass {
    std::string cpus;
    std::map<std::string, double> medians;
    std::string load;
  };
  Pass passes[2] = {{one, {}, {}}, {two, {}, {}}};
  for (Pass& pass : passes) {
    cpu_set_t set;
    if (!parseCpus(pass.cpus, &set) || !pinProcess(set)) {
      std::fprintf(stderr, "bench_network: cannot pin to CPUs %s\n", pass.cpus.c_str());
      return 1;
    }
    std::printf("Pinned to CPU(s) %s\n", pass.cpus.c_str());
    std::fflush(stdout);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    pass.medians = recorder.medians;
    pass.load = loadAverage();
  }
  benchmark::Shutdown();

  const auto at = [](const Pass& pass, const char* name) {
    const auto found = pass.medians.find(name);
    return found == pass.medians.end() ? 0.0 : found->second;
  };
  std::printf(
      "\nMedians in ms; 1 = CPU %s, 2 = CPUs %s; ratio = curl / ours (above 1: ours is faster)\n",
      one.c_str(), two.c_str());
  std::printf("%-28s %8s %8s %7s %8s %8s %7s  %-7s %4s  %s\n", "operation", "ours 1", "curl 1",
              "ratio 1", "ours 2", "curl 2", "ratio 2", "target", "met", "load");
  const double o1 = at(passes[0], "UrlDownloadToFile10MiB");
  const double c1 = at(passes[0], "Curl10MiB");
  const double o2 = at(passes[1], "UrlDownloadToFile10MiB");
  const double c2 = at(passes[1], "Curl10MiB");
  const bool measured = o1 > 0 && c1 > 0 && o2 > 0 && c2 > 0;
  const double r1 = measured ? c1 / o1 : 0.0;
  const double r2 = measured ? c2 / o2 : 0.0;
  std::printf("%-28s %8.2f %8.2f %6.2fx %8.2f %8.2f %6.2fx  %-7s %4s  %s\n", "10 MiB into a file",
              o1, c1, r1, o2, c2, r2, ">=0.8", measured && r1 >= 0.8 && r2 >= 0.8 ? "yes" : "no",
              passes[1].load.c_str());
  std::printf("%-28s %8.3f %8s %7s %8.3f %8s %7s  %-7s %4s  %s\n", "100 bytes, downloader run",
              at(passes[0], "DownloaderRun100Bytes"), "-", "-",
              at(passes[1], "DownloaderRun100Bytes"), "-", "-", "-", "-", passes[1].load.c_str());
  return 0;
}
