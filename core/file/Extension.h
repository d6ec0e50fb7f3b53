// One group that the path lists' grouping operations make: a key text and the paths filed under
// it.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::file {

/// A group of paths under a key (an extension with its dot, a word of the titles, a size class).
/// The key is owned; the paths are not: they stay owned by the list they came from, so a group
/// must not outlive it. The paths array is made on the first path filed (null before).
///
/// Groups compare and hash by their keys, as texts do. Pooled (capacity 1000): group lists are
/// arrays whose element disposer is this pool, so releasing a list releases its groups, never
/// the paths. One thread at a time.
class Extension final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Extension, u"s_file_Extension")

  Extension() : m_key(new str::strbuffer::StrBuffer()) { reset(); }
  ~Extension() override;
  Extension(const Extension&) = delete;
  Extension& operator=(const Extension&) = delete;

  /// Gives the paths array back to its pool and frees the key's memory.
  void reset() override;

  int32_t compareTo(const base::IComparable* other,
                    const base::IComparator* comparator = nullptr) const override;
  int32_t compareToIgnoreCase(const base::IComparable* other,
                              const base::IComparator* comparator = nullptr) const override;
  bool equals(const base::IComparable* other,
              const base::IComparator* comparator = nullptr) const override;
  bool equalsIgnoreCase(const base::IComparable* other,
                        const base::IComparator* comparator = nullptr) const override;
  uint32_t hashCode() const override { return m_key->hashCode(); }
  uint32_t hashCodeIgnoreCase() const override { return m_key->hashCodeIgnoreCase(); }

  str::strbuffer::StrBuffer* getKey() const { return m_key; }
  /// The paths filed here (PathWin pointers, not owned), in filing order; null before the first.
  col::_array::ArrayP* getPaths() const { return m_paths; }
  uint32_t getPathCount() const { return m_paths == nullptr ? 0 : m_paths->getCount(); }
  /// Files a path under this key.
  void addPath(void* path);

 private:
  static const Extension* comparable(const base::IComparable* other,
                                     const base::IComparator* comparator);

  str::strbuffer::StrBuffer* m_key;
  col::_array::ArrayP* m_paths = nullptr;
};

}  // namespace s::file
