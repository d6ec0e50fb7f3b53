// Fuzz target of the MP3 song information's reading (libFuzzer): the layout detection and its
// guards, libid3tag's parse, the rebuilding of raw bytes and the decoding of all seven fields,
// over a file holding the input.
//
// Contract checked (an answer that breaks it aborts):
// - A refused file leaves every field empty; an accepted one has, for every field with text,
//   raw bytes that end in their terminator.
// - An input whose ID3v2 header declares a size past its end, or compressed frames of more than
//   16 MiB in all, is refused.
#include "audio/mp3/TagFile.h"
#include "audio/mp3/win/Info.h"
#include "core/col/array/ArrayU08.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

const std::string& inputFile() {
  static const std::string path =
      (std::filesystem::temp_directory_path() /
       ("tag_read_fuzz-" + std::to_string(std::random_device()()) + ".mp3"))
          .string();
  return path;
}

std::u16string windowsForm(const std::string& path) {
  std::u16string out = u"Z:";
  for (char c : path)
    out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::ofstream(inputFile(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  auto* info = s::sound::mp3::win::Info::take();
  const bool read = info->readFromFile(windowsForm(inputFile()).c_str());
  for (int32_t field = 0; field < s::sound::mp3::win::Info::kFieldCount; ++field) {
    const s::col::_array::ArrayU08* bytes = info->getFieldBytes(field);
    if (!read) FUZZ_CHECK(bytes->getCount() == 0);
    if (bytes->getCount() > 0) FUZZ_CHECK(bytes->getItems()[bytes->getCount() - 1] == 0);
  }
  if (!read) FUZZ_CHECK(!info->hasTitle() && !info->hasComment() && !info->hasGenre());
  if (size >= 10 && std::memcmp(data, "ID3", 3) == 0 && data[3] >= 2 && data[3] <= 4 &&
      data[4] != 0xFF && (data[6] | data[7] | data[8] | data[9]) < 0x80) {
    const size_t length =
        10 +
        ((size_t{data[6]} << 21) | (size_t{data[7]} << 14) | (size_t{data[8]} << 7) | data[9]) +
        ((data[5] & 0x10) != 0 ? 10 : 0);
    if (length > size) FUZZ_CHECK(!read);
    if (length <= size && s::sound::mp3::declaresTooMuchCompressedData(data, length)) {
      FUZZ_CHECK(!read);
    }
  }
  info->release();
  return 0;
}
