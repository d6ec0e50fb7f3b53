// The list of paths: its entries, sorts and groups, and the batch shell operations.
#include "core/file/win/PathArray.h"

#include "core/col/array/Sort.h"
#include "core/file/Extension.h"
#include "core/map/Map.h"
#include "core/system/win/Shell.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace s::file::win {

using col::_array::ArrayP;
using str::strbuffer::StrBuffer;
using thread::Pooled;

namespace {

ArrayP* newGroupList() {
  ArrayP* groups = ArrayP::take();
  groups->setDisposer(&Extension::pool());
  return groups;
}

Extension* newGroup(ArrayP* groups, const WCHAR* key) {
  Extension* group = Extension::take();
  group->getKey()->assign(key);
  groups->push(group);
  return group;
}

Extension* groupAt(const ArrayP* groups, uint32_t index) {
  return static_cast<Extension*>(groups->getItems()[index]);
}

int32_t compareByPathCount(const void* a, const void* b, void*) {
  const uint32_t countA = static_cast<const Extension*>(a)->getPathCount();
  const uint32_t countB = static_cast<const Extension*>(b)->getPathCount();
  return countA < countB ? -1 : (countA > countB ? 1 : 0);
}

int32_t compareByKeyIgnoreCase(const void* a, const void* b, void*) {
  return static_cast<const Extension*>(a)->getKey()->compareToIgnoreCase(
      static_cast<const Extension*>(b)->getKey());
}

// The size classes' bounds: powers of ten times 1024, up to 1 GiB.
constexpr int64_t kSizeBounds[] = {1024LL,     10240LL,     102400LL,    1048576LL,
                                   10485760LL, 104857600LL, 1073741824LL};
constexpr const WCHAR* kSizeKeys[] = {u"1024",     u"10240",     u"102400",    u"1048576",
                                      u"10485760", u"104857600", u"1073741824"};
constexpr int kSizeClasses = 7;

}  // namespace

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
    // Cached flags stay beside their entries, so a later notification names the right kind.
    if (m_directoryFlags != nullptr) {
      const int32_t flag = entry->isDirectory() ? 1 : 0;
      m_directoryFlags->insert(static_cast<uint32_t>(index), &flag, 1);
    }
  }
}

void PathArray::insertTextAt(int32_t index, const WCHAR* text) {
  insertAt(index, PathWin::newFromText(text));
}

PathWin* PathArray::takeAt(int32_t index) {
  PathWin* entry = getAt(index);
  m_entries.removeRange(static_cast<uint32_t>(index), 1);
  if (m_directoryFlags != nullptr && static_cast<uint32_t>(index) < m_directoryFlags->getCount()) {
    m_directoryFlags->removeRange(static_cast<uint32_t>(index), 1);
  }
  return entry;
}

void PathArray::removeAt(int32_t index) {
  m_entries.deleteAt(static_cast<uint32_t>(index));
  if (m_directoryFlags != nullptr && static_cast<uint32_t>(index) < m_directoryFlags->getCount()) {
    m_directoryFlags->removeRange(static_cast<uint32_t>(index), 1);
  }
}

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
    if (m_directoryFlags != nullptr) {
      const int32_t flag = entry->isDirectory() ? 1 : 0;
      m_directoryFlags->add(&flag, 1);
    }
  }
  return this;
}

// Sorts and groups ---------------------------------------------------------------------------

void PathArray::sortByPath() {
  clearDirectoryFlags();
  col::_array::sortPointersAscending(m_entries.getItems(), m_entries.getCount(),
                                     &compareByFullPath);
}

void PathArray::sortByExtension() {
  clearDirectoryFlags();
  col::_array::sortPointersAscending(m_entries.getItems(), m_entries.getCount(),
                                     &compareByExtension);
}

ArrayP* PathArray::groupByExtension() {
  sortByExtension();
  ArrayP* groups = newGroupList();
  Extension* current = nullptr;
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    PathWin* entry = getAt(i);
    const WCHAR* extension = entry->getExtension();
    if (current == nullptr ||
        current->getKey()->getLength() != std::char_traits<char16_t>::length(extension) ||
        !current->getKey()->matchesAtIgnoreCase(0, extension, 0, -1)) {
      current = newGroup(groups, extension);
    }
    current->addPath(entry);
  }
  return groups;
}

ArrayP* PathArray::groupByTitleWords(bool dropStopWord) {
  return groupByTitleWords(dropStopWord, false);
}

ArrayP* PathArray::groupByTitleWordsAndExtension(bool dropStopWord) {
  return groupByTitleWords(dropStopWord, true);
}

ArrayP* PathArray::groupByTitleWords(bool dropStopWord, bool withExtension) {
  ArrayP* groups = newGroupList();
  Pooled<map::Map> index;
  index->setIgnoreCase(true);
  Pooled<Extension> probe;
  Pooled<StrBuffer> title;
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    PathWin* entry = getAt(i);
    entry->copyTitle(title.get(), false);
    Pooled<str::strarray::StrArray> words(title->splitWords(dropStopWord));
    if (withExtension) {
      Pooled<StrBuffer> extension(entry->copyExtension(nullptr, false));
      if (extension->getLength() > 1 && !words->indexOfIgnoreCase(extension.get(), nullptr)) {
        words->add(extension.detach());
      }
    }
    for (uint32_t w = 0; w < words->getCount(); ++w) {
      StrBuffer* word = words->get(w);
      probe->getKey()->assignStr(word);
      const uint32_t hash = word->hashCodeIgnoreCase();
      auto* group = static_cast<Extension*>(index->find(hash, probe.get()));
      if (group == nullptr) {
        group = newGroup(groups, word->getCStr());
        index->add(hash, group);
      }
      group->addPath(entry);
    }
  }
  // The map only indexes the groups, which the list owns.
  index->clear(nullptr);
  col::_array::sortPointersDescending(groups->getItems(), groups->getCount(), &compareByPathCount);
  while (groups->getCount() > 0 && groupAt(groups, groups->getCount() - 1)->getPathCount() < 2) {
    groups->deleteAt(groups->getCount() - 1);
  }
  return groups;
}

ArrayP* PathArray::groupBySizeBelow() { return groupBySize(true); }

ArrayP* PathArray::groupBySizeAtLeast() { return groupBySize(false); }

ArrayP* PathArray::groupBySize(bool below) {
  ArrayP* groups = newGroupList();
  Extension* byClass[kSizeClasses] = {};
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    PathWin* entry = getAt(i);
    const int64_t size = entry->getSize(false, true, nullptr, nullptr, true);
    int sizeClass = -1;
    if (below) {
      for (int k = 0; k < kSizeClasses && sizeClass < 0; ++k) {
        if (size < kSizeBounds[k]) sizeClass = k;
      }
    } else {
      for (int k = kSizeClasses - 1; k >= 0 && sizeClass < 0; --k) {
        if (size >= kSizeBounds[k]) sizeClass = k;
      }
    }
    if (sizeClass < 0) {
      continue;
    }
    if (byClass[sizeClass] == nullptr) {
      byClass[sizeClass] = newGroup(groups, kSizeKeys[sizeClass]);
    }
    byClass[sizeClass]->addPath(entry);
  }
  // Each class takes the paths first filed under the classes it covers; walking from the far
  // end, those classes still hold only their own paths when they are read.
  auto addOwnPaths = [](Extension* to, const Extension* from) {
    for (uint32_t p = 0; p < from->getPathCount(); ++p) {
      to->addPath(from->getPaths()->getItems()[p]);
    }
  };
  if (below) {
    for (int k = kSizeClasses - 1; k >= 1; --k) {
      for (int j = k - 1; byClass[k] != nullptr && j >= 0; --j) {
        if (byClass[j] != nullptr) addOwnPaths(byClass[k], byClass[j]);
      }
    }
  } else {
    for (int k = 0; k < kSizeClasses - 1; ++k) {
      for (int j = k + 1; byClass[k] != nullptr && j < kSizeClasses; ++j) {
        if (byClass[j] != nullptr) addOwnPaths(byClass[k], byClass[j]);
      }
    }
  }
  col::_array::sortPointersDescending(groups->getItems(), groups->getCount(),
                                      &compareByKeyIgnoreCase);
  return groups;
}

// Searches and derived lists -----------------------------------------------------------------

bool PathArray::findIgnoreCase(IPath* path, int32_t* index) {
  for (int32_t i = 0, n = path == nullptr ? 0 : getCount(); i < n; ++i) {
    if (getAt(i)->equalsIgnoreCase(path)) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

bool PathArray::findTextIgnoreCase(const WCHAR* text, int32_t* index) {
  Pooled<PathWin> path(PathWin::newFromText(text));
  return findIgnoreCase(path.get(), index);
}

bool PathArray::find(IPath* path, int32_t* index) {
  for (int32_t i = 0, n = path == nullptr ? 0 : getCount(); i < n; ++i) {
    if (getAt(i)->equals(path)) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

void PathArray::expandFolders(bool recursive) {
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    if (!getAt(i)->isDirectory()) {
      continue;
    }
    Pooled<PathArray> contents(
        static_cast<PathArray*>(getAt(i)->collectAllToPathArray(true, false, nullptr)));
    if (recursive) {
      contents->expandFolders(true);
    }
    for (int32_t c = 0; c < contents->getCount(); ++c) {
      add(contents->getAt(c));
    }
    contents->clear();
  }
}

PathArray* PathArray::extractDirectories(IPathArray* out) {
  auto* target = dynamic_cast<PathArray*>(out);
  if (target == nullptr) {
    target = take();
  }
  for (int32_t i = getCount() - 1; i >= 0; --i) {
    if (getAt(i)->isDirectory()) {
      target->add(takeAt(i));
    }
  }
  return target;
}

void PathArray::setTexts(int32_t count, const WCHAR* const* texts) {
  clearWith();
  for (int32_t i = 0; i < count; ++i) {
    addText(texts[i]);
  }
}

str::strarray::StrArray* PathArray::getFileNames() {
  auto* names = str::strarray::StrArray::take();
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    names->addText(getAt(i)->getFileName());
  }
  return names;
}

PathArray* PathArray::rebaseOnto(const WCHAR* folder) {
  PathArray* list = take();
  if (m_directoryFlags != nullptr) {
    list->m_directoryFlags = col::_array::ArrayS32::take();
  }
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    list->m_entries.push(PathWin::newFromFolderAndName(folder, getAt(i)->getFileName()));
    if (list->m_directoryFlags != nullptr) {
      const int32_t flag = isDirectoryAt(i) ? 1 : 0;
      list->m_directoryFlags->add(&flag, 1);
    }
  }
  return list;
}

PathArray* PathArray::rebaseOntoAsShortcuts(const WCHAR* folder) {
  PathArray* list = take();
  list->m_directoryFlags = col::_array::ArrayS32::take();
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    PathWin* entry = getAt(i);
    const WCHAR drive[2] = {entry->getDriveLetter(), 0};
    list->m_entries.push(
        PathWin::newShortcutPathIn(folder, entry->isDriveOnly() ? drive : entry->getFileName()));
    const int32_t flag = 0;
    list->m_directoryFlags->add(&flag, 1);
  }
  return list;
}

void PathArray::makeAllUnique() {
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    PathWin* entry = getAt(i);
    if (entry->exists()) {
      m_entries.getItems()[i] = entry->newUniqueSibling();
      entry->release();
    }
  }
}

// Shell operations ---------------------------------------------------------------------------

void PathArray::notifyShellCreated() {
  if (m_directoryFlags == nullptr) {
    return;
  }
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    if (getAt(i)->exists()) {
      notifyShellChange(isDirectoryAt(i) ? SHCNE_MKDIR : SHCNE_CREATE, getAt(i)->getFullPath());
    }
  }
}

void PathArray::notifyShellDeleted() {
  if (m_directoryFlags == nullptr) {
    return;
  }
  for (int32_t i = 0, n = getCount(); i < n; ++i) {
    if (getAt(i)->isValid() && !getAt(i)->exists()) {
      notifyShellChange(isDirectoryAt(i) ? SHCNE_RMDIR : SHCNE_DELETE, getAt(i)->getFullPath());
    }
  }
}

namespace {

// The destination folder of a batch: a folder shortcut stands for its target.
PathWin* destinationFolder(const WCHAR* folder) {
  PathWin* path = PathWin::newFromText(folder);
  if (path->isFolderShortcut()) {
    PathWin* target = path->newFolderShortcutTarget();
    path->release();
    return target;
  }
  return path;
}

}  // namespace

int32_t PathArray::shellTransfer(const WCHAR* folder, bool move, bool notify, bool perform,
                                 HWND owner) {
  Pooled<PathWin> destination(destinationFolder(folder));
  if (getCount() == 0 || !destination->isValid()) {
    return 0;
  }
  Pooled<PathArray> created;
  if (notify) {
    cacheDirectoryFlags();
    created = Pooled<PathArray>(rebaseOnto(destination->getFullPath()));
  }
  if (!perform) {
    return 0;
  }
  Pooled<StrBuffer> target;
  destination->copyFullPathWithSlash(target.get(), false);
  if (getCount() == 1) {
    target->append(getAt(0)->getFileName());
  }
  target->appendWChar(0);
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = owner;
  operation.wFunc = move ? FO_MOVE : FO_COPY;
  operation.pFrom = getDoubleNulList();
  operation.pTo = target->getCStr();
  operation.fFlags = FOF_NOCONFIRMMKDIR | FOF_ALLOWUNDO;
  operation.lpszProgressTitle = u"";
  if (SHFileOperationW(&operation) != 0) {
    return 0;
  }
  if (notify) {
    if (move) {
      notifyShellDeleted();
    }
    created->notifyShellCreated();
  }
  return operation.fAnyOperationsAborted ? 1 : 2;
}

int32_t PathArray::copyTo(const WCHAR* folder, bool notify, bool perform, HWND owner) {
  return shellTransfer(folder, false, notify, perform, owner);
}

int32_t PathArray::moveTo(const WCHAR* folder, bool notify, bool perform, HWND owner) {
  return shellTransfer(folder, true, notify, perform, owner);
}

int32_t PathArray::createShortcutsIn(const WCHAR* folder, bool overwrite, bool makeUnique,
                                     bool notify, bool listOnly, IPathArray** shortcuts) {
  if (shortcuts != nullptr) {
    *shortcuts = nullptr;
  }
  Pooled<PathWin> destination(destinationFolder(folder));
  if (getCount() == 0 || !destination->isValid()) {
    return 0;
  }
  Pooled<PathArray> planned(rebaseOntoAsShortcuts(destination->getFullPath()));
  int32_t made = 0;
  int32_t failed = 0;
  if (!listOnly) {
    if (makeUnique) {
      planned->makeAllUnique();
    }
    for (int32_t i = 0, n = getCount(); i < n; ++i) {
      PathWin* entry = getAt(i);
      if (entry->exists() && entry->createShortcut(planned->getAt(i)->getFullPath(),
                                                   makeUnique ? false : overwrite, nullptr)) {
        ++made;
      } else {
        ++failed;
      }
    }
    if (notify && made > 0) {
      planned->notifyShellCreated();
    }
  }
  if (shortcuts != nullptr) {
    *shortcuts = planned.detach();
  }
  if (made == 0) {
    return 0;
  }
  return failed == 0 ? 2 : 1;
}

bool PathArray::moveToRecycleBin(bool notify, bool confirm, HWND owner) {
  if (getCount() == 0) {
    return false;
  }
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = owner;
  operation.wFunc = FO_DELETE;
  operation.pFrom = getDoubleNulList();
  operation.fFlags = confirm ? FOF_ALLOWUNDO : FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT;
  const bool recycled = SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
  if (recycled && notify) {
    notifyShellDeleted();
  }
  return recycled;
}

bool PathArray::showProperties() {
  const int32_t count = getCount();
  if (count == 0) {
    return false;
  }
  if (count == 1) {
    return system::win::showProperties(getAt(0)->getFullPath());
  }
  std::vector<const WCHAR*> paths;
  paths.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    paths.push_back(getAt(i)->getFullPath());
  }
  return system::win::showMultiFileProperties(static_cast<uint32_t>(count), paths.data());
}

}  // namespace s::file::win
