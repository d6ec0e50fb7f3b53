// Fuzz target of the icon archive (libFuzzer): any file must open or be refused without a crash,
// a read past the file or a leak; every entry of a file that opens is searched, extracted and
// decoded, and an extracted entry opens again as a one-image file of the same bytes.
#include "core/col/array/ArrayU08.h"
#include "core/file/win/PathWin.h"
#include "imaging/ImageLimits.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/archive/icon/Archive.h"
#include "testlib/FuzzContract.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

using s::archive::icon::Archive;
using s::col::_array::ArrayU08;
using s::file::win::PathWin;

namespace {

// The input goes through a real file, as the archive reads files.
std::string scratchFile() { return "/tmp/ico_archive_fuzz." + std::to_string(getpid()) + ".ico"; }

bool writeAll(const std::string& name, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string s_file = [] {
    s::image::setDecodablePixelLimit(int64_t{1} << 22);
    s::image::installPlatformHooks();
    return scratchFile();
  }();
  if (size > 1 << 22 || !writeAll(s_file, data, size)) {
    return 0;
  }
  const std::u16string text = u"Z:" + std::u16string(s_file.begin(), s_file.end());
  PathWin* path = PathWin::newFromText(text.c_str());
  Archive* archive = Archive::take();
  if (archive->open(path)) {
    int32_t best = 0;
    FUZZ_CHECK(archive->findBestEntry(32, 32, &best) == (archive->getEntryCount() > 0));
    FUZZ_CHECK(best >= 0 && (best < archive->getEntryCount() || archive->getEntryCount() == 0));
    for (int32_t i = 0; i < archive->getEntryCount() && i < 64; ++i) {
      ArrayU08* out = ArrayU08::take();
      if (archive->extractEntry(archive->getEntry(i), out)) {
        FUZZ_CHECK(out->getCount() == 22 + archive->getEntry(i)->getByteCount());
        s::image::win::BufferedImage* image = archive->getEntryImage(i);
        if (image != nullptr) {
          image->release();
        }
      }
      out->release();
    }
  } else {
    FUZZ_CHECK(archive->getEntryCount() == 0);
  }
  archive->release();
  path->release();
  return 0;
}
