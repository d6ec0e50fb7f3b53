// The probe's archive commands: a program's resources written out as files, and an icon file's
// images with the one that best fits a size.
#include "platform/archive/dll/win/Archive.h"
#include "core/file/win/PathWin.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/archive/icon/Archive.h"
#include "tools/probe/Commands.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumetra::probe {

int dump(int argc, char** argv) {
  if (argc != 2) return 2;
  s::file::win::PathWin* program =
      s::file::win::PathWin::newFromText(windowsPathOf(argv[0]).c_str());
  s::file::win::PathWin* folder =
      s::file::win::PathWin::newFromText(windowsPathOf(argv[1]).c_str());
  auto* archive = s::archive::dll::win::Archive::take();
  bool ok = archive->open(program);
  if (!ok) {
    std::fprintf(stderr, "dump: %s has no resources that can be read\n", argv[0]);
  } else {
    std::printf("%d resources\n", archive->getEntryCount());
    ok = archive->extractAll(folder->getFullPath());
    std::printf("%s %s\n", ok ? "written to" : "not all written to", argv[1]);
  }
  archive->release();
  folder->release();
  program->release();
  return ok ? 0 : 1;
}

int icon(int argc, char** argv) {
  if (argc != 1 && argc != 3) return 2;
  s::image::installPlatformHooks();
  s::file::win::PathWin* path = s::file::win::PathWin::newFromText(windowsPathOf(argv[0]).c_str());
  auto* archive = s::archive::icon::Archive::take();
  const bool opened = archive->open(path);
  path->release();
  if (!opened) {
    std::fprintf(stderr, "icon: %s is not an icon file that can be read\n", argv[0]);
    archive->release();
    return 1;
  }
  for (int32_t i = 0; i < archive->getEntryCount(); ++i) {
    const auto* entry = archive->getEntry(i);
    std::printf("%d: %dx%d, %u bytes\n", i, entry->getWidth(), entry->getHeight(),
                entry->getByteCount());
  }
  int status = 0;
  if (argc == 3) {
    int32_t index = 0;
    const int32_t width = std::atoi(argv[1]);
    const int32_t height = std::atoi(argv[2]);
    s::image::win::BufferedImage* image = nullptr;
    if (archive->findBestEntry(width, height, &index)) image = archive->getEntryImage(index);
    if (image == nullptr) {
      std::fprintf(stderr, "icon: no image fits %dx%d\n", width, height);
      status = 1;
    } else {
      std::printf("best for %dx%d: %d, decoded %dx%d\n", width, height, index, image->getWidth(),
                  image->getHeight());
      image->release();
    }
  }
  archive->release();
  return status;
}

}  // namespace lumetra::probe
