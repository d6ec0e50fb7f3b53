// The registry database's speed for the settings store's work: writing and reading one value,
// and listing a key. Runs on its own database file in a temporary folder.
#include <windows.h>
#include <winternl.h>

#include <benchmark/benchmark.h>

#include "testlib/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct Database {
  Database() {
    setenv("LUMETRA_REGISTRY", (folder / "registry.sqlite3").c_str(), 1);
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, u"\\Registry\\Machine\\SOFTWARE\\Bench");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    NtCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr);
  }
  ~Database() { NtClose(key); }
  lumetra::testlib::TempDir temp;
  const std::filesystem::path folder = temp.path();
  HANDLE key = nullptr;
};

Database& database() {
  static Database d;
  return d;
}

void SetDwordValue(benchmark::State& state) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, u"Volume");
  DWORD value = 0;
  for (auto _ : state) {
    ++value;
    if (NtSetValueKey(database().key, &name, 0, REG_DWORD, &value, sizeof(value)) !=
        STATUS_SUCCESS) {
      state.SkipWithError("write failed");
    }
  }
}
BENCHMARK(SetDwordValue);

void QueryDwordValue(benchmark::State& state) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, u"Volume");
  DWORD value = 1;
  NtSetValueKey(database().key, &name, 0, REG_DWORD, &value, sizeof(value));
  alignas(8) BYTE buffer[256];
  ULONG length = 0;
  for (auto _ : state) {
    NTSTATUS s = NtQueryValueKey(database().key, &name, KeyValueFullInformation, buffer,
                                 sizeof(buffer), &length);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(QueryDwordValue);

void EnumerateHundredValues(benchmark::State& state) {
  for (int i = 0; i < 100; ++i) {
    std::string n = "Value" + std::to_string(i);
    std::u16string wide(n.begin(), n.end());
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, wide.c_str());
    NtSetValueKey(database().key, &name, 0, REG_DWORD, &i, sizeof(i));
  }
  alignas(8) BYTE buffer[1024];
  ULONG length = 0;
  for (auto _ : state) {
    ULONG i = 0;
    while (NtEnumerateValueKey(database().key, i, KeyValueBasicInformation, buffer, sizeof(buffer),
                               &length) == 0)
      ++i;
    benchmark::DoNotOptimize(i);
  }
}
BENCHMARK(EnumerateHundredValues);

}  // namespace
