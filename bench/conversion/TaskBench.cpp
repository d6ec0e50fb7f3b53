// task_bench [--effect INDEX LEVEL QUALITY] [--sends] IN OUTFOLDER: converts IN into OUTFOLDER
// through the effect window's conversion task (the path list, the effect's suffix, filter and
// speed factor, the unique output name, the per-file result) on a worker thread, and prints,
// last, "seconds=S realtime=R reports=N" as convert_bench prints its own: S from the task's start
// to its end, R the audio's duration over S, N the progress reports, one per 4096-byte block.
// With --sends, each report waits for a second thread to take it and answer, one semaphore
// ping-pong, as the window's synchronous progress send makes the worker wait for its UI thread.
// Without --effect the task uses Volume Up +30 %.
#include "app/dialogs/effect/ConversionTask.h"
#include "app/dialogs/effect/Setting.h"
#include "audio/IEncodedAudio.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "core/file/win/PathWin.h"
#include "core/str/strarray/StrArray.h"

#include <windows.h>
#include <afxwin.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <semaphore>
#include <string>
#include <thread>

namespace {

using s::sound::gui::dialogs::effect::ConversionResults;
using s::sound::gui::dialogs::effect::EntryResult;
using s::sound::gui::dialogs::effect::Setting;

/// A stand-in for the converter window: its list, lock and output folder, and a progress sink
/// that counts the reports and, when asked, hands each to a second thread and waits for it.
class BenchWindow final : public s::sound::gui::dialogs::effect::ITaskWindow {
 public:
  BenchWindow(const WCHAR* source, const WCHAR* folder, bool sends)
      : m_paths(s::str::strarray::StrArray::take()),
        m_folder(s::file::win::PathWin::newFromText(folder)),
        m_setting(Setting::take()),
        m_sends(sends) {
    InitializeCriticalSection(&m_lock);
    m_paths->addText(source);
    if (m_sends) {
      m_peer = std::thread([this] {
        for (;;) {
          m_request.acquire();
          if (m_stop) break;
          m_answer.release();
        }
      });
    }
  }
  ~BenchWindow() override {
    if (m_sends) {
      m_stop = true;
      m_request.release();
      m_peer.join();
    }
    DeleteCriticalSection(&m_lock);
    m_paths->release();
    m_folder->release();
    m_setting->release();
  }

  Setting* setting() { return m_setting; }
  int64_t reports() const { return m_reports; }

  void lockTask() override { EnterCriticalSection(&m_lock); }
  void unlockTask() override { LeaveCriticalSection(&m_lock); }
  bool isCancelRequested() override { return false; }
  s::str::strarray::StrArray* getPathList() override { return m_paths; }
  s::file::win::PathWin* getOutputFolder() override { return m_folder; }
  const Setting& getSetting() override { return *m_setting; }
  ConversionResults* getResults() override { return &m_results; }
  void beginTaskbarProgress() override {}
  void endTaskbarProgress() override {}
  void sendStatusEvent(const WCHAR*, int64_t, int64_t, const WCHAR*) override {}
  void reportProgress(int64_t, int64_t, const WCHAR*) override {
    ++m_reports;
    if (m_sends) {
      m_request.release();
      m_answer.acquire();
    }
  }
  ConversionResults& results() { return m_results; }

 private:
  CRITICAL_SECTION m_lock;
  s::str::strarray::StrArray* m_paths;
  s::file::win::PathWin* m_folder;
  Setting* m_setting;
  ConversionResults m_results;
  bool m_sends;
  int64_t m_reports = 0;
  std::binary_semaphore m_request{0};
  std::binary_semaphore m_answer{0};
  std::atomic<bool> m_stop{false};
  std::thread m_peer;
};

/// The duration of the audio of `path` in seconds, 0 when it holds none.
double audioSeconds(const WCHAR* path) {
  const std::u16string text(path);
  const bool mp3 = text.size() > 4 && (text.ends_with(u".mp3") || text.ends_with(u".MP3"));
  s::sound::IEncodedAudio* reader =
      mp3 ? static_cast<s::sound::IEncodedAudio*>(s::sound::mp3::win::Mp3::take())
          : s::sound::wav::Wave::take();
  double seconds = 0.0;
  if (s::sound::gui::dialogs::effect::setInputPath(reader, path) && reader->getPcmLength() > 0) {
    const double bytesPerSecond = static_cast<double>(reader->getPcmSampleRate()) *
                                  (reader->isPcmStereo() ? 2 : 1) * reader->getPcmBitsPerSample() /
                                  8;
    seconds = reader->getPcmLength() / bytesPerSecond;
  }
  reader->releaseToPool();
  return seconds;
}

/// A decimal argument; 0 when it is none.
int32_t toInt(const WCHAR* text) {
  std::string ascii;
  for (const WCHAR* c = text; *c != 0; ++c) ascii.push_back(static_cast<char>(*c));
  return static_cast<int32_t>(std::strtol(ascii.c_str(), nullptr, 10));
}

int usage() {
  std::fprintf(stderr, "usage: task_bench [--effect INDEX LEVEL QUALITY] [--sends] IN OUTFOLDER\n");
  return 2;
}

int runBench(int argc, WCHAR** argv) {
  int32_t index = 15;
  int32_t level = 30;
  int32_t quality = 0;
  bool sends = false;
  const WCHAR* in = nullptr;
  const WCHAR* folder = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::u16string arg(argv[i]);
    if (arg == u"--effect" && i + 3 < argc) {
      index = toInt(argv[++i]);
      level = toInt(argv[++i]);
      quality = toInt(argv[++i]);
    } else if (arg == u"--sends") {
      sends = true;
    } else if (in == nullptr) {
      in = argv[i];
    } else if (folder == nullptr) {
      folder = argv[i];
    } else {
      return usage();
    }
  }
  if (in == nullptr || folder == nullptr) {
    return usage();
  }
  const double seconds = audioSeconds(in);
  if (seconds <= 0.0) {
    std::fprintf(stderr, "task_bench: IN holds no audio\n");
    return 1;
  }
  BenchWindow window(in, folder, sends);
  window.setting()->setIndex(index);
  window.setting()->setLevel(level);
  window.setting()->setQuality(quality);
  const auto start = std::chrono::steady_clock::now();
  // The task runs on a thread of its own, as on the converter window's worker.
  std::thread worker([&window] { s::sound::gui::dialogs::effect::runConversionTask(&window); });
  worker.join();
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto& entries = window.results().getEntries();
  if (entries.size() != 1 || entries[0].result != EntryResult::kConverted) {
    std::fprintf(stderr, "task_bench: the file was not converted\n");
    return 1;
  }
  std::printf("seconds=%.4f realtime=%.1f reports=%lld\n", elapsed, seconds / elapsed,
              static_cast<long long>(window.reports()));
  return 0;
}

class TaskBench final : public CWinApp {
 public:
  BOOL InitInstance() override {
    m_exitCode = runBench(__argc, __wargv);
    return FALSE;
  }
  int ExitInstance() override { return m_exitCode; }

 private:
  int m_exitCode = 0;
};

TaskBench g_bench;

}  // namespace
