// shell_demo: the path library's listings, batch operations, shortcuts and special folders on
// the real system, one command at a time. Built with the tests, not part of the product; `open`
// really starts the user's program and is meant for a person, never for a test.
#include "core/file/Extension.h"
#include "core/file/win/PathArray.h"
#include "core/file/win/PathWin.h"
#include "core/file/win/Shortcuts.h"
#include "core/system/win/Shell.h"
#include "core/thread/Pooled.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using s::col::_array::ArrayP;
using s::file::Extension;
using s::file::win::PathArray;
using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;

constexpr const char* kUsage =
    "usage: shell_demo COMMAND ...\n"
    "  list FOLDER [--hidden] [--recursive] [--pattern P]\n"
    "  copy SOURCE... FOLDER        copy into FOLDER (asks before replacing)\n"
    "  move SOURCE... FOLDER        move into FOLDER\n"
    "  trash PATH...                send to the Trash\n"
    "  link TARGET LINK             write a shortcut (.lnk) to TARGET\n"
    "  resolve LINK                 the target of a .lnk or the address of a .url\n"
    "  desktop                      the desktop folder\n"
    "  group FOLDER --by extension|words|size\n"
    "  open TARGET                  open a file, folder or address in the user's program\n"
    "Paths may be given in POSIX or Windows form.\n";

std::u16string utf16(const char* argument) {
  std::u16string text(
      static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, argument, -1, nullptr, 0)), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, argument, -1, text.data(), static_cast<int>(text.size()));
  if (!text.empty()) text.pop_back();
  return text;
}

// A command-line argument in the program's path form: POSIX paths on drive Z:.
std::u16string pathArgument(const char* argument) {
  std::u16string text = utf16(argument);
  if (!text.empty() && text[0] == u'/') {
    std::u16string onDrive(u"Z:");
    onDrive.append(text);
    text.swap(onDrive);
  }
  for (char16_t& unit : text) {
    if (unit == u'/') unit = u'\\';
  }
  std::u16string full(MAX_PATH * 4, u'\0');
  const DWORD units =
      GetFullPathNameW(text.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (units == 0 || units >= full.size()) return text;
  full.resize(units);
  return full;
}

void print(const WCHAR* text, const char* end = "\n") {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? static_cast<size_t>(bytes) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  std::fputs(out.c_str(), stdout);
  std::fputs(end, stdout);
}

int list(int argc, char** argv) {
  if (argc < 1) return 2;
  bool hidden = false;
  bool recursive = false;
  const char* pattern = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hidden") == 0) {
      hidden = true;
    } else if (std::strcmp(argv[i], "--recursive") == 0) {
      recursive = true;
    } else if (std::strcmp(argv[i], "--pattern") == 0 && i + 1 < argc) {
      pattern = argv[++i];
    } else {
      return 2;
    }
  }
  Pooled<PathWin> folder(PathWin::newFromText(pathArgument(argv[0]).c_str()));
  Pooled<ArrayP> entries;
  if (pattern != nullptr) {
    Pooled<PathWin> search(folder->newChild(utf16(pattern).c_str()));
    entries = Pooled<ArrayP>(search->findMatchingEntries(hidden, recursive, nullptr));
  } else {
    if (!folder->isDirectory()) {
      std::fprintf(stderr, "shell_demo: not a folder: %s\n", argv[0]);
      return 1;
    }
    entries = Pooled<ArrayP>(folder->collectAll(hidden, recursive, nullptr));
  }
  for (uint32_t i = 0; i < entries->getCount(); ++i) {
    auto* entry = static_cast<PathWin*>(entries->getItems()[i]);
    print(entry->getFullPath(), entry->isDirectory() ? "\\\n" : "\n");
  }
  return 0;
}

Pooled<PathArray> pathsOf(int argc, char** argv) {
  Pooled<PathArray> paths;
  for (int i = 0; i < argc; ++i) {
    paths->addText(pathArgument(argv[i]).c_str());
  }
  return paths;
}

int transfer(int argc, char** argv, bool move) {
  if (argc < 2) return 2;
  Pooled<PathArray> sources(pathsOf(argc - 1, argv));
  const std::u16string folder = pathArgument(argv[argc - 1]);
  const int32_t result = move ? sources->moveTo(folder.c_str(), true, true, nullptr)
                              : sources->copyTo(folder.c_str(), true, true, nullptr);
  std::printf("%s\n", result == 2 ? "done" : result == 1 ? "done, part skipped" : "failed");
  return result == 0 ? 1 : 0;
}

int trash(int argc, char** argv) {
  if (argc < 1) return 2;
  Pooled<PathArray> paths(pathsOf(argc, argv));
  paths->cacheDirectoryFlags();
  const bool done = paths->moveToRecycleBin(true, false, nullptr);
  std::printf("%s\n", done ? "sent to the Trash" : "failed");
  return done ? 0 : 1;
}

int link(int argc, char** argv) {
  if (argc != 2) return 2;
  Pooled<PathWin> target(PathWin::newFromText(pathArgument(argv[0]).c_str()));
  const bool made = target->createShortcut(pathArgument(argv[1]).c_str(), false, nullptr);
  std::printf("%s\n", made ? "written" : "failed");
  return made ? 0 : 1;
}

int resolve(int argc, char** argv) {
  if (argc != 1) return 2;
  Pooled<PathWin> file(PathWin::newFromText(pathArgument(argv[0]).c_str()));
  Pooled<StrBuffer> target(file->hasExtension(u".url")
                               ? s::file::win::resolveInternetShortcut(file->getFullPath())
                               : s::file::win::resolveShortcut(file->getFullPath()));
  if (target->getLength() == 0) {
    std::fprintf(stderr, "shell_demo: names nothing: %s\n", argv[0]);
    return 1;
  }
  print(target->getCStr());
  return 0;
}

int group(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--by") != 0) return 2;
  Pooled<PathWin> folder(PathWin::newFromText(pathArgument(argv[0]).c_str()));
  Pooled<PathArray> files(
      static_cast<PathArray*>(folder->collectFilesToPathArray(true, false, nullptr)));
  Pooled<ArrayP> groups;
  if (std::strcmp(argv[2], "extension") == 0) {
    groups = Pooled<ArrayP>(files->groupByExtension());
  } else if (std::strcmp(argv[2], "words") == 0) {
    groups = Pooled<ArrayP>(files->groupByTitleWords(true));
  } else if (std::strcmp(argv[2], "size") == 0) {
    groups = Pooled<ArrayP>(files->groupBySizeBelow());
  } else {
    return 2;
  }
  for (uint32_t g = 0; g < groups->getCount(); ++g) {
    auto* entry = static_cast<Extension*>(groups->getItems()[g]);
    print(entry->getKey()->getLength() == 0 ? u"(none)" : entry->getKey()->getCStr(), "");
    std::printf(" (%u)\n", entry->getPathCount());
    for (uint32_t p = 0; p < entry->getPathCount(); ++p) {
      std::fputs("  ", stdout);
      print(static_cast<PathWin*>(entry->getPaths()->getItems()[p])->getFileName());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  const int rest = argc - 2;
  char** args = argv + 2;
  int result = 2;
  if (command == "list") {
    result = list(rest, args);
  } else if (command == "copy" || command == "move") {
    result = transfer(rest, args, command == "move");
  } else if (command == "trash") {
    result = trash(rest, args);
  } else if (command == "link") {
    result = link(rest, args);
  } else if (command == "resolve") {
    result = resolve(rest, args);
  } else if (command == "desktop" && rest == 0) {
    Pooled<StrBuffer> desktop(s::file::win::getDesktopPath());
    print(desktop->getCStr());
    result = desktop->getLength() == 0 ? 1 : 0;
  } else if (command == "group") {
    result = group(rest, args);
  } else if (command == "open" && rest == 1) {
    // Addresses go over as given; anything else is a path.
    const std::u16string target =
        std::strstr(args[0], "://") != nullptr ? utf16(args[0]) : pathArgument(args[0]);
    const bool opened = s::system::win::shellOpen(target.c_str());
    result = opened ? 0 : 1;
    if (!opened) std::fprintf(stderr, "shell_demo: could not open %s\n", args[0]);
  }
  if (result == 2) std::fputs(kUsage, stderr);
  return result;
}
