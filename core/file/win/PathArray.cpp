// The list of paths.
#include "core/file/win/PathArray.h"

namespace s::file::win {

using str::strbuffer::StrBuffer;

PathArray::PathArray() : m_work(new StrBuffer()) { m_entries.setDisposer(&PathWin::pool()); }

PathArray::~PathArray() {
  m_entries.freeAll();
  delete m_directoryFlags;
  delete m_work;
}

void PathArray::reset() {
  clearWith();
  m_work->clear();
}

void PathArray::clearDirectoryFlags() {
  if (m_directoryFlags != nullptr) {
    m_directoryFlags->release();
    m_directoryFlags = nullptr;
  }
}

void PathArray::clear() {
  m_entries.setCount(0);
  clearDirectoryFlags();
}

void PathArray::clearWith() {
  m_entries.freeAll();
  clearDirectoryFlags();
}

void PathArray::insertAt(int32_t index, IPath* path) {
  auto* entry = dynamic_cast<PathWin*>(path);
  if (entry != nullptr) {
    m_entries.insertAt(static_cast<uint32_t>(index), entry);
  }
}

void PathArray::insertTextAt(int32_t index, const WCHAR* text) {
  insertAt(index, PathWin::newFromText(text));
}

PathWin* PathArray::takeAt(int32_t index) {
  PathWin* entry = getAt(index);
  m_entries.removeRange(static_cast<uint32_t>(index), 1);
  return entry;
}

void PathArray::removeAt(int32_t index) { m_entries.deleteAt(static_cast<uint32_t>(index)); }

void PathArray::removeLast() {
  if (getCount() > 0) {
    removeAt(getCount() - 1);
  }
}

StrBuffer* PathArray::copyDoubleNulList(StrBuffer* out, bool append) {
  if (out == nullptr) {
    out = StrBuffer::take();
  } else if (!append) {
    out->clear();
  }
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    if (i > 0) {
      out->appendWChar(0);
    }
    out->append(getAt(i)->getFullPath());
  }
  out->appendWChar(0);
  return out;
}

const WCHAR* PathArray::getDoubleNulList() { return copyDoubleNulList(m_work, false)->getCStr(); }

void PathArray::cacheDirectoryFlags() {
  clearDirectoryFlags();
  m_directoryFlags = col::_array::ArrayS32::take();
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    const int32_t flag = getAt(i)->isDirectory() ? 1 : 0;
    m_directoryFlags->add(&flag, 1);
  }
}

bool PathArray::isDirectoryAt(int32_t index) const {
  return m_directoryFlags != nullptr && index >= 0 &&
         static_cast<uint32_t>(index) < m_directoryFlags->getCount() &&
         m_directoryFlags->getItems()[index] != 0;
}

PathArray* PathArray::addText(const WCHAR* text) {
  add(PathWin::newFromText(text));
  return this;
}

PathArray* PathArray::add(IPath* path) {
  auto* entry = dynamic_cast<PathWin*>(path);
  if (entry != nullptr) {
    m_entries.push(entry);
  }
  return this;
}

}  // namespace s::file::win
