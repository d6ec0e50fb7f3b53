// Fuzz target of the command line (libFuzzer). Any arguments must be taken without a crash or a
// leak, and none may be lost or invented (a broken promise aborts):
//   - through the framework's parser, the stored arguments are the program's arguments after
//     its own path, in order and unchanged: a switch loses its "-" on the way in and gets it
//     back when it is stored, and "/" begins a path, not a switch;
//   - through ParseParam directly, each call stores exactly one text: "-" + the parameter for a
//     switch, the parameter itself otherwise, whatever the last-argument flag says;
//   - the pool's reset leaves a command line empty.
#include "core/process/commandline/win/CommandLine.h"
#include "testlib/FuzzContract.h"

#include <afxwin.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using s::process::commandline::win::CommandLine;

namespace {

// The arguments: printable ASCII as itself, the control bytes as units that mean something on
// a command line, high bytes as letters beyond ASCII or, from 0xF0, with the next two bytes as
// any unit but NUL; a zero byte ends each argument.
std::vector<std::u16string> argumentsOf(const uint8_t* data, size_t size) {
  static constexpr char16_t kSpecial[32] = {0,    u'-',   u'-',   u'/',   u'/',   u'-', u' ', u' ',
                                            u'"', u'"',   u'\\',  u'\\',  u'=',   u':', u'.', u'a',
                                            u'Z', u'-',   u'/',   u'\t',  u'\'',  u'@', u'*', u'?',
                                            0xE9, 0x4E2D, 0xD800, 0xDC00, 0xFFFF, u'-', u' ', u'/'};
  std::vector<std::u16string> args(1);
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    if (b == 0) {
      args.emplace_back();
    } else if (b < 0x20) {
      args.back().push_back(kSpecial[b]);
    } else if (b < 0x7F) {
      args.back().push_back(b);
    } else if (b < 0xF0 || i + 2 >= size) {
      args.back().push_back(static_cast<char16_t>(b + 0x80));
    } else {
      const auto raw = static_cast<char16_t>(data[i + 1] | data[i + 2] << 8);
      args.back().push_back(raw == 0 ? u'0' : raw);
      i += 2;
    }
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) {
    return 0;
  }
  // The framework's parser reads the process's arguments, the program's own path first.
  std::vector<std::u16string> args = argumentsOf(data, size);
  args.insert(args.begin(), u"Z:\\bin\\lumetra");
  std::vector<WCHAR*> pointers;
  for (std::u16string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  const int savedCount = __argc;
  WCHAR** savedArgs = __wargv;
  __argc = static_cast<int>(args.size());
  __wargv = pointers.data();
  static CWinApp* const s_app = new CWinApp();
  CommandLine* line = CommandLine::take();
  s_app->ParseCommandLine(*line);
  __argc = savedCount;
  __wargv = savedArgs;
  FUZZ_CHECK(line->getCount() == args.size() - 1);
  for (uint32_t i = 0; i < line->getCount(); ++i) {
    FUZZ_CHECK(std::u16string(line->getArgument(i)) == args[i + 1]);
  }
  line->release();

  // ParseParam as any parser may call it: the first unit of each argument picks the flags.
  line = CommandLine::take();
  FUZZ_CHECK(line->getCount() == 0);
  std::vector<std::u16string> expected;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::u16string& arg = args[i];
    const bool flag = !arg.empty() && (arg[0] & 1) != 0;
    const bool last = !arg.empty() && (arg[0] & 2) != 0;
    line->ParseParam(arg.c_str(), flag ? TRUE : FALSE, last ? TRUE : FALSE);
    expected.push_back(flag ? u"-" + arg : arg);
  }
  FUZZ_CHECK(line->getCount() == expected.size());
  for (uint32_t i = 0; i < line->getCount(); ++i) {
    FUZZ_CHECK(std::u16string(line->getArgument(i)) == expected[i]);
  }
  line->release();
  return 0;
}
