// Downloads from the tests' own server on 127.0.0.1: a 10 MiB body through URLDownloadToFileW
// and through `curl -s -o /dev/null` (the same route, for the ratio), and a 100-byte reply
// through the downloader's `run`, whose time beyond the server's answer is the cost of the
// worker and its waits.
#include "platform/system/network/win/Downloader.h"

#include "testlib/HttpServer.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <windows.h>
#include <urlmon.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

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
  const std::string url = server().url("/big");
  for (auto _ : state) {
    if (lumetra::testlib::run({"curl", "-s", "-o", "/dev/null", url}).exitCode != 0) {
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

}  // namespace
