// CPU affinity for tests.
#include "testlib/Cpus.h"

#include <sched.h>

#include <fstream>
#include <string>

namespace lumetra::testlib {

bool pinThisThreadToOneCpu() {
  const int cpu = sched_getcpu();
  if (cpu < 0) {
    return false;
  }
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  return sched_setaffinity(0, sizeof one, &one) == 0;
}

int threadCount() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) {
      return std::stoi(line.substr(8));
    }
  }
  return -1;
}

}  // namespace lumetra::testlib
