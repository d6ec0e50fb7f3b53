// Encoded images read from module resources.
#include "imaging/ReadFromArchive.h"

#include "core/col/array/ArrayU08.h"
#include "imaging/IEncodedImage.h"
#include "platform/archive/dll/IArchive.h"

namespace s::image {

bool readFromArchive(IEncodedImage* image, archive::dll::IArchive* archive, const WCHAR* typeName,
                     uint32_t id) {
  int32_t index = 0;
  if (image == nullptr || archive == nullptr ||
      !archive->findByTypeNameAndId(typeName, id, &index)) {
    return false;
  }
  auto* bytes = col::_array::ArrayU08::take();
  if (bytes == nullptr) {
    return false;
  }
  bool ok = archive->extractEntry(archive->getEntry(index), bytes);
  bytes->rewind();
  ok = ok && image->read(bytes);
  bytes->rewind();
  bytes->release();
  return ok;
}

}  // namespace s::image
