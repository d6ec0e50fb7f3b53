// The program's command line.
#include "core/process/commandline/win/CommandLine.h"

namespace s::process::commandline::win {

void CommandLine::ParseParam(const TCHAR* param, BOOL flag, BOOL) {
  str::strbuffer::StrBuffer* text = str::strbuffer::StrBuffer::take();
  if (flag) {
    text->assign(u"-");
  } else {
    text->clear();
  }
  text->append(param != nullptr ? param : u"");
  m_arguments.add(text);
}

}  // namespace s::process::commandline::win
