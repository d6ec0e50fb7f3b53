// Saving and loading of encoded images by path, shared by every codec.
#include "imaging/EncodedImageFiles.h"

#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "imaging/IEncodedImage.h"

namespace s::image {

using file::win::PathWin;

bool saveEncodedImage(IEncodedImage* image, PathWin* path) {
  if (path == nullptr || !path->isValid()) {
    return false;
  }
  if (path->exists()) {
    return true;  // an existing file is never overwritten
  }
  // The file takes its name only whole: a save that fails leaves nothing, which a later save
  // to the path would take for a picture already there.
  file::win::FileOutputStream* stream = file::win::FileOutputStream::take();
  if (stream == nullptr) {
    return false;
  }
  const bool ok = path->createParentDirectories() && stream->openNew(path->getFullPath()) &&
                  image->write(stream) && stream->publish(false);
  stream->dispose();
  return ok;
}

bool saveEncodedImage(IEncodedImage* image, const WCHAR* path) {
  PathWin* p = PathWin::newFromText(path);
  if (p == nullptr) {
    return false;
  }
  const bool ok = saveEncodedImage(image, p);
  p->release();
  return ok;
}

bool loadEncodedImage(IEncodedImage* image, PathWin* path) {
  if (path == nullptr || !path->isValid() || !path->exists() || !path->isFile()) {
    return false;
  }
  file::win::FileInputStream* stream = path->openInputStream();
  if (stream == nullptr) {
    return false;
  }
  bool ok = image->read(stream);
  ok = stream->close() && ok;
  stream->dispose();
  return ok;
}

bool loadEncodedImage(IEncodedImage* image, const WCHAR* path) {
  PathWin* p = PathWin::newFromText(path);
  if (p == nullptr) {
    return false;
  }
  const bool ok = loadEncodedImage(image, p);
  p->release();
  return ok;
}

}  // namespace s::image
