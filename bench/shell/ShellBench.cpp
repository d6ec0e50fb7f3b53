// bench_shell [listing FILES] [copy MIB] [trash FILES]: the file-operation targets, each timed
// against its command-line peer on the same files, as the median of 5 alternating runs.
//   listing: a folder of FILES empty files ("song 000001 title.mp3" ...): listAll(false, false),
//            collectAll(true, false, null) and a bare FindFirstFileW/FindNextFileW loop against
//            `find DIR -maxdepth 1 -printf '%y %s %T@\n'` (one status per entry) and `ls -f`;
//            with the listing's peak resident growth (VmHWM).
//   copy:    copyTo of a MIB file against `cp` on the same file system, after `sync`.
//   trash:   PathArray::moveToRecycleBin of FILES small files against `gio trash` (when found),
//            both into a Trash under a temporary XDG data home.
// The folder is made under $LUMETRA_BENCH_DIR (default: the temporary folder), on the disk being
// measured. No arguments: all three at 100,000 files, 1024 MiB and 10,000 files.
#include "core/col/array/ArrayP.h"
#include "core/file/win/PathArray.h"
#include "core/file/win/PathWin.h"
#include "core/str/strarray/StrArray.h"
#include "core/thread/Pooled.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using s::file::win::PathArray;
using s::file::win::PathWin;
using s::thread::Pooled;

namespace {

constexpr int kRuns = 5;

// Joins texts by appending (GCC 12 misreads literal + string under -O3).
std::string joined(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& part : parts) out.append(part);
  return out;
}

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::u16string windowsOf(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string())
    out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

long statusKiB(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, std::strlen(field), field) == 0)
      return std::atol(line.c_str() + std::strlen(field) + 1);
  }
  return 0;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

bool haveCommand(const char* name) {
  const std::string probe = joined({"command -v ", name, " >/dev/null 2>&1"});
  return std::system(probe.c_str()) == 0;
}

void report(const char* what, double ours, double peer, const char* peerName) {
  if (peer > 0) {
    std::printf("%-34s %9.3f s   %-10s %9.3f s   ratio %.2f\n", what, ours, peerName, peer,
                ours / peer);
  } else {
    std::printf("%-34s %9.3f s\n", what, ours);
  }
}

fs::path benchRoot() {
  const char* dir = std::getenv("LUMETRA_BENCH_DIR");
  fs::path root = fs::path(dir != nullptr ? dir : fs::temp_directory_path().string()) /
                  joined({"lumetra-shell-bench-", std::to_string(getpid())});
  fs::create_directories(root);
  return root;
}

void listing(const fs::path& root, int files) {
  const fs::path folder = root / "listing";
  fs::create_directories(folder);
  char name[64];
  for (int i = 1; i <= files; ++i) {
    std::snprintf(name, sizeof name, "song %06d title.mp3", i);
    std::ofstream(folder / name);
  }
  const std::u16string windows = windowsOf(folder);
  const std::string findCommand =
      joined({"find '", folder.string(), "' -maxdepth 1 -printf '%y %s %T@\\n' >/dev/null"});
  const std::string lsCommand = joined({"ls -f '", folder.string(), "' >/dev/null"});
  std::vector<double> listAll, collectAll, bare, find, ls;
  long peak = 0;
  for (int run = 0; run < kRuns; ++run) {
    find.push_back(seconds([&] { std::system(findCommand.c_str()); }));
    const long idle = statusKiB("VmRSS");
    resetPeak();
    listAll.push_back(seconds([&] {
      Pooled<PathWin> path(PathWin::newFromText(windows.c_str()));
      Pooled<s::str::strarray::StrArray> names(path->listAll(false, false));
      if (static_cast<int>(names->getCount()) != files)
        std::fprintf(stderr, "listAll: %u\n", names->getCount());
    }));
    peak = std::max(peak, statusKiB("VmHWM") - idle);
    collectAll.push_back(seconds([&] {
      Pooled<PathWin> path(PathWin::newFromText(windows.c_str()));
      Pooled<s::col::_array::ArrayP> entries(path->collectAll(true, false, nullptr));
    }));
    bare.push_back(seconds([&] {
      WIN32_FIND_DATAW data;
      std::u16string pattern = windows;
      pattern.append(u"\\*");
      HANDLE find = FindFirstFileW(pattern.c_str(), &data);
      int count = 0;
      if (find != INVALID_HANDLE_VALUE) {
        do {
          ++count;
        } while (FindNextFileW(find, &data));
        FindClose(find);
      }
      if (count < files) std::fprintf(stderr, "FindNextFileW: %d\n", count);
    }));
    ls.push_back(seconds([&] { std::system(lsCommand.c_str()); }));
  }
  std::printf("listing of %d files\n", files);
  report("  listAll(false, false)", median(listAll), median(find), "find");
  report("  collectAll(true, false, null)", median(collectAll), median(find), "find");
  report("  FindFirstFileW/FindNextFileW", median(bare), median(find), "find");
  report("  ls -f (names only)", median(ls), 0, "");
  std::printf("  listAll peak growth (VmHWM)     %9.1f MB\n", static_cast<double>(peak) / 1024.0);
  fs::remove_all(folder);
}

void copy(const fs::path& root, int mib) {
  const fs::path source = root / "big.bin";
  {
    std::ofstream out(source, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7919);
    for (int i = 0; i < mib; ++i)
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  const std::u16string from = windowsOf(source);
  const std::u16string to = windowsOf(root / "ours.bin");
  const std::string cpCommand =
      joined({"cp '", source.string(), "' '", (root / "cp.bin").string(), "'"});
  std::vector<double> ours, cp;
  for (int run = 0; run < kRuns; ++run) {
    fs::remove(root / "ours.bin");
    fs::remove(root / "cp.bin");
    sync();
    ours.push_back(seconds([&] {
      Pooled<PathWin> path(PathWin::newFromText(from.c_str()));
      if (!path->copyTo(to.c_str(), true)) std::fprintf(stderr, "copyTo failed\n");
    }));
    sync();
    cp.push_back(seconds([&] { std::system(cpCommand.c_str()); }));
  }
  std::printf("copy of %d MiB\n", mib);
  report("  copyTo", median(ours), median(cp), "cp");
  fs::remove(source);
  fs::remove(root / "ours.bin");
  fs::remove(root / "cp.bin");
}

void trash(const fs::path& root, int files) {
  const fs::path home = root / "data";
  setenv("XDG_DATA_HOME", home.string().c_str(), 1);
  const bool gio = haveCommand("gio");
  std::vector<double> ours, peer;
  char name[64];
  for (int run = 0; run < kRuns; ++run) {
    const fs::path folder = root / "trash";
    fs::create_directories(folder);
    for (int i = 0; i < files; ++i) {
      std::snprintf(name, sizeof name, "f%06d.txt", i);
      std::ofstream(folder / name) << "x";
    }
    ours.push_back(seconds([&] {
      Pooled<PathArray> list;
      for (int i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "f%06d.txt", i);
        list->addText(windowsOf(folder / name).c_str());
      }
      if (!list->moveToRecycleBin(false, false, nullptr))
        std::fprintf(stderr, "moveToRecycleBin failed\n");
    }));
    fs::remove_all(home / "Trash");
    if (gio) {
      for (int i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "f%06d.txt", i);
        std::ofstream(folder / name) << "x";
      }
      const std::string command = joined({"cd '", folder.string(), "' && gio trash f*.txt"});
      peer.push_back(seconds([&] { std::system(command.c_str()); }));
      fs::remove_all(home / "Trash");
    }
    fs::remove_all(folder);
  }
  std::printf("trash of %d files\n", files);
  report("  PathArray::moveToRecycleBin", median(ours), gio ? median(peer) : 0, "gio trash");
  if (!gio) std::printf("  (gio not installed: no peer figure)\n");
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path root = benchRoot();
  if (argc == 1) {
    listing(root, 100000);
    copy(root, 1024);
    trash(root, 10000);
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    const int amount = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "listing") == 0) {
      listing(root, amount);
    } else if (std::strcmp(argv[i], "copy") == 0) {
      copy(root, amount);
    } else if (std::strcmp(argv[i], "trash") == 0) {
      trash(root, amount);
    } else {
      std::fprintf(stderr, "usage: bench_shell [listing FILES] [copy MIB] [trash FILES]\n");
      return 2;
    }
  }
  fs::remove_all(root);
  return 0;
}
