// The command line through the framework's parser and through ParseParam directly.
#include "core/process/commandline/win/CommandLine.h"

#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using s::process::commandline::win::CommandLine;

// Parses `args` (the program first) as the framework's entry point would hand them over.
CommandLine* parse(std::vector<std::u16string> args) {
  std::vector<WCHAR*> pointers;
  for (auto& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  int savedCount = __argc;
  WCHAR** savedArgs = __wargv;
  __argc = static_cast<int>(args.size());
  __wargv = pointers.data();
  CWinApp app;
  CommandLine* line = CommandLine::take();
  app.ParseCommandLine(*line);
  __argc = savedCount;
  __wargv = savedArgs;
  return line;
}

std::vector<std::u16string> argumentsOf(const CommandLine* line) {
  std::vector<std::u16string> out;
  for (uint32_t i = 0; i < line->getCount(); ++i) out.emplace_back(line->getArgument(i));
  return out;
}

}  // namespace

TEST(CommandLine, KeepsEveryArgumentInOrder) {
  CommandLine* none = parse({u"Z:\\bin\\lumetra"});
  EXPECT_EQ(none->getCount(), 0u);
  none->release();

  CommandLine* line =
      parse({u"Z:\\bin\\lumetra", u"song.mp3", u"-silent", u"Z:\\home\\ann\\a b.wav", u"-", u"/"});
  EXPECT_EQ(argumentsOf(line), (std::vector<std::u16string>{u"song.mp3", u"-silent",
                                                            u"Z:\\home\\ann\\a b.wav", u"-", u"/"}))
      << "a switch keeps its hyphen, and on this system \"/\" begins a path, not a switch";
  line->release();
}

TEST(CommandLine, SwitchesAreStoredWithAHyphen) {
  CommandLine* line = CommandLine::take();
  line->ParseParam(u"plain", FALSE, FALSE);
  line->ParseParam(u"slash", TRUE, FALSE);  // "/slash" as a Windows parser hands it over
  line->ParseParam(u"hyphen", TRUE, FALSE);
  line->ParseParam(u"", TRUE, TRUE);  // a lone "-" or "/"
  EXPECT_EQ(argumentsOf(line),
            (std::vector<std::u16string>{u"plain", u"-slash", u"-hyphen", u"-"}));
  EXPECT_EQ(line->m_nShellCommand, CCommandLineInfo::FileNew)
      << "the framework's fields are left alone";
  line->release();
  CommandLine* again = CommandLine::take();
  EXPECT_EQ(again->getCount(), 0u) << "the pool's reset frees the list";
  again->release();
}

TEST(CommandLine, InterfaceAndClassNameThemselves) {
  // An implementation that does not name itself answers the interface's text.
  struct Bare final : s::process::commandline::ICommandLine {
    uint32_t getCount() const override { return 0; }
    const WCHAR* getArgument(uint32_t) const override { return u""; }
    void dump() const override {}
    s::base::IObject* newInstance() const override { return nullptr; }
  } bare;
  EXPECT_EQ(std::u16string(bare.getClassName()), u"s_process_commandline_ICommandLine");
  CommandLine* line = CommandLine::take();
  EXPECT_EQ(std::u16string(line->getClassName()), u"s_process_commandline_win_CommandLine");
  EXPECT_NE(line->hashCode(), bare.hashCode())
      << "the class's constant hash comes from its own name";
  line->release();
}
