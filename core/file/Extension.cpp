// A group of paths under a key.
#include "core/file/Extension.h"

namespace s::file {

Extension::~Extension() {
  if (m_paths != nullptr) {
    m_paths->release();
  }
  delete m_key;
}

void Extension::reset() {
  if (m_paths != nullptr) {
    m_paths->release();
    m_paths = nullptr;
  }
  m_key->freeBuffer();
}

// Another group compares by its key; anything else, or a comparator, decides as objects do.
const Extension* Extension::comparable(const base::IComparable* other,
                                       const base::IComparator* comparator) {
  return comparator == nullptr ? dynamic_cast<const Extension*>(other) : nullptr;
}

int32_t Extension::compareTo(const base::IComparable* other,
                             const base::IComparator* comparator) const {
  const Extension* group = comparable(other, comparator);
  return group == nullptr ? IComparable::compareTo(other, comparator)
                          : m_key->compareTo(group->m_key);
}

int32_t Extension::compareToIgnoreCase(const base::IComparable* other,
                                       const base::IComparator* comparator) const {
  const Extension* group = comparable(other, comparator);
  return group == nullptr ? IComparable::compareToIgnoreCase(other, comparator)
                          : m_key->compareToIgnoreCase(group->m_key);
}

bool Extension::equals(const base::IComparable* other, const base::IComparator* comparator) const {
  const Extension* group = comparable(other, comparator);
  return group == nullptr ? IComparable::equals(other, comparator) : m_key->equals(group->m_key);
}

bool Extension::equalsIgnoreCase(const base::IComparable* other,
                                 const base::IComparator* comparator) const {
  const Extension* group = comparable(other, comparator);
  return group == nullptr ? IComparable::equalsIgnoreCase(other, comparator)
                          : m_key->equalsIgnoreCase(group->m_key);
}

void Extension::addPath(void* path) {
  if (m_paths == nullptr) {
    m_paths = col::_array::ArrayP::take();
  }
  m_paths->push(path);
}

}  // namespace s::file
