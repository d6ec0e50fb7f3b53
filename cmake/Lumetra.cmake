# The two helpers every folder uses: one adds a library, one adds a test.
# Sources are found by globbing, so a new file joins its library without a CMake edit.

# Shared by every folder that adds fuzz targets.
option(LUMETRA_FUZZ "Build the libFuzzer targets (clang only)" OFF)

set(LUMETRA_WARNINGS -Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12's -Wrestrict sees overlapping copies in std::string's operator+ once -O3 inlines it
  # (a "literal" + std::string, as any path is built): not there, and not a warning of later GCCs.
  list(APPEND LUMETRA_WARNINGS -Wno-restrict)
endif()
# Floating point stays exactly as written: no contraction into fused multiply-adds.
set(LUMETRA_FP_FLAGS -ffp-contract=off -fno-fast-math)

if(LUMETRA_SANITIZE AND LUMETRA_TSAN)
  message(FATAL_ERROR "LUMETRA_SANITIZE and LUMETRA_TSAN exclude each other: use one build folder for each")
endif()
if(LUMETRA_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "LUMETRA_FUZZ needs clang (CXX=clang++, or the fuzz preset)")
endif()
if(LUMETRA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 sees uninitialised reads in the standard library's std::function and std::regex code
    # that the address sanitizer instruments; they are not there.
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()
if(LUMETRA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12's -Wrestrict misfires on inlined string code under the thread sanitizer.
    add_compile_options(-Wno-restrict)
  endif()
endif()
if(LUMETRA_SANITIZE OR LUMETRA_TSAN)
  # Line tables are all a sanitizer report needs; full debug information in every one of the
  # hundred test programs (each links the whole layer) would take over 10 GB of disk.
  add_compile_options(-g1)
endif()
# lld links a test program (which takes in the whole layer and its debug information) in a third
# of the time of the default linker; script/bootstrap installs it.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld LUMETRA_HAS_LLD)
if(LUMETRA_HAS_LLD)
  add_link_options(-fuse-ld=lld)
endif()
if(LUMETRA_FUZZ)
  # Every library is instrumented for coverage; only the fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(lumetra_target_options target)
  target_compile_options(${target} PRIVATE ${LUMETRA_WARNINGS} ${LUMETRA_FP_FLAGS})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# Sources of FOLDER (recursively), without its tests/ folders.
function(lumetra_sources out folder)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS
       ${folder}/*.cpp ${folder}/*.c)
  list(FILTER found EXCLUDE REGEX "/tests/")
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# lumetra_add_library(NAME [FOLDER dir] [SHARED] [DEPS targets...] [PRIVATE_DEPS targets...])
# A static library of every source below FOLDER (default: the current folder) but its tests.
function(lumetra_add_library name)
  cmake_parse_arguments(A "SHARED" "FOLDER" "DEPS;PRIVATE_DEPS" ${ARGN})
  if(NOT A_FOLDER)
    set(A_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  lumetra_sources(srcs ${A_FOLDER})
  if(A_SHARED)
    add_library(${name} SHARED ${srcs})
  else()
    add_library(${name} STATIC ${srcs})
  endif()
  lumetra_target_options(${name})
  target_link_libraries(${name} PUBLIC ${A_DEPS} PRIVATE ${A_PRIVATE_DEPS})
  if(NOT A_SHARED)
    lumetra_add_link_check(${name})
  endif()
endfunction()

# lumetra_add_link_check(LIBRARY)
# The link check of a static library, built with every build: the library's own objects as one
# shared object linked with only the libraries it links itself (all below it in the order of
# docs/ARCHITECTURE.md) and refusing any symbol they lack, so a call up the order fails here
# whatever order a program's link takes the archives in. What the library links is read when the
# build is generated, so libraries added to it after this call count too.
function(lumetra_add_link_check library)
  add_library(${library}_linkcheck SHARED $<TARGET_OBJECTS:${library}>)
  target_link_libraries(${library}_linkcheck PRIVATE $<TARGET_PROPERTY:${library},LINK_LIBRARIES>)
  target_link_options(${library}_linkcheck PRIVATE "LINKER:--no-undefined")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND LUMETRA_SANITIZE)
    # clang links its sanitizer runtime into programs only; a shared object takes the shared one.
    target_link_options(${library}_linkcheck PRIVATE -shared-libsan)
  endif()
endfunction()

# Every test runs through testlib/bin/lumetra-test-env: the stand-in xdg-open first on its PATH,
# and HOME, XDG_CONFIG_HOME and XDG_DATA_HOME in a folder of the build tree.
set(LUMETRA_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/testlib/bin)
set(LUMETRA_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)

# The window managers the X11 tests also run under (testlib/WindowManager.h knows how to start
# each); script/bootstrap installs them.
set(LUMETRA_TEST_WINDOW_MANAGERS openbox jwm xfwm4 CACHE STRING
    "Window managers the x11 tests run under besides a bare X server")

# Under clang, the GoogleTest and GoogleMock headers are parsed once for every test program of the
# build instead of once per test source: a test source compiles in about 0.8 s less (of 2 to 4 s
# for most). The test programs take the header with the same flags as this target's, which they
# share: the project's warnings, floating-point rules and line tables, and GoogleTest's own
# definitions. GCC 12 is left out: through its precompiled header it no longer treats the
# standard library's headers as system headers, and warns on their inlined string code
# (-Warray-bounds), which it otherwise keeps quiet.
function(lumetra_test_precompiled_header)
  if(TARGET lumetra_test_pch)
    return()
  endif()
  set(source ${CMAKE_BINARY_DIR}/lumetra_test_pch.cpp)
  # A program, so that it compiles exactly as a test program does (position-independent
  # executable code); it is never run.
  file(CONFIGURE OUTPUT ${source} CONTENT "int main() { return 0; }\n")
  add_executable(lumetra_test_pch ${source})
  lumetra_target_options(lumetra_test_pch)
  target_compile_options(lumetra_test_pch PRIVATE -g1)
  target_link_libraries(lumetra_test_pch PRIVATE GTest::gtest GTest::gmock)
  target_precompile_headers(lumetra_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
endfunction()

# lumetra_add_test(NAME LABELS labels... [SOURCES files...] [FOLDER dir] [DEPS targets...]
#                  [RESOURCE_LOCK name] [UNDER_MANAGERS gtest-filter] [X11_LANE name])
# One GoogleTest executable; each test case becomes a CTest test carrying LABELS and run
# with the headless display driver. Cases that must not run beside each other name a lock.
# The cases of an x11 test that UNDER_MANAGERS picks run once more under each window manager of
# LUMETRA_TEST_WINDOW_MANAGERS, as NAME@manager. X11_LANE names the lane of an x11 test's cases
# (below; "programs" unless given).
function(lumetra_add_test name)
  cmake_parse_arguments(A "" "FOLDER;RESOURCE_LOCK;UNDER_MANAGERS;X11_LANE" "SOURCES;LABELS;DEPS"
                        ${ARGN})
  set(srcs ${A_SOURCES})
  if(A_FOLDER)
    file(GLOB found CONFIGURE_DEPENDS ${A_FOLDER}/*.cpp)
    list(APPEND srcs ${found})
  endif()
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  lumetra_target_options(${name})
  # A test's own code needs no more than line tables, for the backtrace of a failure; full debug
  # information would make its sources, most of them assertions, compile half as long again.
  target_compile_options(${name} PRIVATE -g1)
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    lumetra_test_precompiled_header()
    target_precompile_headers(${name} REUSE_FROM lumetra_test_pch)
  endif()
  foreach(label ${A_LABELS})
    set_property(GLOBAL APPEND PROPERTY LUMETRA_TEST_LABELS ${label})
    set_property(GLOBAL APPEND PROPERTY LUMETRA_TESTS_LABELLED_${label} ${name})
  endforeach()
  # Sanitizer builds leave the system libraries' own leaks out of the leak report (cmake/lsan.supp).
  set(lsan "LSAN_OPTIONS=set:suppressions=${CMAKE_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0")
  if(NOT LUMETRA_SANITIZE)
    set(lsan "LSAN_OPTIONS=unset:")  # nothing reads it without the sanitizers
  endif()
  # The test environment comes through a wrapper that CTest runs the program with (the
  # emulator road of gtest_discover_tests: its PROPERTIES cannot carry a list of variables).
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
               ${LUMETRA_TEST_BIN_DIR}/lumetra-test-env ${LUMETRA_TEST_HOME})
  # Tests against a real X server play the user with pointer and keys and wait on what it shows.
  # Each has a server of its own, but they run one at a time per lane, so at most one of them per
  # lane competes for the CPU with the others' servers and clients. A lane is a window manager
  # (or the bare server) and a kind of test program: the layer's own, or the toolkit's and the
  # application's (X11_LANE), two lanes per server variant and eight in all (four under a
  # sanitizer, below).
  # Their lanes are the longest chains of a test run, so CTest starts them first.
  set(lock "")
  set(cost "")
  set(lane programs)
  if(A_X11_LANE)
    set(lane ${A_X11_LANE})
  endif()
  if(LUMETRA_SANITIZE OR LUMETRA_TSAN)
    # Under a sanitizer the test run is bound by the CPUs, not by the lanes: one lane per server
    # variant leaves more of them to the other tests.
    set(lane all)
  endif()
  if("x11" IN_LIST A_LABELS)
    set(lock RESOURCE_LOCK xvfb-${lane})
    set(cost COST 1000)
  elseif(A_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK ${A_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${A_LABELS}"
               ENVIRONMENT "LUMETRA_DISPLAY=headless"
               ENVIRONMENT_MODIFICATION "${lsan}"
               TIMEOUT 300
               ${cost}
               ${lock})
  # The wrapper turns --window-manager=NAME into LUMETRA_TEST_WM for testlib/WindowManager.
  if(A_UNDER_MANAGERS AND "x11" IN_LIST A_LABELS)
    foreach(manager ${LUMETRA_TEST_WINDOW_MANAGERS})
      gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_FILTER "${A_UNDER_MANAGERS}"
        TEST_SUFFIX "@${manager}"
        TEST_LIST ${name}_${manager}_TESTS
        EXTRA_ARGS --window-manager=${manager}
        PROPERTIES LABELS "${A_LABELS}"
                   ENVIRONMENT "LUMETRA_DISPLAY=headless"
                   ENVIRONMENT_MODIFICATION "${lsan}"
                   TIMEOUT 300
                   ${cost}
                   RESOURCE_LOCK xvfb-${manager}-${lane})
    endforeach()
  endif()
endfunction()

# lumetra_add_test_folders(PREFIX LABELS labels... DEPS targets...)
# One test executable for every tests/ folder below the current folder, named after its path:
# core/str/tests becomes core_str_tests.
function(lumetra_add_test_folders prefix)
  cmake_parse_arguments(A "" "" "LABELS;DEPS" ${ARGN})
  # Any depth: core/col/array/tests is found as well as core/tests.
  file(GLOB_RECURSE cpps CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER cpps INCLUDE REGEX "/tests/[^/]*\\.cpp$")
  set(dirs "")
  foreach(f ${cpps})
    get_filename_component(d ${f} DIRECTORY)
    list(APPEND dirs ${d})
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(d ${dirs})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${d})
    string(REPLACE "/" "_" tname ${rel})
    lumetra_add_test(${tname} FOLDER ${d} LABELS ${A_LABELS} DEPS ${A_DEPS})
  endforeach()
endfunction()

# Resources appended to programs: lumetra_add_resources(target manifest).
include(LumetraResources)

# lumetra_add_fuzz(NAME SOURCES files... DEPS targets... CORPUS folders...)
# A libFuzzer target, built with LUMETRA_FUZZ (clang) to fuzz, and in clang's ASan and UBSan build
# (the asan preset) to replay. Its CORPUS folders hold the seed inputs and every input that ever
# crashed it; script/fuzz mutates from them, and the asan build's tests replay them once each
# (NAME.corpus, label fuzz). The list of targets and folders is written to fuzz-targets.txt in the
# build folder.
function(lumetra_add_fuzz name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;CORPUS" ${ARGN})
  set(replay OFF)
  if(NOT LUMETRA_FUZZ)
    if(NOT (LUMETRA_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
      return()
    endif()
    set(replay ON)
  endif()
  add_executable(${name} ${A_SOURCES})
  lumetra_target_options(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  set(folders "")
  foreach(c ${A_CORPUS})
    get_filename_component(c ${c} ABSOLUTE)
    list(APPEND folders ${c})
  endforeach()
  if(replay)
    # Every input once, without mutation: the regression check of the inputs that once crashed.
    add_test(NAME ${name}.corpus COMMAND ${name} -runs=0 ${folders})
    set_tests_properties(${name}.corpus PROPERTIES LABELS fuzz TIMEOUT 300)
  endif()
  list(JOIN folders " " folders)
  set_property(GLOBAL APPEND PROPERTY LUMETRA_FUZZ_TARGETS "${name} ${folders}")
  if(NOT TARGET fuzz_all)
    add_custom_target(fuzz_all)
  endif()
  add_dependencies(fuzz_all ${name})
endfunction()

# Called once from the top-level list after every folder has added its targets: tests_LABEL
# builds the test programs of one label and what they run, so that a build that runs only some
# labels' tests (the tsan preset) builds no more than those.
function(lumetra_add_label_targets)
  get_property(labels GLOBAL PROPERTY LUMETRA_TEST_LABELS)
  list(REMOVE_DUPLICATES labels)
  foreach(label ${labels})
    get_property(programs GLOBAL PROPERTY LUMETRA_TESTS_LABELLED_${label})
    add_custom_target(tests_${label})
    add_dependencies(tests_${label} ${programs})
  endforeach()
endfunction()

# Called once from the top-level list after every folder has added its targets.
function(lumetra_write_fuzz_list)
  get_property(targets GLOBAL PROPERTY LUMETRA_FUZZ_TARGETS)
  list(JOIN targets "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${text}\n")
endfunction()

# lumetra_gcc_false_positive(TARGET target WARNING name FILES files... REASON text)
# Keeps a GCC warning that is a known false positive of the compiler from failing the build, for
# the named files of one target only and only under GCC. REASON is required, so each use says why.
function(lumetra_gcc_false_positive)
  cmake_parse_arguments(A "" "TARGET;WARNING;REASON" "FILES" ${ARGN})
  if(NOT A_REASON)
    message(FATAL_ERROR "lumetra_gcc_false_positive needs a REASON")
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND TARGET ${A_TARGET})
    # Appends, so that one file can carry more than one such warning.
    set_property(SOURCE ${A_FILES} TARGET_DIRECTORY ${A_TARGET} APPEND
                 PROPERTY COMPILE_OPTIONS -Wno-error=${A_WARNING})
  endif()
endfunction()
