// Fuzz target of the XML parser (libFuzzer): any bytes must parse or be refused without a crash,
// a read past the input or a leak; what parses must write out and parse again to the same text.
#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/Node.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::xml::Node;

namespace {

// Every text getter on every attribute of the tree.
void decodeAll(Node* node, StrBuffer* scratch) {
  s::xml::Attributes* attributes = node->getAttributes();
  for (uint32_t i = 0; i < attributes->getCount(); ++i) {
    node->getString(scratch, attributes->get(i)->name, u"", false);
    node->getInt64(attributes->get(i)->name, 0);
  }
  for (uint32_t i = 0; i < node->getChildCount(); ++i) {
    decodeAll(node->getChild(i), scratch);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) {
    return 0;
  }
  ArrayU08* bytes = ArrayU08::take();
  bytes->clear();
  bytes->add(data, static_cast<uint32_t>(size));
  Node* node = Node::take();
  if (node->parseBytes(bytes)) {
    StrBuffer* scratch = StrBuffer::take();
    decodeAll(node, scratch);
    StrBuffer* first = node->toXml(nullptr, false);
    Node* again = Node::take();
    if (again->parse(first->getCStr()) == nullptr) {
      std::abort();  // what was written cannot be read back
    }
    StrBuffer* second = again->toXml(nullptr, false);
    if (!first->equals(second)) {
      std::abort();  // writing is not stable
    }
    second->release();
    again->release();
    first->release();
    scratch->release();
  }
  node->release();
  bytes->release();
  return 0;
}
