// song_info: prints the song information of MP3 and WAV files, and writes edited texts back.
//
//   song_info [--set FIELD=TEXT]... [--write-code-page N] [--write] [--export FILE.xml] FILE...
//
// FIELD is title, artist, album, year, track, genre or comment. --write writes the record back
// into the file; --export stores each record in a section "Song<n>" of an XML settings file.
#include "audio/IInfo.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileInputStream.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/codepage/CodePage.h"
#include "core/system/codepage/CodePageList.h"
#include "platform/xml/MappedData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using s::str::strbuffer::StrBuffer;

namespace {

std::u16string fromUtf8(const std::string& text) {
  StrBuffer* buffer = StrBuffer::take();
  buffer->clear();
  buffer->decodeUtf8(text.c_str(), false, static_cast<int32_t>(text.size()));
  std::u16string out = buffer->getCStr();
  buffer->release();
  return out;
}

std::string toUtf8(const char16_t* text) {
  StrBuffer* buffer = StrBuffer::take();
  buffer->assign(text != nullptr ? text : u"");
  s::col::_array::ArrayU08* bytes = buffer->encodeUtf8();
  std::string out(reinterpret_cast<const char*>(bytes->getItems()), bytes->getCount());
  bytes->release();
  buffer->release();
  return out;
}

// The program's form of a path given on the command line: drive Z: is the POSIX root.
std::u16string windowsPath(const std::string& arg) {
  std::u16string out = u"Z:";
  for (char16_t c : fromUtf8(std::filesystem::absolute(arg).lexically_normal().string())) {
    out += c == u'/' ? u'\\' : c;
  }
  return out;
}

std::string codePageText(s::system::codepage::CodePage* codePage) {
  if (codePage == nullptr) return "-";
  return std::to_string(codePage->getCodePage()) + " " + toUtf8(codePage->getName()->getCStr());
}

s::sound::IInfo* openInfo(const std::u16string& path, const std::string& file, bool isWave) {
  s::file::win::FileInputStream* in = s::file::win::FileInputStream::take();
  if (!in->open(path.c_str())) {
    in->release();
    return nullptr;
  }
  s::sound::IEncodedAudio* audio = nullptr;
  if (isWave) {
    audio = s::sound::wav::Wave::take();
  } else {
    audio = s::sound::mp3::win::Mp3::take();
  }
  std::error_code error;
  audio->setFileSize(static_cast<int64_t>(std::filesystem::file_size(file, error)));
  audio->setInputStream(in, true);
  s::sound::IInfo* info = audio->createInfo(path.c_str());
  audio->close();
  audio->releaseToPool();
  return info;
}

void print(s::sound::IInfo* info, int number) {
  std::printf("%s\n  number: %d\n", toUtf8(info->getFilePath()).c_str(), number);
  const std::pair<const char*, std::pair<const char16_t*, s::system::codepage::CodePage*>>
      fields[] = {{"title", {info->getTitle(), info->getTitleCodePage()}},
                  {"artist", {info->getArtist(), info->getArtistCodePage()}},
                  {"album", {info->getAlbum(), info->getAlbumCodePage()}},
                  {"year", {info->getYear(), info->getYearCodePage()}},
                  {"track", {info->getTrack(), info->getTrackCodePage()}},
                  {"genre", {info->getGenre(), info->getGenreCodePage()}},
                  {"comment", {info->getComment(), info->getCommentCodePage()}}};
  for (const auto& [name, field] : fields) {
    const bool has = field.first != nullptr && field.first[0] != 0;
    std::printf("  %s: %s%s%s%s\n", name, toUtf8(field.first).c_str(), has ? " [" : "",
                has ? codePageText(field.second).c_str() : "", has ? "]" : "");
  }
  std::printf("  play time: %d ms\n  bitrate: %d kbps\n  stereo: %s\n  rate: %d Hz\n",
              info->getPlayTimeMillis(), info->getBitrate(), info->isStereo() ? "yes" : "no",
              info->getSampleRate());
}

bool setField(s::sound::IInfo* info, const std::string& name, const std::u16string& text) {
  const char16_t* value = text.c_str();
  if (name == "title") {
    info->setTitle(value);
  } else if (name == "artist") {
    info->setArtist(value);
  } else if (name == "album") {
    info->setAlbum(value);
  } else if (name == "year") {
    info->setYear(value);
  } else if (name == "track") {
    info->setTrack(value);
  } else if (name == "genre") {
    info->setGenre(value);
  } else if (name == "comment") {
    info->setComment(value);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::pair<std::string, std::string>> sets;
  std::vector<std::string> files;
  int writeCodePage = -1;
  bool write = false;
  std::string exportFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--set" && i + 1 < argc) {
      const std::string assignment = argv[++i];
      const size_t equals = assignment.find('=');
      if (equals == std::string::npos) {
        std::fprintf(stderr, "song_info: --set wants FIELD=TEXT\n");
        return 2;
      }
      sets.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
    } else if (arg == "--write-code-page" && i + 1 < argc) {
      writeCodePage = std::atoi(argv[++i]);
    } else if (arg == "--write") {
      write = true;
    } else if (arg == "--export" && i + 1 < argc) {
      exportFile = argv[++i];
    } else if (arg.rfind("--", 0) == 0) {
      std::fprintf(stderr,
                   "usage: song_info [--set FIELD=TEXT]... [--write-code-page N] [--write] "
                   "[--export FILE.xml] FILE...\n");
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  s::xml::MappedData* store = nullptr;
  if (!exportFile.empty()) {
    StrBuffer* name = StrBuffer::take();
    name->assign(windowsPath(exportFile).c_str());
    store = s::xml::MappedData::openFile(name);
    name->release();
  }
  int status = 0;
  int number = 0;
  for (const std::string& file : files) {
    const std::u16string path = windowsPath(file);
    const bool isWave = file.size() >= 4 && (file.compare(file.size() - 4, 4, ".wav") == 0 ||
                                             file.compare(file.size() - 4, 4, ".WAV") == 0);
    s::sound::IInfo* info = openInfo(path, file, isWave);
    if (info == nullptr) {
      std::fprintf(stderr, "song_info: %s: cannot be read\n", file.c_str());
      status = 1;
      continue;
    }
    info->setSongNumber(number);
    for (const auto& [field, text] : sets) {
      if (!setField(info, field, fromUtf8(text))) {
        std::fprintf(stderr, "song_info: no field %s\n", field.c_str());
        return 2;
      }
    }
    if (writeCodePage >= 0) {
      const auto& list = s::system::codepage::getCodePageList();
      for (uint32_t k = 0; k < list.getCount(); ++k) {
        auto* entry = static_cast<s::system::codepage::CodePage*>(list.getItems()[k]);
        if (entry->getCodePage() == writeCodePage) info->setWriteCodePage(entry);
      }
    }
    if (write && !info->writeToFile(path.c_str())) {
      std::fprintf(stderr, "song_info: %s: not written; the file is unchanged\n", file.c_str());
      status = 1;
    }
    print(info, number);
    if (store != nullptr) {
      const std::u16string section = u"Song" + fromUtf8(std::to_string(number));
      info->exportToXml(store, section.c_str(), nullptr);
    }
    info->release();
    ++number;
  }
  if (store != nullptr) {
    store->flush();
    store->release();
  }
  return status;
}
