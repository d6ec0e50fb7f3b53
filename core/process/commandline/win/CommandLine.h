// The program's command line as the framework's parser hands it over.
#pragma once

#include "core/process/commandline/ICommandLine.h"
#include "core/str/strarray/StrArray.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <afxwin.h>

#include <cstdint>

namespace s::process::commandline::win {

/// Every argument, in order, as a text; nothing is interpreted. The framework's
/// `CWinApp::ParseCommandLine` calls `ParseParam` once per argument: a switch arrives without
/// its leading "-" (on this system only "-" makes a switch, as "/" begins a path) and is
/// stored as "-" + the rest, so "-x" is stored as "-x" and a lone "-" as "-".
///
/// The framework's own fields of the parser object stay at their defaults. Pooled (capacity
/// 1000); `reset` gives the texts back. Filled once at start-up, then read by any thread.
class CommandLine final : public ICommandLine,
                          public virtual thread::IPoolable,
                          public CCommandLineInfo {
  S_POOLED_CLASS(CommandLine, u"s_process_commandline_win_CommandLine")

  CommandLine() = default;
  ~CommandLine() override { reset(); }
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  void reset() override { m_arguments.clear(); }

  uint32_t getCount() const override { return m_arguments.getCount(); }
  const WCHAR* getArgument(uint32_t index) const override {
    return m_arguments.get(index)->getCStr();
  }
  void dump() const override {}

  void ParseParam(const TCHAR* param, BOOL flag, BOOL last) override;

 private:
  str::strarray::StrArray m_arguments;
};

}  // namespace s::process::commandline::win
