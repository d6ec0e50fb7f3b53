// An XML element: the library's small XML tree, its parser and its compact writer.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/xml/Attributes.h"
#include "platform/xml/IXml.h"

namespace s::xml {

/// An element: a name, attributes (element text is the attribute with the empty name) and child
/// elements. Attribute values are kept escaped; the text getters decode (see Attributes).
///
/// Parsing is one forward pass over UTF-16 text. It reads elements, double-quoted attributes,
/// text and comments, and drops comments and other "<!" or "<?" constructs. End tags are not
/// compared with their start tags. Text before the first child is the element's text; text after
/// later children is kept as further empty-named records but not written. Input that cannot be
/// read (the text ends inside a tag, a value, a comment or an unclosed element; an attribute
/// without a double-quoted value; a bare "&"; an empty element name; nesting deeper than
/// kMaxDepth) is refused: `parse` answers null and `parseBytes` false. No scan goes past the
/// terminating NUL.
///
/// Writing has no declaration, no line breaks and no indentation, and always an end tag.
///
/// Ownership: nodes come from the Node pool (capacity 1000); a tree is owned by its root, so
/// releasing the root gives every node and attribute record back. A child appended with
/// `appendChild` belongs to the tree and must not be released on its own. Children removed or
/// cleared go back to the pool. One thread at a time uses a tree.
class Node final : public IXml, public virtual thread::IPoolable {
  S_POOLED_CLASS(Node, u"s_xml_Node")

  /// The deepest nesting the parser reads; deeper input is refused.
  static constexpr uint32_t kMaxDepth = 256;

  Node();
  ~Node() override;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  /// `clear`.
  void reset() override { clear(); }

  uint32_t getChildCount() const override { return m_children.getCount(); }
  /// Frees the name and gives the attribute records and the children back.
  void clear() override;
  /// Visits this node and every descendant (indentation growing by one TAB a level), decoding each
  /// attribute value into a scratch text; it writes nothing and changes nothing.
  void walkIndented(const WCHAR* indentation) override;
  /// Parses one element from `text` into this node (which should be fresh: parsing adds to what is
  /// there) and answers the position after it; text before the first "<" is skipped. Without any
  /// "<" it answers the end of the text and leaves the node alone. A comment or a "<!" or "<?"
  /// construct makes a node named after its first units ("!--", "?xm") and answers the position
  /// after it; the caller parses again from there. Null for input that cannot be read.
  const WCHAR* parse(const WCHAR* text) override;
  /// Decodes UTF-8 bytes (a byte-order mark or invalid sequences do no harm) and parses the first
  /// element, skipping leading comments, declarations and processing instructions. False, with
  /// the node cleared, for input that cannot be read or holds no element.
  bool parseBytes(const col::_array::ArrayU08* bytes) override;
  /// Null until a name is set.
  const WCHAR* getName() const override { return m_name; }
  /// A copy of `length` units (-1: up to the NUL) replaces the name.
  void setName(const WCHAR* name, int32_t length) override;
  /// With -1 the whole name compared ignoring case; with a length, the name must be exactly those
  /// units, case-sensitively. A node without a name matches nothing.
  bool isNamed(const WCHAR* name, int32_t length) const override;
  /// The name begins with "!".
  bool isComment() const override { return m_name != nullptr && m_name[0] == u'!'; }
  /// The child at index; null past the last.
  Node* getChild(uint32_t index) const override;
  /// A new child from the pool, named, appended and answered.
  Node* addChild(const WCHAR* name, int32_t length) override;
  /// Appends `child`; the tree owns it from now on.
  Node* appendChild(Node* child) override;
  /// Removes the child at index and gives it back with its subtree; nothing past the last.
  void removeChildAt(uint32_t index) override;
  /// The first child, in order, for which `isNamed(name, length)` holds.
  bool findChildIndex(const WCHAR* name, uint32_t* index, int32_t length) const override;
  Node* findChild(const WCHAR* name, int32_t length) const override;

  // The typed setters append a record (see Attributes for the formats).
  void setUInt64(const WCHAR* name, uint64_t value) override {
    m_attributes.setUInt64(name, value);
  }
  void setUInt32(const WCHAR* name, uint32_t value) override {
    m_attributes.setUInt32(name, value);
  }
  void setUInt16(const WCHAR* name, uint16_t value) override {
    m_attributes.setUInt16(name, value);
  }
  void setUInt8(const WCHAR* name, uint8_t value) override { m_attributes.setUInt8(name, value); }
  void setInt64(const WCHAR* name, int64_t value) override { m_attributes.setInt64(name, value); }
  void setInt32(const WCHAR* name, int32_t value) override { m_attributes.setInt32(name, value); }
  void setInt16(const WCHAR* name, int16_t value) override { m_attributes.setInt16(name, value); }
  void setInt8(const WCHAR* name, int8_t value) override { m_attributes.setInt8(name, value); }
  void setFloat(const WCHAR* name, float value) override { m_attributes.setFloat(name, value); }
  void setDouble(const WCHAR* name, double value) override { m_attributes.setDouble(name, value); }
  void setString(const WCHAR* name, const WCHAR* text) override {
    m_attributes.setString(name, text);
  }
  void setUInt64Array(const WCHAR* name, const uint64_t* values, uint32_t count) override {
    m_attributes.setUInt64Array(name, values, count);
  }
  void setUInt32Array(const WCHAR* name, const uint32_t* values, uint32_t count) override {
    m_attributes.setUInt32Array(name, values, count);
  }
  void setUInt16Array(const WCHAR* name, const uint16_t* values, uint32_t count) override {
    m_attributes.setUInt16Array(name, values, count);
  }
  void setUInt8Array(const WCHAR* name, const uint8_t* values, uint32_t count) override {
    m_attributes.setUInt8Array(name, values, count);
  }
  void setInt64Array(const WCHAR* name, const int64_t* values, uint32_t count) override {
    m_attributes.setInt64Array(name, values, count);
  }
  void setInt32Array(const WCHAR* name, const int32_t* values, uint32_t count) override {
    m_attributes.setInt32Array(name, values, count);
  }
  void setInt16Array(const WCHAR* name, const int16_t* values, uint32_t count) override {
    m_attributes.setInt16Array(name, values, count);
  }
  void setInt8Array(const WCHAR* name, const int8_t* values, uint32_t count) override {
    m_attributes.setInt8Array(name, values, count);
  }
  void setFloatArray(const WCHAR* name, const float* values, uint32_t count) override {
    m_attributes.setFloatArray(name, values, count);
  }
  void setDoubleArray(const WCHAR* name, const double* values, uint32_t count) override {
    m_attributes.setDoubleArray(name, values, count);
  }

  const WCHAR* getText(const WCHAR* name, const WCHAR* defaultText) const override {
    return m_attributes.getText(name, defaultText);
  }
  bool getBool(const WCHAR* name, bool defaultValue) const override {
    return m_attributes.getBool(name, defaultValue);
  }
  int8_t getInt8(const WCHAR* name, int8_t defaultValue) const override {
    return static_cast<int8_t>(m_attributes.getInt32(name, defaultValue));
  }
  int16_t getInt16(const WCHAR* name, int16_t defaultValue) const override {
    return static_cast<int16_t>(m_attributes.getInt32(name, defaultValue));
  }
  int32_t getInt32(const WCHAR* name, int32_t defaultValue) const override {
    return m_attributes.getInt32(name, defaultValue);
  }
  int64_t getInt64(const WCHAR* name, int64_t defaultValue) const override {
    return m_attributes.getInt64(name, defaultValue);
  }
  uint8_t getUInt8(const WCHAR* name, uint8_t defaultValue) const override {
    return static_cast<uint8_t>(m_attributes.getUInt32(name, defaultValue));
  }
  uint16_t getUInt16(const WCHAR* name, uint16_t defaultValue) const override {
    return static_cast<uint16_t>(m_attributes.getUInt32(name, defaultValue));
  }
  uint32_t getUInt32(const WCHAR* name, uint32_t defaultValue) const override {
    return m_attributes.getUInt32(name, defaultValue);
  }
  /// Read as a signed 64-bit number, so the "%I64d" form of any unsigned value reads back whole.
  uint64_t getUInt64(const WCHAR* name, uint64_t defaultValue) const override {
    return static_cast<uint64_t>(m_attributes.getInt64(name, static_cast<int64_t>(defaultValue)));
  }
  void getString(str::strbuffer::StrBuffer* out, const WCHAR* name, const WCHAR* defaultText,
                 bool append) const override {
    m_attributes.getString(out, name, defaultText, append);
  }
  /// "<name attributes>text children</name>" into `out` (emptied unless `append`) or a new pooled
  /// text; only the first text run is written.
  str::strbuffer::StrBuffer* toXml(str::strbuffer::StrBuffer* out, bool append) const override;
  /// `toXml` as UTF-8 without a byte-order mark into `out` or a new pooled array.
  col::_array::ArrayU08* toBytes(col::_array::ArrayU08* out, bool append) const override;
  Attributes* getAttributes() override { return &m_attributes; }
  /// `load` of the file the text names.
  bool loadFile(const str::strbuffer::StrBuffer* path) override;
  /// Reads the whole file and parses it as `parseBytes` does. False when the file cannot be read
  /// (the node is then empty) or parsed.
  bool load(file::IPath* path) override;
  /// `save` to the file the text names.
  bool saveFile(const str::strbuffer::StrBuffer* path) const override;
  /// Writes `toBytes` to the file, creating missing folders on the way. The bytes go to a
  /// temporary file beside it, which then replaces the file in one rename, so a crash or a full
  /// disk at any moment leaves the old file or the new one, never a torn one. False when the new
  /// file could not be written; the old one is then untouched.
  bool save(file::IPath* path) const override;

 private:
  const WCHAR* parseAt(const WCHAR* text, uint32_t depth);
  /// Appends the text run from `p` up to the next "<" as an empty-named record; answers the "<",
  /// or null when the text ends first or holds a bare "&".
  const WCHAR* readText(const WCHAR* p);
  void writeTo(str::strbuffer::StrBuffer* out) const;
  void walk(str::strbuffer::StrBuffer* indentation, str::strbuffer::StrBuffer* scratch);
  /// The name begins with "!" or "?": markup that is not an element.
  bool isMarkup() const { return m_name != nullptr && (m_name[0] == u'!' || m_name[0] == u'?'); }

  col::_array::ArrayP m_children;
  Attributes m_attributes;
  WCHAR* m_name = nullptr;
  int32_t m_nameLength = 0;
};

}  // namespace s::xml
