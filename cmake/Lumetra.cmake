# The two helpers every folder uses: one adds a library, one adds a test.
# Sources are found by globbing, so a new file joins its library without a CMake edit.

set(LUMETRA_WARNINGS -Wall -Wextra -Werror)
# Floating point stays exactly as written: no contraction into fused multiply-adds.
set(LUMETRA_FP_FLAGS -ffp-contract=off -fno-fast-math)

if(LUMETRA_SANITIZE AND LUMETRA_TSAN)
  message(FATAL_ERROR "LUMETRA_SANITIZE and LUMETRA_TSAN exclude each other: use one build folder for each")
endif()
if(LUMETRA_SANITIZE)
  # GCC 12 sees uninitialised reads in the standard library's std::function and std::regex code
  # that the address sanitizer instruments; they are not there.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
                      -Wno-maybe-uninitialized)
  add_link_options(-fsanitize=address,undefined)
endif()
if(LUMETRA_TSAN)
  # GCC 12's -Wrestrict misfires on inlined string code under the thread sanitizer.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-restrict)
  add_link_options(-fsanitize=thread)
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
endfunction()

# lumetra_add_test(NAME LABELS labels... [SOURCES files...] [FOLDER dir] [DEPS targets...])
# One GoogleTest executable; each test case becomes a CTest test carrying LABELS and run
# with the headless display driver.
function(lumetra_add_test name)
  cmake_parse_arguments(A "" "FOLDER" "SOURCES;LABELS;DEPS" ${ARGN})
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
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${A_LABELS}"
               ENVIRONMENT "LUMETRA_DISPLAY=headless"
               TIMEOUT 300)
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
