// The file-system path: split, derived texts and paths, attributes, status, sizes.
#include "core/file/win/PathWin.h"

#include "core/str/Case.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <crtfile.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>

namespace s::file::win {

using str::strbuffer::StrBuffer;
using thread::Pooled;

namespace {

constexpr WCHAR kSeparators[] = u"\\/";

// FILETIME ticks (100 ns since 1601) as seconds since 1970.
int64_t secondsOf(const FILETIME& time) {
  const auto ticks =
      static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return ticks / 10000000 - 11644473600LL;
}

bool isSeparator(WCHAR unit) { return unit == u'\\' || unit == u'/'; }

// "\\x" or "//x" with x no separator.
bool startsUnc(const WCHAR* text, uint32_t length) {
  return length > 2 && isSeparator(text[0]) && text[0] == text[1] && !isSeparator(text[2]);
}

// Cuts `text` after its fourth "\" (the root of a UNC path); shorter texts stay whole.
void cutAfterFourthBackslash(StrBuffer* text) {
  uint32_t seen = 0;
  for (uint32_t i = 0, n = text->getLength(); i < n; ++i) {
    if (text->getCharAt(i) == u'\\' && ++seen == 4) {
      text->setLength(i + 1);
      return;
    }
  }
}

// Ignore-case comparison over the shorter length, then the shorter text first.
int32_t compareFoldedThenShorter(const StrBuffer* a, const StrBuffer* b) {
  const uint32_t la = a->getLength();
  const uint32_t lb = b->getLength();
  for (uint32_t i = 0, n = std::min(la, lb); i < n; ++i) {
    const WCHAR x = str::foldLower(a->getCharAt(i));
    const WCHAR y = str::foldLower(b->getCharAt(i));
    if (x != y) {
      return x < y ? -1 : 1;
    }
  }
  return la == lb ? 0 : (la < lb ? -1 : 1);
}

}  // namespace

PathWin::PathWin()
    : m_work(new StrBuffer()),
      m_given(new StrBuffer()),
      m_drive(new StrBuffer()),
      m_root(new StrBuffer()),
      m_folder(new StrBuffer()),
      m_longForm(new StrBuffer()),
      m_extension(new StrBuffer()),
      m_fullPath(new StrBuffer()),
      m_title(new StrBuffer()) {}

PathWin::~PathWin() {
  for (StrBuffer* text :
       {m_work, m_given, m_drive, m_root, m_folder, m_longForm, m_extension, m_fullPath, m_title}) {
    delete text;
  }
}

// Comparison --------------------------------------------------------------------------------

// Another path compares by its full path; anything else, or a comparator, decides as objects do.
const PathWin* PathWin::comparablePath(const base::IComparable* other,
                                       const base::IComparator* comparator) {
  return comparator == nullptr ? dynamic_cast<const PathWin*>(other) : nullptr;
}

int32_t PathWin::compareTo(const base::IComparable* other,
                           const base::IComparator* comparator) const {
  const PathWin* that = comparablePath(other, comparator);
  return that != nullptr ? m_fullPath->compareTo(that->m_fullPath)
                         : IComparable::compareTo(other, comparator);
}

int32_t PathWin::compareToIgnoreCase(const base::IComparable* other,
                                     const base::IComparator* comparator) const {
  const PathWin* that = comparablePath(other, comparator);
  return that != nullptr ? m_fullPath->compareToIgnoreCase(that->m_fullPath)
                         : IComparable::compareToIgnoreCase(other, comparator);
}

bool PathWin::equals(const base::IComparable* other, const base::IComparator* comparator) const {
  const PathWin* that = comparablePath(other, comparator);
  return that != nullptr ? m_fullPath->equals(that->m_fullPath)
                         : IComparable::equals(other, comparator);
}

bool PathWin::equalsIgnoreCase(const base::IComparable* other,
                               const base::IComparator* comparator) const {
  const PathWin* that = comparablePath(other, comparator);
  return that != nullptr ? m_fullPath->equalsIgnoreCase(that->m_fullPath)
                         : IComparable::equalsIgnoreCase(other, comparator);
}

int32_t compareByFullPath(const void* a, const void* b, void*) {
  const auto* pa = static_cast<const PathWin*>(static_cast<const base::IObject*>(a));
  const auto* pb = static_cast<const PathWin*>(static_cast<const base::IObject*>(b));
  return compareFoldedThenShorter(pa->m_fullPath, pb->m_fullPath);
}

int32_t compareByExtension(const void* a, const void* b, void*) {
  const auto* pa = static_cast<const PathWin*>(static_cast<const base::IObject*>(a));
  const auto* pb = static_cast<const PathWin*>(static_cast<const base::IObject*>(b));
  return compareFoldedThenShorter(pa->m_extension, pb->m_extension);
}

// Setting and splitting ----------------------------------------------------------------------

void PathWin::clear() {
  for (StrBuffer* text :
       {m_work, m_given, m_drive, m_root, m_folder, m_title, m_extension, m_fullPath, m_longForm}) {
    text->clear();
  }
  m_sizeOnDisk = -1;
  m_streamSize = -1;
  m_statusRead = false;
  m_valid = false;
  m_isStream = false;
  m_attributesRead = false;
  m_attributes = 0;
  m_fileSystemKind = kUnread;
  m_status = Status{};
}

PathWin* PathWin::setPath(const StrBuffer* text) {
  clear();
  if (text != nullptr) {
    m_given->assignStr(text);
  }
  return takeGivenText();
}

PathWin* PathWin::setPathText(const WCHAR* text) {
  clear();
  if (text != nullptr) {
    m_given->assign(text);
  }
  return takeGivenText();
}

PathWin* PathWin::takeGivenText() {
  if (m_given->getLength() != 0) {
    m_given->replaceAll(u"/", u"\\");
    // A text already in its long form names the same path as its plain form: the path keeps the
    // plain form, and the long form is made from it again when the length needs one. Kept as
    // given, "\\?\C:\x" would read as a share on a server named "?". A prefix given twice (as an
    // earlier long form of a long form would have been) comes off as well.
    m_fullPath->assignStr(m_given);
    for (;;) {
      const uint32_t length = m_fullPath->getLength();
      if (m_fullPath->startsWithIgnoreCase(u"\\\\?\\UNC\\", 8)) {
        m_fullPath->crop(6, length);  // "\\?\UNC\server" becomes "\\server"
        m_fullPath->getBuffer()[0] = m_fullPath->getBuffer()[1] = u'\\';
      } else if (m_fullPath->startsWith(u"\\\\?\\", 4)) {
        m_fullPath->crop(4, length);
      } else {
        break;
      }
    }
    m_valid = m_fullPath->getLength() != 0;
    if (m_valid) {
      split();
    }
  }
  return this;
}

void PathWin::split() {
  m_fullPath->trimRightChars(u"\\", 1);
  // The parts are split into buffers of their own on the stack: no lock, no allocation.
  WCHAR drive[kPartUnits];
  WCHAR folder[kPartUnits];
  WCHAR title[kPartUnits];
  WCHAR extension[kPartUnits];
  if (_wsplitpath_s(m_fullPath->getCStr(), drive, kPartUnits, folder, kPartUnits, title, kPartUnits,
                    extension, kPartUnits) != 0) {
    // A part too long for its buffer: the path is not valid, and every part is empty.
    m_valid = false;
    drive[0] = folder[0] = title[0] = extension[0] = 0;
  }
  m_drive->assign(drive);
  m_folder->assign(folder);
  m_title->assign(title);
  m_extension->assign(extension);
  m_isStream = (m_extension->getLength() != 0 && m_extension->indexOf(u':', nullptr)) ||
               (m_title->getLength() != 0 && m_title->indexOf(u':', nullptr));
  const uint32_t length = m_fullPath->getLength();
  if (length >= kLongFormFrom) {
    if (length > 2 && m_fullPath->getCharAt(0) == u'\\' && m_fullPath->getCharAt(1) == u'\\') {
      m_longForm->assign(u"\\\\?\\UNC\\")->appendRange(m_fullPath->getBuffer(), length - 2, 2);
    } else {
      m_longForm->assign(u"\\\\?\\")->appendStr(m_fullPath);
    }
  }
}

// Plain questions ----------------------------------------------------------------------------

bool PathWin::isUncPath() const {
  return startsUnc(m_fullPath->getBuffer(), m_fullPath->getLength());
}

const WCHAR* PathWin::getUncServer() {
  m_work->clear();
  const uint32_t length = m_fullPath->getLength();
  if (length > 2) {
    uint32_t end = length;
    m_fullPath->indexOf(u'\\', &end, 2);
    m_work->appendRange(m_fullPath->getBuffer(), end - 2, 2);
  }
  return m_work->getCStr();
}

bool PathWin::isDriveOnly() const {
  return m_fullPath->getLength() == 2 && m_fullPath->getCharAt(1) == u':';
}

bool PathWin::hasDriveLetter() const {
  return m_fullPath->getLength() >= 2 && m_fullPath->getCharAt(1) == u':';
}

WCHAR PathWin::getDriveLetter() const {
  return m_fullPath->getLength() == 0 ? 0 : m_fullPath->getCharAt(0);
}

bool PathWin::hasExtension(const WCHAR* extension) const {
  return m_extension->matchesAtIgnoreCase(0, extension, 0, -1);
}

const WCHAR* PathWin::getLongPath() {
  return m_longForm->getLength() != 0 ? m_longForm->getCStr() : m_fullPath->getCStr();
}

bool PathWin::exists() { return m_valid && _waccess(m_fullPath->getCStr(), _A_EXIST) == 0; }

bool PathWin::accessTest(int mode) const { return _waccess(m_fullPath->getCStr(), mode) == 0; }

const WCHAR* PathWin::getRoot() {
  if (m_root->getLength() == 0) {
    if (m_drive->getLength() != 0) {
      m_root->assignStr(m_drive)->appendWChar(u'\\');
    } else if (isDirectory()) {
      m_root->assignStr(m_fullPath)->appendWChar(u'\\');
      cutAfterFourthBackslash(m_root);
    } else {
      m_root->assignStr(m_folder);
      cutAfterFourthBackslash(m_root);
    }
  }
  return m_root->getCStr();
}

// The volume questions ask the folder that holds the path: on this system other volumes are
// mounted below the drive's root, so the root alone would name the wrong volume. The root is
// the fall-back when that folder cannot be asked.
int32_t PathWin::readFileSystemKind() {
  if (m_fileSystemKind != kUnread) {
    return m_fileSystemKind;
  }
  Pooled<StrBuffer> folder;
  if (isDirectory()) {
    copyFullPathWithSlash(folder.get(), false);
  } else {
    copyFolder(folder.get(), false);
  }
  WCHAR name[19];
  m_fileSystemKind = kOther;
  if (GetVolumeInformationW(folder->getCStr(), nullptr, 0, nullptr, nullptr, nullptr, name, 19) ||
      GetVolumeInformationW(getRoot(), nullptr, 0, nullptr, nullptr, nullptr, name, 19)) {
    static constexpr struct {
      const WCHAR* name;
      FileSystemKind kind;
    } kKinds[] = {
        {u"FAT", kFat}, {u"FAT32", kFat32}, {u"VFAT", kVfat}, {u"NTFS", kNtfs}, {u"HPFS", kHpfs}};
    Pooled<StrBuffer> text;
    text->assign(name);
    for (const auto& entry : kKinds) {
      if (text->matchesAtIgnoreCase(0, entry.name, 0, -1)) {
        m_fileSystemKind = entry.kind;
      }
    }
  }
  return m_fileSystemKind;
}

bool PathWin::isFat() {
  const int32_t kind = readFileSystemKind();
  return kind == kFat || kind == kFat32 || kind == kVfat;
}

// Attributes ---------------------------------------------------------------------------------

uint32_t PathWin::getAttributes() {
  if (!m_attributesRead) {
    // This system has no named streams: a stream path's name is the name of a file, asked for
    // like any other.
    m_attributes = m_valid ? GetFileAttributesW(getLongPath()) : INVALID_FILE_ATTRIBUTES;
    m_attributesRead = true;
  }
  return m_attributes;
}

bool PathWin::hasAttribute(uint32_t bit) {
  // A missing path has no attributes at all, not all of them.
  const uint32_t word = getAttributes();
  return word != INVALID_FILE_ATTRIBUTES && (word & bit) != 0;
}

bool PathWin::isFile() {
  const uint32_t word = getAttributes();
  return word != INVALID_FILE_ATTRIBUTES && (word & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PathWin::addAttributes(uint32_t bits) {
  const uint32_t word = getAttributes();
  if (word == INVALID_FILE_ATTRIBUTES) {
    return false;
  }
  if ((word & bits) == bits) {
    return true;
  }
  return setAttributes(word | bits);
}

bool PathWin::setAttributes(uint32_t value) {
  if (m_attributesRead && m_attributes == value && value != INVALID_FILE_ATTRIBUTES) {
    return true;
  }
  if (!m_valid || !SetFileAttributesW(getLongPath(), value)) {
    return false;
  }
  // Read back on the next question: some bits have no storage on this system.
  m_attributesRead = false;
  return true;
}

bool PathWin::chmodTo(bool writable) {
  if (_wchmod(m_fullPath->getCStr(), writable ? _S_IREAD | _S_IWRITE : _S_IREAD) != 0) {
    return false;
  }
  m_attributesRead = false;
  return true;
}

bool PathWin::setReadable() { return chmodTo(isWritable()); }

bool PathWin::setWritable(bool writable) { return chmodTo(writable); }

// Status, times and sizes --------------------------------------------------------------------

void PathWin::readStatus() {
  if (m_statusRead) {
    return;
  }
  m_status = Status{};
  struct _stat64 status;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (m_valid && _wstat64(m_fullPath->getCStr(), &status) == 0) {
    m_status.size = status.st_size;
    m_status.lastAccess = status.st_atime;
    m_status.lastWrite = status.st_mtime;
    m_status.creation = status.st_ctime;
  } else if (m_valid && GetFileAttributesExW(getLongPath(), GetFileExInfoStandard, &data)) {
    // The run-time refuses some paths (too long among others); the file call takes them.
    m_status.size =
        static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    m_status.creation = secondsOf(data.ftCreationTime);
    m_status.lastAccess = secondsOf(data.ftLastAccessTime);
    m_status.lastWrite = secondsOf(data.ftLastWriteTime);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      m_status.size = 0;
    }
  }
  if (!exists()) {
    m_status.size = 0;
  }
  m_statusRead = true;
}

int64_t PathWin::getCreationTime(bool refresh) {
  m_statusRead = m_statusRead && !refresh;
  readStatus();
  return m_status.creation;
}

int64_t PathWin::getLastAccessTime(bool refresh) {
  m_statusRead = m_statusRead && !refresh;
  readStatus();
  return m_status.lastAccess;
}

int64_t PathWin::getLastWriteTime(bool refresh) {
  m_statusRead = m_statusRead && !refresh;
  readStatus();
  return m_status.lastWrite;
}

int64_t PathWin::getSize(bool folderMode, bool descend, uint32_t* fileCount, uint32_t* folderCount,
                         bool countFiles) {
  if (m_isStream && m_streamSize >= 0) {
    return m_streamSize;
  }
  if (!folderMode || !exists() || !isDirectory()) {
    readStatus();
    return m_status.size;
  }
  return sumFolder(descend, fileCount, folderCount, countFiles);
}

int64_t PathWin::sumFolder(bool descend, uint32_t* fileCount, uint32_t* folderCount,
                           bool countFiles) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Pooled<PathWin>(newChild(u"*"))->getLongPath(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    return 0;
  }
  int64_t sum = 0;
  do {
    const std::u16string_view name(found.cFileName);
    if (name == u"." || name == u"..") {
      continue;
    }
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      // A symbolic link to a folder is a reparse point: walking into it could count a tree twice
      // or loop for ever.
      if (!descend || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        continue;
      }
      sum +=
          Pooled<PathWin>(newChild(found.cFileName))->sumFolder(true, fileCount, folderCount, true);
      if (folderCount != nullptr) {
        ++*folderCount;
      }
    } else if (countFiles) {
      sum += static_cast<int64_t>((static_cast<uint64_t>(found.nFileSizeHigh) << 32) |
                                  found.nFileSizeLow);
      if (fileCount != nullptr) {
        ++*fileCount;
      }
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return sum;
}

int64_t PathWin::getSizeOnDisk() {
  if (m_sizeOnDisk >= 0) {
    return m_sizeOnDisk;
  }
  const int64_t size = getSize(false, true, nullptr, nullptr, true);
  if (size < 1) {
    m_sizeOnDisk = 0;
    return 0;
  }
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  Pooled<StrBuffer> folder;
  copyFolder(folder.get(), false);
  if (!GetDiskFreeSpaceW(folder->getCStr(), &sectorsPerCluster, &bytesPerSector, nullptr,
                         nullptr) &&
      !GetDiskFreeSpaceW(getRoot(), &sectorsPerCluster, &bytesPerSector, nullptr, nullptr)) {
    sectorsPerCluster = bytesPerSector = 0;
  }
  const uint32_t unit = std::max(std::max(512u, static_cast<uint32_t>(bytesPerSector)),
                                 static_cast<uint32_t>(sectorsPerCluster * bytesPerSector));
  m_sizeOnDisk = (size + unit - 1) / unit * unit;
  return m_sizeOnDisk;
}

// Derived texts ------------------------------------------------------------------------------

StrBuffer* PathWin::outText(StrBuffer* out, bool append) {
  if (out == nullptr) {
    return StrBuffer::take();
  }
  if (!append) {
    out->clear();
  }
  return out;
}

StrBuffer* PathWin::copyFullPath(StrBuffer* out, bool append) {
  return outText(out, append)->appendStr(m_fullPath);
}

StrBuffer* PathWin::copyFullPathWithSlash(StrBuffer* out, bool append) {
  return outText(out, append)->appendStr(m_fullPath)->appendWChar(u'\\');
}

const WCHAR* PathWin::getFullPathWithSlash() {
  return copyFullPathWithSlash(m_work, false)->getCStr();
}

StrBuffer* PathWin::copyFolder(StrBuffer* out, bool append) {
  out = outText(out, append);
  // Room for the longest drive and folder a valid path can have together: a folder that only
  // just fits its part must not lose its drive and itself when the two are joined.
  WCHAR joined[2 + kPartUnits + 1];
  if (_wmakepath_s(joined, sizeof joined / sizeof joined[0], m_drive->getCStr(),
                   m_folder->getCStr(), nullptr, nullptr) == 0) {
    out->append(joined);
  }
  if (out->getLength() == 0 || out->getCharAt(out->getLength() - 1) != u'\\') {
    out->appendWChar(u'\\');
  }
  return out;
}

const WCHAR* PathWin::getFolder() { return copyFolder(m_work, false)->getCStr(); }

StrBuffer* PathWin::copyFolderNoSlash(StrBuffer* out, bool append) {
  out = copyFolder(out, append);
  out->trimRightChars(u"\\", 1);
  return out;
}

const WCHAR* PathWin::getFolderNoSlash() { return copyFolderNoSlash(m_work, false)->getCStr(); }

StrBuffer* PathWin::copyFileName(StrBuffer* out, bool append) {
  return outText(out, append)->appendStr(m_title)->appendStr(m_extension);
}

const WCHAR* PathWin::getFileName() { return copyFileName(m_work, false)->getCStr(); }

StrBuffer* PathWin::copyTitle(StrBuffer* out, bool append) {
  return outText(out, append)->appendStr(m_title);
}

const WCHAR* PathWin::getTitle() { return copyTitle(m_work, false)->getCStr(); }

StrBuffer* PathWin::copyExtension(StrBuffer* out, bool append) {
  return outText(out, append)->appendStr(m_extension);
}

const WCHAR* PathWin::getExtensionCopy() { return copyExtension(m_work, false)->getCStr(); }

StrBuffer* PathWin::copyExtensionNoDot(StrBuffer* out, bool append) {
  out = outText(out, append);
  if (m_extension->getLength() > 1) {
    out->appendRange(m_extension->getBuffer(), m_extension->getLength() - 1, 1);
  }
  return out;
}

const WCHAR* PathWin::getExtensionNoDot() { return copyExtensionNoDot(m_work, false)->getCStr(); }

StrBuffer* PathWin::copyShellTypeName(StrBuffer* out, bool append) {
  out = outText(out, append);
  SHFILEINFOW info{};
  const DWORD_PTR done =
      exists() ? SHGetFileInfoW(m_fullPath->getCStr(), 0, &info, sizeof info,
                                SHGFI_SYSICONINDEX | SHGFI_ATTRIBUTES | SHGFI_TYPENAME)
               : SHGetFileInfoW(m_extension->getCStr(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
  if (done != 0) {
    out->append(info.szTypeName);
  }
  return out;
}

const WCHAR* PathWin::getShellTypeName() { return copyShellTypeName(m_work, false)->getCStr(); }

StrBuffer* PathWin::copySizeText(StrBuffer* out, bool append) {
  out = outText(out, append);
  if (exists() && isDirectory()) {
    return out;
  }
  WCHAR text[64];
  if (StrFormatByteSizeW(getSize(false, true, nullptr, nullptr, true), text, 64) != nullptr) {
    out->append(text);
  }
  return out;
}

const WCHAR* PathWin::getSizeText() { return copySizeText(m_work, false)->getCStr(); }

// Derived paths ------------------------------------------------------------------------------

PathWin* PathWin::newFromText(const WCHAR* text) { return take()->setPathText(text); }

PathWin* PathWin::newFromConcatenation(const WCHAR* a, const WCHAR* b) {
  Pooled<StrBuffer> text;
  text->assign(a)->append(b);
  return take()->setPath(text.get());
}

PathWin* PathWin::newFromFolderAndName(const WCHAR* folder, const WCHAR* name) {
  Pooled<StrBuffer> text;
  text->assign(folder)->appendWChar(u'\\')->append(name);
  return take()->setPath(text.get());
}

PathWin* PathWin::newShortcutPathIn(const WCHAR* folder, const WCHAR* name) {
  Pooled<StrBuffer> text;
  text->assign(folder)->appendWChar(u'\\')->append(name)->append(u".lnk");
  return take()->setPath(text.get());
}

PathWin* PathWin::newFolderPath() {
  if (isDriveOnly()) {
    return nullptr;
  }
  Pooled<PathWin> folder(newFromText(getFolder()));
  return folder->isValid() ? folder.detach() : nullptr;
}

PathWin* PathWin::newChild(const WCHAR* name) { return newFromFolderAndName(getFullPath(), name); }

PathWin* PathWin::newWithNewExtension(const WCHAR* extension) {
  Pooled<StrBuffer> text;
  copyFolder(text.get(), false)->appendStr(m_title)->append(extension);
  return take()->setPath(text.get());
}

PathWin* PathWin::newWithSuffix(const WCHAR* suffix) {
  Pooled<StrBuffer> text;
  copyFolder(text.get(), false);
  if (exists() && isDirectory()) {
    copyFileName(text.get(), true)->append(suffix);
  } else {
    text->appendStr(m_title)->append(suffix)->appendStr(m_extension);
  }
  return take()->setPath(text.get());
}

PathWin* PathWin::newParent() {
  Pooled<StrBuffer> text;
  copyFolder(text.get(), false);
  return take()->setPath(text.get());
}

PathWin* PathWin::newUniqueSibling() { return newUniqueSibling(u" (", u")"); }

PathWin* PathWin::newUniqueSiblingPlainNumber() { return newUniqueSibling(u"", u""); }

PathWin* PathWin::newUniqueSibling(const WCHAR* before, const WCHAR* after) {
  if (!exists()) {
    return take()->setPath(m_fullPath);
  }
  Pooled<StrBuffer> stem;
  copyFolder(stem.get(), false);
  const bool directory = isDirectory();
  if (directory) {
    copyFileName(stem.get(), true);
  } else {
    stem->appendStr(m_title);
  }
  Pooled<PathWin> candidate;
  Pooled<StrBuffer> text;
  for (uint32_t n = 1; n != 0; ++n) {
    text->assignStr(stem.get())->append(before)->appendUInt32(n)->append(after);
    if (!directory) {
      text->appendStr(m_extension);
    }
    if (!candidate->setPath(text.get())->exists()) {
      return candidate.detach();
    }
  }
  return nullptr;
}

// Volumes and relative paths -----------------------------------------------------------------

bool PathWin::isSameVolume(const WCHAR* pathText) {
  Pooled<PathWin> other(newFromText(pathText));
  bool same = false;
  if (hasDriveLetter() && other->hasDriveLetter()) {
    // As written: "c:" and "C:" count as different drives.
    same = getDriveLetter() == other->getDriveLetter();
  } else if (isUncPath() && other->isUncPath()) {
    Pooled<StrBuffer> server;
    server->assign(getUncServer());
    same = server->matchesAtIgnoreCase(0, other->getUncServer(), 0, -1);
  }
  return same;
}

void PathWin::copyBase(StrBuffer* out, bool asFolder) {
  if (asFolder || (exists() && isDirectory())) {
    copyFullPathWithSlash(out, false);
  } else {
    copyFolder(out, false);
  }
}

const WCHAR* PathWin::toAbsolutePath(const WCHAR* relativeText, bool asFolder) {
  Pooled<StrBuffer> text;
  text->assign(relativeText != nullptr ? relativeText : u"");
  const uint32_t length = text->getLength();
  const WCHAR* units = text->getCStr();
  const bool absolute = (length >= 2 && units[1] == u':') || startsUnc(units, length);
  if (absolute) {
    return m_work->assignStr(text.get())->getCStr();
  }
  // Only the run of "..\" at the start climbs: "x\..\y" names a folder inside x\.
  uint32_t rest = 0;
  uint32_t levels = 0;
  while (rest + 3 <= length && units[rest] == u'.' && units[rest + 1] == u'.' &&
         isSeparator(units[rest + 2])) {
    rest += 3;
    ++levels;
  }
  Pooled<StrBuffer> base;
  copyBase(base.get(), asFolder);
  uint32_t cut = base->getLength() - 1;  // the base ends with its separator
  for (uint32_t level = 0; level < levels; ++level) {
    if (!base->lastIndexOfAny(kSeparators, 2, &cut, static_cast<int32_t>(cut)) || cut <= 1) {
      return m_work->assignStr(text.get())->getCStr();
    }
  }
  m_work->clear();
  m_work->appendRange(base->getBuffer(), cut + 1, 0);
  if (rest < length) {
    m_work->appendRange(text->getBuffer(), length - rest, rest);
  }
  return m_work->getCStr();
}

const WCHAR* PathWin::toRelativePath(const WCHAR* pathText, bool asFolder) {
  Pooled<StrBuffer> text;
  text->assign(pathText != nullptr ? pathText : u"");
  if (!isSameVolume(text->getCStr())) {
    return m_work->assignStr(text.get())->getCStr();
  }
  Pooled<StrBuffer> base;
  copyBase(base.get(), asFolder);
  const uint32_t baseLength = base->getLength();
  const uint32_t textLength = text->getLength();
  uint32_t common = 0;
  while (common < baseLength && common < textLength &&
         str::foldLower(base->getCharAt(common)) == str::foldLower(text->getCharAt(common))) {
    ++common;
  }
  // Only whole names are shared: texts that part inside a name ("C:\abc\" and "C:\abd\x") share
  // the folder before it, so the relative text joined to the base names the text again.
  for (uint32_t i = common; i > 0; --i) {
    if (isSeparator(text->getCharAt(i - 1))) {
      common = i;
      break;
    }
  }
  m_work->clear();
  for (uint32_t i = common; i < baseLength; ++i) {
    if (isSeparator(base->getCharAt(i))) {
      m_work->append(u"..\\");
    }
  }
  if (common < textLength) {
    m_work->appendRange(text->getBuffer(), textLength - common, common);
  }
  return m_work->getCStr();
}

}  // namespace s::file::win
