// The contract check of the fuzz targets: an answer that breaks what its class promises stops the
// run with the place and the expression, so a saved input tells what it broke.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace lumetra::testlib {

[[noreturn]] inline void contractBroken(const char* file, int line, const char* expression) {
  std::fprintf(stderr, "%s:%d: contract broken: %s\n", file, line, expression);
  std::abort();
}

}  // namespace lumetra::testlib

/// Aborts the fuzz run when `condition` is false, naming the file, the line and the expression.
#define FUZZ_CHECK(condition)         \
  ((condition) ? static_cast<void>(0) \
               : ::lumetra::testlib::contractBroken(__FILE__, __LINE__, #condition))
