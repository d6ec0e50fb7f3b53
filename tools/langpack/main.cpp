// lumetra_langgen: the build's language-pack generator.
//   lumetra_langgen FOLDER OUTPUT   reads FOLDER's language list and language files and writes the
//                                   pack's XML to OUTPUT; on any problem it prints every one as
//                                   file:line: message, writes nothing and fails
#include "tools/langpack/LangSource.h"
#include "tools/langpack/PackWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

namespace fs = std::filesystem;

/// Writes beside the target and renames, so a failed write never leaves half a pack behind.
void writeFile(const fs::path& path, const std::string& text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  fs::path temporary = path;
  temporary += ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw std::runtime_error("cannot write " + temporary.string());
  }
  fs::rename(temporary, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: lumetra_langgen FOLDER OUTPUT\n";
    return 2;
  }
  try {
    tools::langpack::Pack pack = tools::langpack::loadPack(argv[1]);
    writeFile(argv[2], tools::langpack::writePackXml(pack));
    if (!pack.missing.empty()) {
      std::string tags;
      for (const auto& tag : pack.missing) tags += " " + tag;
      std::cout << "lumetra_langgen: " << pack.languages.size() << " of "
                << pack.languages.size() + pack.missing.size()
                << " languages; no file yet for:" << tags << "\n";
    }
    return 0;
  } catch (const tools::langpack::SourceError& e) {
    for (const auto& message : e.messages()) std::cerr << message << "\n";
    std::cerr << "lumetra_langgen: the language pack was not written\n";
  } catch (const std::exception& e) {
    std::cerr << "lumetra_langgen: " << e.what() << "\n";
  }
  return 1;
}
