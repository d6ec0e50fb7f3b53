// Conformance of run-time libraries: shared libraries beside the program and on the system's
// path, built-in modules, module names and handles.
#include <windows.h>

// Areas register their built-in modules through the layer's registry; the test registers one
// of its own the same way.
#include "winapi/base/builtin.h"

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace {

int builtinAnswer() { return 7; }
const winapi::BuiltinExport kTestExports[] = {{"Answer", reinterpret_cast<void*>(&builtinAnswer)}};
const winapi::BuiltinRegistrar kTestRegistrar(u"lumetratestbuiltin.dll", kTestExports);

// An entry point as the function type it has (through void*, as FARPROC has another type).
int (*asAnswer(FARPROC proc))() { return reinterpret_cast<int (*)()>(reinterpret_cast<void*>(proc)); }

std::u16string moduleName(HMODULE module) {
  WCHAR name[4096];
  DWORD n = GetModuleFileNameW(module, name, 4096);
  return std::u16string(name, n);
}

}  // namespace

TEST(Module, LoadsTheSharedLibraryBesideTheProgram) {
  HMODULE module = LoadLibraryW(u"lumetratestmodule.dll");
  ASSERT_NE(module, nullptr) << "liblumetratestmodule.so is built beside the tests";
  auto answer = asAnswer(GetProcAddress(module, "lumetraTestAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "noSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  std::u16string program = moduleName(nullptr);
  std::u16string file = moduleName(module);
  std::u16string folder = program.substr(0, program.find_last_of(u'\\') + 1);
  EXPECT_EQ(file, folder + u"liblumetratestmodule.so");
  EXPECT_EQ(GetModuleHandleW(u"LumetraTestModule.DLL"), module) << "names compare ignoring case";

  EXPECT_EQ(LoadLibraryW(u"lumetratestmodule"), module) << "no extension means .dll; a second load shares the module";
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleW(u"lumetratestmodule.dll"), module) << "one reference is left";
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleW(u"lumetratestmodule.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(FreeLibrary(module));
}

TEST(Module, NamesTheProgramInItsZForm) {
  std::u16string program = moduleName(nullptr);
  EXPECT_EQ(program.substr(0, 3), u"Z:\\");
  EXPECT_EQ(program.substr(program.find_last_of(u'\\') + 1), u"winapi_kernel32_tests");
  EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(u"winapi_kernel32_tests"));
  // A short buffer gets the name cut, terminated, and its own size back.
  WCHAR small[4];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(small), u"Z:\\");
}

TEST(Module, BuiltInModulesBindTheLayersOwnFunctions) {
  HMODULE module = LoadLibraryW(u"LumetraTestBuiltin.dll");
  ASSERT_NE(module, nullptr);
  auto answer = asAnswer(GetProcAddress(module, "Answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 7);
  EXPECT_EQ(GetProcAddress(module, "Missing"), nullptr);
  EXPECT_EQ(GetModuleHandleW(u"lumetratestbuiltin"), module);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(asAnswer(GetProcAddress(module, "Answer")), &builtinAnswer) << "built-in modules stay loaded";
}

TEST(Module, MissingAndBrokenLibrariesFail) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"lame_enc_missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  {
    lumetra::testlib::TempDir folder;
    std::ofstream(folder.file("libbroken.so")) << "not a library";
    EXPECT_EQ(LoadLibraryW(folder.windowsPath("broken.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  }
  // A name with an extension other than .dll is looked up as given, on the system's path.
  HMODULE math = LoadLibraryW(u"libm.so.6");
  ASSERT_NE(math, nullptr);
  EXPECT_NE(GetProcAddress(math, "cos"), nullptr);
  EXPECT_TRUE(FreeLibrary(math));
}
