// Reading the language pack (or any resource) out of a module-resource archive.
#include "platform/lang/ResourceReader.h"

#include "core/col/array/ArrayU08.h"
#include "platform/archive/dll/IArchive.h"
#include "platform/xml/Node.h"

namespace s::lang {

col::_array::ArrayU08* readResourceBytes(archive::dll::IArchive* archive, const WCHAR* typeText,
                                         uint32_t numericName) {
  int32_t index = 0;
  if (archive == nullptr || !archive->findByTypeNameAndId(typeText, numericName, &index)) {
    return nullptr;
  }
  auto* bytes = col::_array::ArrayU08::take();
  if (bytes == nullptr || !archive->extractEntry(archive->getEntry(index), bytes)) {
    if (bytes != nullptr) {
      bytes->release();
    }
    return nullptr;
  }
  bytes->rewind();
  return bytes;
}

xml::Node* readXmlResource(archive::dll::IArchive* archive, const WCHAR* typeText,
                           uint32_t numericName) {
  col::_array::ArrayU08* bytes = readResourceBytes(archive, typeText, numericName);
  if (bytes == nullptr) {
    return nullptr;
  }
  xml::Node* root = xml::Node::take();
  // A damaged resource (a damaged program file) counts as a missing one.
  if (root != nullptr && !root->parseBytes(bytes)) {
    root->release();
    root = nullptr;
  }
  bytes->release();
  return root;
}

}  // namespace s::lang
