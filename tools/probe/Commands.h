// The probe's commands: each takes the words after its name and answers the exit status.
#pragma once

#include <string>

namespace lumetra::probe {

/// A command-line path in the program's form: a POSIX path on drive Z:, "/" as "\".
inline std::u16string windowsPathOf(const char* word) {
  std::u16string text;
  if (word[0] == '/') text = u"Z:";
  for (const char* c = word; *c != 0; ++c) {
    text.push_back(*c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(*c)));
  }
  return text;
}

/// fetch URL: the reply of URL through the program's downloader (8000 ms), on standard output.
int fetch(int argc, char** argv);
/// monitors: each monitor with its rectangle and work area, and the virtual screen.
int monitors(int argc, char** argv);
/// capture X Y W H FILE: a screen rectangle as a PNG file.
int capture(int argc, char** argv);
/// running: another running copy of this probe, if any.
int running(int argc, char** argv);
/// dump PROGRAM FOLDER: the program's resources written into FOLDER, texts as .txt files.
int dump(int argc, char** argv);
/// icon FILE [W H]: an icon file's images, and the one that best fits W x H decoded.
int icon(int argc, char** argv);

}  // namespace lumetra::probe
