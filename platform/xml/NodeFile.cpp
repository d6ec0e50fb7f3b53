// An XML element read from and saved to a file.
#include "platform/xml/Node.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/io/Io.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <crtwchar.h>

#include <atomic>
#include <cstdint>

namespace s::xml {

using col::_array::ArrayU08;
using file::win::FileInputStream;
using file::win::FileOutputStream;
using file::win::PathWin;
using str::strbuffer::StrBuffer;

namespace {

// Files larger than this are not settings or language packs; reading them is refused.
constexpr int64_t kMaxFileBytes = 0x7FFFFFFF;

// The whole file into `bytes`.
bool readWhole(const WCHAR* pathText, ArrayU08* bytes) {
  FileInputStream* in = FileInputStream::take();
  bool read = false;
  if (in->open(pathText)) {
    const int64_t size = in->seekToEnd();
    if (size >= 0 && size <= kMaxFileBytes && in->rewind()) {
      bytes->setCount(static_cast<uint32_t>(size));
      read = io::readFully(in, bytes->getItems(), static_cast<uint32_t>(size));
    }
  }
  in->dispose();
  return read;
}

// Makes the folder and every missing folder above it.
bool makeFolders(PathWin* folder) {
  if (!folder->isValid()) {
    return false;
  }
  if (folder->isDirectory()) {
    return true;
  }
  PathWin* parent = folder->newParent();
  const bool above = parent->getLength() < folder->getLength() && makeFolders(parent);
  parent->release();
  return above && (CreateDirectoryW(folder->getLongPath(), nullptr) ||
                   GetLastError() == ERROR_ALREADY_EXISTS);
}

// A name beside the target that no other save uses now, in this process or another.
StrBuffer* temporaryNameFor(PathWin* target) {
  static std::atomic<uint32_t> s_counter{0};
  WCHAR tail[48];
  swprintf(tail, 48, u".%u-%u.tmp", static_cast<unsigned>(GetCurrentProcessId()),
           static_cast<unsigned>(s_counter.fetch_add(1)));
  StrBuffer* name = StrBuffer::take();
  name->assign(target->getFullPath())->append(tail);
  return name;
}

}  // namespace

bool Node::loadFile(const StrBuffer* path) {
  PathWin* file = PathWin::take();
  file->setPath(path);
  const bool loaded = load(file);
  file->release();
  return loaded;
}

bool Node::load(file::IPath* path) {
  ArrayU08* bytes = ArrayU08::take();
  const bool loaded = path != nullptr && path->isValid() && readWhole(path->getFullPath(), bytes) &&
                      parseBytes(bytes);
  if (!loaded) {
    clear();
  }
  bytes->release();
  return loaded;
}

bool Node::saveFile(const StrBuffer* path) const {
  PathWin* file = PathWin::take();
  file->setPath(path);
  const bool saved = save(file);
  file->release();
  return saved;
}

bool Node::save(file::IPath* path) const {
  if (path == nullptr || !path->isValid()) {
    return false;
  }
  PathWin* target = PathWin::newFromText(path->getFullPath());
  PathWin* folder = target->newParent();
  bool saved = makeFolders(folder);
  folder->release();
  if (saved) {
    StrBuffer* temporary = temporaryNameFor(target);
    ArrayU08* bytes = toBytes(nullptr, false);
    FileOutputStream* out = FileOutputStream::take();
    saved = out->open(temporary->getCStr(), false) &&
            io::writeFully(out, bytes->getItems(), bytes->getCount()) && out->flush();
    saved = out->close() && saved;
    out->dispose();
    bytes->release();
    PathWin* temporaryPath = PathWin::newFromText(temporary->getCStr());
    saved = saved && MoveFileExW(temporaryPath->getLongPath(), target->getLongPath(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!saved) {
      DeleteFileW(temporaryPath->getLongPath());
    }
    temporaryPath->release();
    temporary->release();
  }
  target->release();
  return saved;
}

}  // namespace s::xml
