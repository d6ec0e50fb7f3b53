// The platform probe: a small program that runs one library operation on the real system for a
// person or a test to look at. Built with the tests, not part of the product.
#include "tools/probe/Commands.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

// One row per command, in the order the usage lists them.
const Command kCommands[] = {
    {"monitors", "monitors", &lumetra::probe::monitors},
    {"capture", "capture X Y W H FILE", &lumetra::probe::capture},
    {"running", "running", &lumetra::probe::running},
    {"fetch", "fetch URL", &lumetra::probe::fetch},
    {"dump", "dump PROGRAM FOLDER", &lumetra::probe::dump},
    {"icon", "icon FILE [W H]", &lumetra::probe::icon},
};

int usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& c : kCommands) std::fprintf(stderr, "  platform_probe %s\n", c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) {
      const int status = c.run(argc - 2, argv + 2);
      return status == 2 ? usage() : status;
    }
  }
  return usage();
}
