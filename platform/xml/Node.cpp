// An XML element: parsing, writing and the tree.
#include "platform/xml/Node.h"

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/Escape.h"
#include "platform/xml/Syntax.h"

#include <crtwchar.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace s::xml {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;
using syntax::isWhite;
using syntax::skipWhite;

namespace {

// The position just after the first `end` from `p` on, or null when the text ends first.
const WCHAR* after(const WCHAR* p, const WCHAR* end) {
  const WCHAR* found = wcsstr(p, end);
  return found == nullptr ? nullptr : found + wcslen(end);
}

// A unit that ends an element name.
bool endsName(WCHAR unit) { return unit == 0 || isWhite(unit) || unit == u'/' || unit == u'>'; }

}  // namespace

Node::Node() { m_children.setDisposer(&pool()); }

Node::~Node() { clear(); }

void Node::clear() {
  std::free(m_name);
  m_name = nullptr;
  m_nameLength = 0;
  m_attributes.clear();
  m_children.freeAll();
}

void Node::setName(const WCHAR* name, int32_t length) {
  std::free(m_name);
  m_name = nullptr;
  m_nameLength = 0;
  if (name == nullptr) {
    return;
  }
  const size_t units = length < 0 ? wcslen(name) : static_cast<size_t>(length);
  m_name = static_cast<WCHAR*>(std::malloc((units + 1) * sizeof(WCHAR)));
  if (m_name == nullptr) {
    throw std::bad_alloc();
  }
  std::memcpy(m_name, name, units * sizeof(WCHAR));
  m_name[units] = 0;
  m_nameLength = static_cast<int32_t>(units);
}

bool Node::isNamed(const WCHAR* name, int32_t length) const {
  if (m_name == nullptr || name == nullptr) {
    return false;
  }
  if (length < 0) {
    return _wcsicmp(m_name, name) == 0;
  }
  return length == m_nameLength && std::memcmp(m_name, name, length * sizeof(WCHAR)) == 0;
}

Node* Node::getChild(uint32_t index) const {
  return index < m_children.getCount() ? static_cast<Node*>(m_children.getItems()[index]) : nullptr;
}

Node* Node::addChild(const WCHAR* name, int32_t length) {
  Node* child = take();
  child->setName(name, length);
  m_children.push(child);
  return child;
}

Node* Node::appendChild(Node* child) {
  m_children.push(child);
  return child;
}

void Node::removeChildAt(uint32_t index) {
  if (index < m_children.getCount()) {
    m_children.deleteAt(index);
  }
}

bool Node::findChildIndex(const WCHAR* name, uint32_t* index, int32_t length) const {
  for (uint32_t i = 0, n = m_children.getCount(); i < n; ++i) {
    if (getChild(i)->isNamed(name, length)) {
      if (index != nullptr) {
        *index = i;
      }
      return true;
    }
  }
  return false;
}

Node* Node::findChild(const WCHAR* name, int32_t length) const {
  uint32_t index = 0;
  return findChildIndex(name, &index, length) ? getChild(index) : nullptr;
}

// ---- Parsing
// ---------------------------------------------------------------------------------------

const WCHAR* Node::parse(const WCHAR* text) { return parseAt(text, 0); }

const WCHAR* Node::readText(const WCHAR* p) {
  const WCHAR* start = p;
  while (*p != 0 && *p != u'<') {
    ++p;
  }
  if (*p == 0 || !syntax::referencesAreWellFormed(start, p)) {
    return nullptr;
  }
  m_attributes.add(u"", 0, start, static_cast<int32_t>(p - start));
  return p;
}

const WCHAR* Node::parseAt(const WCHAR* p, uint32_t depth) {
  while (*p != 0 && *p != u'<') {
    ++p;
  }
  if (*p == 0) {
    return p;
  }
  p = skipWhite(p + 1);
  if (*p == u'!' || *p == u'?') {
    // Markup that is no element: named after its first units, so the caller can tell it.
    int32_t units = 0;
    while (units < 3 && p[units] != 0) {
      ++units;
    }
    setName(p, units);
    if (*p == u'?') {
      return after(p + 1, u"?>");
    }
    if (p[1] == u'-' && p[2] == u'-') {
      return after(p + 3, u"-->");
    }
    return after(p + 1, u">");  // a declaration such as a document type
  }
  const WCHAR* name = p;
  while (!endsName(*p) && *p != u'<') {
    ++p;
  }
  if (p == name || *p == 0 || *p == u'<') {
    return nullptr;
  }
  setName(name, static_cast<int32_t>(p - name));
  p = m_attributes.parse(p);
  if (p == nullptr) {
    return nullptr;
  }
  if (*p == u'/') {
    return after(p, u">");  // an empty element
  }
  p = skipWhite(p + 1);
  if (*p != u'<' && (p = readText(p)) == nullptr) {
    return nullptr;
  }
  for (;;) {
    if (p[1] == u'/') {
      return after(p + 2, u">");  // the end tag, whatever name it carries
    }
    if (depth + 1 >= kMaxDepth) {
      return nullptr;
    }
    Node* child = take();
    const WCHAR* next = child->parseAt(p, depth + 1);
    if (next == nullptr || child->isMarkup()) {
      child->release();  // comments and the like are dropped
    } else {
      m_children.push(child);
    }
    if (next == nullptr) {
      return nullptr;
    }
    p = skipWhite(next);
    if (*p != u'<' && (p = readText(p)) == nullptr) {
      return nullptr;
    }
  }
}

bool Node::parseBytes(const ArrayU08* bytes) {
  clear();
  StrBuffer* text = StrBuffer::take();
  text->clear();
  if (bytes != nullptr && bytes->getCount() != 0) {
    text->decodeUtf8(bytes->getItems(), false, static_cast<int32_t>(bytes->getCount()));
  }
  const WCHAR* p = text->getCStr();
  bool parsed = false;
  for (;;) {
    const WCHAR* next = parseAt(p, 0);
    if (next == nullptr || m_name == nullptr) {
      break;  // unreadable, or no element at all
    }
    if (!isMarkup()) {
      parsed = true;
      break;
    }
    clear();  // a comment, declaration or processing instruction before the element
    p = next;
  }
  if (!parsed) {
    clear();
  }
  text->release();
  return parsed;
}

// ---- Writing
// ---------------------------------------------------------------------------------------

void Node::writeTo(StrBuffer* out) const {
  out->appendWChar(u'<');
  if (m_nameLength != 0) {
    out->appendChars(m_name, m_nameLength);
  }
  m_attributes.appendXml(out);
  out->appendWChar(u'>');
  if (const AttrRecord* text = m_attributes.find(u""); text != nullptr && text->valueLength != 0) {
    out->appendChars(text->value, text->valueLength);
  }
  for (uint32_t i = 0, n = m_children.getCount(); i < n; ++i) {
    getChild(i)->writeTo(out);
  }
  out->append(u"</");
  if (m_nameLength != 0) {
    out->appendChars(m_name, m_nameLength);
  }
  out->appendWChar(u'>');
}

StrBuffer* Node::toXml(StrBuffer* out, bool append) const {
  if (out == nullptr) {
    out = StrBuffer::take();
    out->clear();
  } else if (!append) {
    out->clear();
  }
  writeTo(out);
  return out;
}

ArrayU08* Node::toBytes(ArrayU08* out, bool append) const {
  StrBuffer* text = toXml(nullptr, false);
  out = text->encodeUtf8(out, append);
  text->release();
  return out;
}

// ---- Walking
// ---------------------------------------------------------------------------------------

void Node::walkIndented(const WCHAR* indentation) {
  StrBuffer* pad = StrBuffer::take();
  StrBuffer* scratch = StrBuffer::take();
  pad->assign(indentation == nullptr ? u"" : indentation);
  walk(pad, scratch);
  scratch->release();
  pad->release();
}

void Node::walk(StrBuffer* indentation, StrBuffer* scratch) {
  for (uint32_t i = 0, n = m_attributes.getCount(); i < n; ++i) {
    const AttrRecord* record = m_attributes.get(i);
    const WCHAR* value = record->value == nullptr ? u"" : record->value;
    if (record->nameLength != 0) {
      unescapeAttribute(scratch, value, false, record->valueLength);
    } else {
      unescapeText(scratch, value, false, record->valueLength);
    }
  }
  indentation->appendWChar(u'\t');
  for (uint32_t i = 0, n = m_children.getCount(); i < n; ++i) {
    getChild(i)->walk(indentation, scratch);
  }
  indentation->setLength(indentation->getLength() - 1);
}

}  // namespace s::xml
