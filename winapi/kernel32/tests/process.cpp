// Conformance of the process calls: snapshots of processes and modules, opening a process and
// the name of its image file, for a child this test starts and for this process.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <filesystem>
#include <string>

namespace {

using lumetra::testlib::ChildProcess;
using lumetra::testlib::TempDir;

std::u16string windowsForm(const std::filesystem::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
  return out;
}

// The image is replaced at exec: waits until the child runs `program`.
void waitForImage(DWORD pid, const std::filesystem::path& program) {
  lumetra::testlib::waitUntil([&] {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) == program;
  });
}

// The snapshot entry of a process; false when the snapshot does not list it.
bool findInSnapshot(DWORD pid, PROCESSENTRY32W* found) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  EXPECT_NE(snap, INVALID_HANDLE_VALUE);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool seen = false;
  DWORD last = 0;
  for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
    EXPECT_GT(entry.th32ProcessID, last) << "the snapshot is in ascending id order";
    last = entry.th32ProcessID;
    if (entry.th32ProcessID == pid) {
      *found = entry;
      seen = true;
    }
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(CloseHandle(snap));
  return seen;
}

TEST(ProcessSnapshot, ListsARunningChildWithItsNameAndModulePathAndForgetsItOnceEnded) {
  TempDir folder;
  // The child runs a copy of tail named by this test, so its name and path are known; it
  // follows a file that never grows until it is killed.
  const std::filesystem::path program = folder.file("napper");
  std::filesystem::copy_file("/usr/bin/tail", program);
  ChildProcess child({program.string(), "-f", "/dev/null"});
  ASSERT_TRUE(child.started());
  const auto pid = static_cast<DWORD>(child.pid());
  waitForImage(pid, program);

  PROCESSENTRY32W entry{};
  ASSERT_TRUE(findInSnapshot(pid, &entry));
  EXPECT_EQ(std::u16string(entry.szExeFile), u"napper");
  EXPECT_EQ(entry.th32ParentProcessID, GetCurrentProcessId());
  EXPECT_GE(entry.cntThreads, 1u);

  HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  ASSERT_NE(modules, INVALID_HANDLE_VALUE);
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  ASSERT_TRUE(Module32FirstW(modules, &module));
  EXPECT_EQ(module.th32ProcessID, pid);
  EXPECT_EQ(std::u16string(module.szExePath), windowsForm(program));
  EXPECT_EQ(std::u16string(module.szModule), u"napper");
  EXPECT_FALSE(Module32NextW(modules, &module));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  CloseHandle(modules);

  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  ASSERT_NE(process, nullptr);
  WCHAR image[MAX_PATH];
  DWORD units = GetProcessImageFileNameW(process, image, MAX_PATH);
  EXPECT_EQ(std::u16string(image, units), windowsForm(program));
  // One unit short of the terminator: the path is not cut.
  EXPECT_EQ(GetProcessImageFileNameW(process, image, units), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  CloseHandle(process);

  child.kill();
  EXPECT_FALSE(findInSnapshot(pid, &entry));
  EXPECT_EQ(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ProcessSnapshot, ThisProcessIsModuleZeroAndMatchesItsModuleFileName) {
  WCHAR own[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, own, MAX_PATH), 0u);
  HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
  ASSERT_NE(modules, INVALID_HANDLE_VALUE);
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  ASSERT_TRUE(Module32FirstW(modules, &module));
  EXPECT_EQ(std::u16string(module.szExePath), std::u16string(own));
  EXPECT_EQ(module.th32ProcessID, GetCurrentProcessId());
  // A record of the wrong size is refused, not written.
  module.dwSize = sizeof module - 1;
  EXPECT_FALSE(Module32FirstW(modules, &module));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_LENGTH));
  CloseHandle(modules);

  WCHAR image[MAX_PATH];
  ASSERT_GT(GetProcessImageFileNameW(GetCurrentProcess(), image, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(image), std::u16string(own));
  EXPECT_EQ(GetProcessImageFileNameW(reinterpret_cast<HANDLE>(0x1234), image, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(ProcessSnapshot, AModulePathLongerThanMaxPathFailsInsteadOfBeingCut) {
  TempDir folder;
  std::filesystem::path deep = folder.path();
  while (deep.string().size() < 300) deep /= std::string(40, 'd');
  std::filesystem::create_directories(deep);
  const std::filesystem::path program = deep / "napper";
  std::filesystem::copy_file("/usr/bin/tail", program);
  ChildProcess child({program.string(), "-f", "/dev/null"});
  ASSERT_TRUE(child.started());
  const auto pid = static_cast<DWORD>(child.pid());
  waitForImage(pid, program);
  HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  ASSERT_NE(modules, INVALID_HANDLE_VALUE);
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  EXPECT_FALSE(Module32FirstW(modules, &module));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(module.szExePath[0], 0);
  CloseHandle(modules);
}

TEST(ProcessSnapshot, RecordsKeepTheirPublishedLayout) {
  EXPECT_EQ(sizeof(PROCESSENTRY32W), 568u);
  EXPECT_EQ(offsetof(PROCESSENTRY32W, th32DefaultHeapID), 16u);
  EXPECT_EQ(offsetof(PROCESSENTRY32W, szExeFile), 44u);
  EXPECT_EQ(sizeof(MODULEENTRY32W), 1080u);
  EXPECT_EQ(offsetof(MODULEENTRY32W, modBaseAddr), 24u);
  EXPECT_EQ(offsetof(MODULEENTRY32W, szModule), 48u);
  EXPECT_EQ(offsetof(MODULEENTRY32W, szExePath), 560u);
}

}  // namespace

// Run by the test below under taskset: the mask names the one CPU the process may use.
TEST(ProcessAffinityHelper, DISABLED_NamesTheOneCpuTasksetLeaves) {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
  EXPECT_EQ(process, DWORD_PTR{1}) << "taskset -c 0";
}

TEST(ProcessAffinity, NamesTheCpusThisProcessMayUseAmongTheSystems) {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
  EXPECT_NE(process, 0u);
  EXPECT_EQ(process & ~system, 0u) << "a CPU the process may use that the system lacks";
  if (lumetra::testlib::run({"taskset", "-V"}).exitCode != 127) {
    const auto pinned =
        lumetra::testlib::run({"taskset", "-c", "0", lumetra::testlib::selfPath().string(),
                               "--gtest_filter=ProcessAffinityHelper.DISABLED_NamesTheOneCpuTasksetLeaves",
                               "--gtest_also_run_disabled_tests"});
    EXPECT_EQ(pinned.exitCode, 0) << pinned.output;
  }
  // Another process's mask, or nowhere to put one, is refused.
  SetLastError(0);
  EXPECT_FALSE(GetProcessAffinityMask(reinterpret_cast<HANDLE>(0x1234), &process, &system));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(GetProcessAffinityMask(GetCurrentProcess(), nullptr, &system));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
