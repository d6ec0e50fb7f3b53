// The archive over the resources of a program or library file.
#include "platform/archive/dll/win/Archive.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/IPath.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/io/Io.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/archive/cur/Archive.h"
#include "platform/archive/dll/ResourceType.h"
#include "platform/archive/dll/win/TextDumps.h"
#include "platform/archive/icon/Archive.h"
#include "platform/system/win/OsVersion.h"

#include <string>

namespace s::archive::dll::win {

using col::_array::ArrayP;
using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;

namespace {

bool sameText(const StrBuffer* text, const WCHAR* value, bool ignoreCase) {
  if (value == nullptr || IS_INTRESOURCE(value)) {
    return false;
  }
  const auto n = static_cast<uint32_t>(std::char_traits<char16_t>::length(value));
  if (text->getLength() != n) {
    return false;
  }
  if (n == 0) {
    return true;
  }
  const auto count = static_cast<int32_t>(n);
  return ignoreCase ? text->startsWithIgnoreCase(value, count) : text->startsWith(value, count);
}

int64_t fileSizeOf(const WCHAR* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
    return 0;
  }
  return static_cast<int64_t>(static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void put16(ArrayU08* out, uint32_t value) {
  out->push(static_cast<uint8_t>(value));
  out->push(static_cast<uint8_t>(value >> 8));
}

void put32(ArrayU08* out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// A name usable as one file or folder name: path separators, the characters file systems refuse
// and the names "." and ".." cannot come from a resource name, or a resource could be written
// outside the folder it is extracted into.
void appendSafeName(StrBuffer* out, const WCHAR* name) {
  const uint32_t start = out->getLength();
  for (const WCHAR* p = name; *p != 0; ++p) {
    const WCHAR c = *p;
    const bool refused = c < 0x20 || c == u'\\' || c == u'/' || c == u':' || c == u'*' ||
                         c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
    out->appendWChar(refused ? u'_' : c);
  }
  const uint32_t length = out->getLength() - start;
  if (length == 0 || (length <= 2 && (length == 1 || out->getCharAt(start + 1) == u'.') &&
                      out->getCharAt(start) == u'.')) {
    out->setLength(start);
    out->append(u"_");
  }
}

// The sub-folder of an entry in `extractAll`: the type's name, "ICON" and "CURSOR" for the
// groups, nothing for VERSION, a number for other numeric types, the text of a text type.
void appendSubFolder(StrBuffer* out, const Entry* entry) {
  if (!entry->isTypeId()) {
    appendSafeName(out, entry->getTypeText());
    return;
  }
  static const WCHAR* const kNames[] = {
      u"ACCELERATOR", u"ANICURSOR",    u"ANIICON",  u"BITMAP", u"",       u"DIALOG", u"DLGINCLUDE",
      u"FONT",        u"FONTDIR",      u"CURSOR",   u"ICON",   u"HTML",   u"",       u"MANIFEST",
      u"MENU",        u"MESSAGETABLE", u"PLUGPLAY", u"RCDATA", u"STRING", u"",       u"VXD"};
  const int32_t type = entry->getTypeId();
  if (type >= 0 && type < static_cast<int32_t>(sizeof kNames / sizeof kNames[0]) &&
      type != kCursor && type != kIcon) {
    out->append(kNames[type]);
  } else {
    out->appendInt32(type);
  }
}

const WCHAR* extensionOf(const Entry* entry) {
  if (!entry->isTypeId()) {
    return u"";
  }
  switch (entry->getTypeId()) {
    case kAccelerator:
    case kDialog:
    case kMenu:
    case kString:
    case kVersion: return u".txt";
    case kBitmap: return u".bmp";
    case kGroupCursor: return u".cur";
    case kGroupIcon: return u".ico";
    case kHtml: return u".html";
    case kManifest: return u".xml";
    default: return u"";
  }
}

bool isFolder(const WCHAR* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool makeFolder(const WCHAR* path) {
  return isFolder(path) || CreateDirectoryW(path, nullptr) || isFolder(path);
}

}  // namespace

Archive::Archive() { m_entries.setDisposer(&Entry::pool()); }

Archive::~Archive() { close(); }

Entry* Archive::getEntry(int32_t index) const {
  return static_cast<Entry*>(m_entries.getItems()[static_cast<uint32_t>(index)]);
}

bool Archive::open(file::IPath* path) {
  close();
  if (path == nullptr || !path->exists()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  m_path = file::win::PathWin::newFromText(path->getFullPath());
  if (m_path == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  m_fileSize = fileSizeOf(m_path->getLongPath());
  m_module = LoadLibraryW(m_path->getLongPath());
  if (m_module == nullptr) {
    const DWORD error = GetLastError();
    close();
    SetLastError(error);
    return false;
  }
  if (!system::win::osQueried.load()) {
    system::win::queryWindowsVersion();
  }
  // Before 6.0 the platform does not choose a language for a neutral lookup, so every language
  // of a resource is listed.
  m_perLanguage = !system::win::osAtLeast60;
  SetLastError(ERROR_SUCCESS);
  if (!EnumResourceTypesW(m_module, &onType, reinterpret_cast<LONG_PTR>(this)) ||
      getEntryCount() == 0) {
    // Only a lack of memory stops the enumeration (see addEnumerated); a module whose resources
    // could none of them be read has nothing to offer either.
    DWORD error = GetLastError();
    if (error == ERROR_RESOURCE_ENUM_USER_STOP) {
      error = ERROR_NOT_ENOUGH_MEMORY;
    } else if (error == ERROR_SUCCESS) {
      error = ERROR_RESOURCE_DATA_NOT_FOUND;
    }
    close();
    SetLastError(error);
    return false;
  }
  return true;
}

namespace {

// Whether an enumeration of the module's names or languages, which answered `listed`, lets the
// enumeration around it go on: a type or name that cannot be listed is skipped like a resource
// that cannot be found; only a stop asked by the archive's own callback ends everything.
BOOL goesOn(BOOL listed) { return listed || GetLastError() != ERROR_RESOURCE_ENUM_USER_STOP; }

}  // namespace

BOOL CALLBACK Archive::onType(HMODULE module, LPWSTR type, LONG_PTR param) {
  return goesOn(EnumResourceNamesW(module, type, &onName, param));
}

BOOL CALLBACK Archive::onName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  auto* archive = reinterpret_cast<Archive*>(param);
  if (archive->m_perLanguage) {
    return goesOn(EnumResourceLanguagesW(module, type, name, &onLanguage, param));
  }
  return archive->addEnumerated(type, name, 0);
}

BOOL CALLBACK Archive::onLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language,
                                  LONG_PTR param) {
  return reinterpret_cast<Archive*>(param)->addEnumerated(type, name, language);
}

bool Archive::addEnumerated(const WCHAR* type, const WCHAR* name, WORD language) {
  HRSRC handle = FindResourceExW(m_module, type, name, language);
  if (handle == nullptr) {
    // A resource that the module lists but cannot serve is left out; stopping here would lose
    // every resource after it (the language pack among them) for the sake of one.
    return true;
  }
  Entry* entry = Entry::take();
  if (entry == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  entry->setType(type);
  entry->setName(name);
  entry->setHandle(handle);
  entry->setSize(SizeofResource(m_module, handle));
  entry->setLanguage(language & 0x3FF);
  entry->setSubLanguage(language >> 10);
  m_entries.push(entry);
  return true;
}

void Archive::close() {
  if (m_path != nullptr) {
    m_path->release();
    m_path = nullptr;
  }
  if (m_module != nullptr) {
    FreeLibrary(m_module);
    m_module = nullptr;
  }
  m_fileSize = 0;
  m_entries.freeAll();
}

bool Archive::extractEntry(archive::IEntry* entry, io::IOutputStream* output) {
  auto* resource = dynamic_cast<Entry*>(entry);
  if (resource == nullptr || output == nullptr || m_module == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  HGLOBAL data = LoadResource(m_module, resource->getHandle());
  const void* bytes = data == nullptr ? nullptr : LockResource(data);
  if (bytes == nullptr) {
    return false;
  }
  // Never read past the resource, whatever size the entry was given.
  if (resource->getSize() > SizeofResource(m_module, resource->getHandle())) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  return io::writeFully(output, bytes, static_cast<uint32_t>(resource->getSize()));
}

bool Archive::extractEntryBytes(int32_t index, ArrayU08* out) {
  if (out == nullptr || index < 0 || index >= getEntryCount()) {
    return false;
  }
  out->seekToEnd();
  return extractEntry(getEntry(index), out);
}

template <typename Match>
bool Archive::findFirst(int32_t* index, Match match) const {
  for (int32_t i = 0; i < getEntryCount(); ++i) {
    if (match(*getEntry(i))) {
      if (index != nullptr) {
        *index = i;
      }
      return true;
    }
  }
  return false;
}

bool Archive::findByName(const WCHAR* name, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isNameText() && sameText(e.getNameString(), name, false);
  });
}

bool Archive::findById(uint32_t id, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) { return e.isNameId() && e.getNameId() == id; });
}

bool Archive::findByNameIgnoreCase(const WCHAR* name, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isNameText() && sameText(e.getNameString(), name, true);
  });
}

bool Archive::findNthOfType(int32_t type, int32_t n, int32_t* index) const {
  int32_t seen = 0;
  return findFirst(
      index, [&](const Entry& e) { return e.isTypeId() && e.getTypeId() == type && seen++ == n; });
}

bool Archive::findByTypeNameAndName(const WCHAR* type, const WCHAR* name, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isTypeText() && e.isNameText() && sameText(e.getTypeString(), type, false) &&
           sameText(e.getNameString(), name, false);
  });
}

bool Archive::findByTypeNameAndId(const WCHAR* type, uint32_t id, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isTypeText() && e.isNameId() && e.getNameId() == id &&
           sameText(e.getTypeString(), type, false);
  });
}

bool Archive::findByTypeAndName(int32_t type, const WCHAR* name, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isTypeId() && e.getTypeId() == type && e.isNameText() &&
           sameText(e.getNameString(), name, false);
  });
}

bool Archive::findByTypeAndId(int32_t type, uint32_t id, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isTypeId() && e.getTypeId() == type && e.isNameId() && e.getNameId() == id;
  });
}

bool Archive::findByTypeNameAndNameIgnoreCase(const WCHAR* type, const WCHAR* name,
                                              int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isTypeText() && e.isNameText() && sameText(e.getTypeString(), type, true) &&
           sameText(e.getNameString(), name, true);
  });
}

bool Archive::findByTypeAndNameIgnoreCase(int32_t type, const WCHAR* name, int32_t* index) const {
  return findFirst(index, [&](const Entry& e) {
    return e.isTypeId() && e.getTypeId() == type && e.isNameText() &&
           sameText(e.getNameString(), name, true);
  });
}

namespace {

// Loads the group entry at `index` into an icon or cursor archive by its name, and writes the
// whole file; a group none of whose images can be read makes no file.
template <typename FileArchive, typename LoadById, typename LoadByName, typename Write>
bool exportGroup(Archive& module, int32_t index, int32_t groupType, LoadById byId,
                 LoadByName byName, Write write) {
  if (index < 0 || index >= module.getEntryCount() || !module.getEntry(index)->isTypeId() ||
      module.getEntry(index)->getTypeId() != groupType) {
    return false;
  }
  FileArchive* archive = FileArchive::take();
  if (archive == nullptr) {
    return false;
  }
  const Entry* group = module.getEntry(index);
  const bool loaded = group->isNameId() ? (archive->*byId)(&module, group->getNameId())
                                        : (archive->*byName)(&module, group->getNameText());
  const bool ok = loaded && archive->getEntryCount() > 0 && write(archive);
  archive->release();
  return ok;
}

}  // namespace

bool Archive::exportGroupIcon(int32_t index, io::IOutputStream* output) {
  return exportGroup<icon::Archive>(*this, index, kGroupIcon, &icon::Archive::loadFromGroupIconId,
                                    &icon::Archive::loadFromGroupIconName,
                                    [&](icon::Archive* icons) { return icons->writeIco(output); });
}

bool Archive::exportGroupCursor(int32_t index, io::IOutputStream* output) {
  return exportGroup<cur::Archive>(
      *this, index, kGroupCursor, &cur::Archive::loadFromGroupCursorId,
      &cur::Archive::loadFromGroupCursorName,
      [&](cur::Archive* cursors) { return cursors->writeCur(output); });
}

bool Archive::extractBitmap(int32_t index, io::IOutputStream* output) {
  ArrayU08* dib = ArrayU08::take();
  bool ok = extractEntryBytes(index, dib) && dib->getCount() >= 12;
  uint64_t pixelsAt = 0;  // from the start of the bitmap header
  if (ok) {
    const uint8_t* p = dib->getItems();
    const uint32_t headerSize = get32(p);
    uint32_t bitCount = 0;
    uint64_t colours = 0;
    uint64_t tableBytes = 0;
    if (headerSize == 12) {  // the old core header: three-byte colour entries
      bitCount = get16(p + 10);
      colours = bitCount <= 8 ? 1u << bitCount : 0;
      tableBytes = colours * 3;
    } else if (headerSize >= 40 && headerSize <= dib->getCount()) {
      bitCount = get16(p + 14);
      const uint32_t compression = get32(p + 16);
      const uint32_t used = get32(p + 32);
      colours = used != 0 ? used : (bitCount <= 8 && bitCount != 0 ? 1u << bitCount : 0);
      tableBytes = colours * 4;
      // Masks follow a 40-byte header for bit fields (three) and alpha bit fields (four).
      if (headerSize == 40 && compression == 3) tableBytes += 12;
      if (headerSize == 40 && compression == 6) tableBytes += 16;
      // Embedded JPEG and PNG pictures have no bit count of their own.
      if (bitCount == 0 && compression != 4 && compression != 5) ok = false;
    } else {
      ok = false;
    }
    const bool knownDepth = bitCount == 0 || bitCount == 1 || bitCount == 4 || bitCount == 8 ||
                            bitCount == 16 || bitCount == 24 || bitCount == 32;
    pixelsAt = headerSize + tableBytes;
    ok = ok && knownDepth && pixelsAt <= dib->getCount();
  }
  constexpr uint32_t kFileHeader = 14;
  if (ok) {
    ArrayU08* file = ArrayU08::take();
    file->push('B');
    file->push('M');
    put32(file, kFileHeader + dib->getCount());
    put32(file, 0);
    put32(file, static_cast<uint32_t>(kFileHeader + pixelsAt));
    ok = io::writeFully(output, file->getItems(), file->getCount()) &&
         io::writeFully(output, dib->getItems(), dib->getCount());
    file->release();
  }
  dib->release();
  return ok;
}

namespace {

// Extracts the entry, turns its bytes into text with `dump` and writes the text as UTF-8 without
// a terminator; answers whether the entry could be read and the text written.
bool exportText(Archive& archive, int32_t index, io::IOutputStream* output,
                void (*dump)(const uint8_t*, uint32_t, StrBuffer*)) {
  if (output == nullptr) {
    return false;
  }
  ArrayU08* bytes = ArrayU08::take();
  bool ok = archive.extractEntryBytes(index, bytes);
  if (ok) {
    StrBuffer* text = StrBuffer::take();
    dump(bytes->getItems(), bytes->getCount(), text);
    ArrayU08* utf8 = text->encodeUtf8();
    ok = utf8 != nullptr && io::writeFully(output, utf8->getItems(), utf8->getCount());
    if (utf8 != nullptr) {
      utf8->release();
    }
    text->release();
  }
  bytes->release();
  return ok;
}

}  // namespace

bool Archive::exportVersionText(int32_t index, io::IOutputStream* output) {
  return exportText(*this, index, output, &dumpVersion);
}

bool Archive::exportStringsText(int32_t index, io::IOutputStream* output) {
  return exportText(*this, index, output, &dumpStrings);
}

bool Archive::exportAcceleratorText(int32_t index, io::IOutputStream* output) {
  return exportText(*this, index, output, &dumpAccelerators);
}

bool Archive::exportMenuText(int32_t index, io::IOutputStream* output) {
  return exportText(*this, index, output, &dumpMenu);
}

bool Archive::exportDialogText(int32_t index, io::IOutputStream* output) {
  return exportText(*this, index, output, &dumpDialog);
}

bool Archive::extractAll(const WCHAR* folder) {
  if (folder == nullptr || *folder == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  StrBuffer* base = StrBuffer::take();
  base->assign(folder);
  while (base->getLength() > 1 && (base->endsWith(u"\\") || base->endsWith(u"/"))) {
    base->setLength(base->getLength() - 1);
  }
  const bool made = makeFolder(base->getCStr());
  bool all = made;
  // One entry that cannot be written does not keep the others from their files.
  for (int32_t i = 0; made && i < getEntryCount(); ++i) {
    if (!extractOne(i, base->getCStr())) {
      all = false;
    }
  }
  base->release();
  return all;
}

bool Archive::extractOne(int32_t index, const WCHAR* folder) {
  Entry* entry = getEntry(index);
  const int32_t type = entry->isTypeId() ? entry->getTypeId() : -1;
  if (type == kCursor || type == kIcon) {
    return true;  // written with their groups
  }
  StrBuffer* path = StrBuffer::take();
  path->assign(folder);
  path->append(u"\\");
  appendSubFolder(path, entry);
  bool ok = true;
  if (path->getLength() > std::char_traits<char16_t>::length(folder) + 1) {
    ok = makeFolder(path->getCStr());
    path->append(u"\\");
  }
  if (type == kVersion) {
    path->append(u"VERSION");
  } else if (entry->isNameId()) {
    path->appendUInt32(entry->getNameId());
  } else {
    appendSafeName(path, entry->getNameText());
  }
  path->append(extensionOf(entry));
  if (ok && GetFileAttributesW(path->getCStr()) == INVALID_FILE_ATTRIBUTES) {
    auto* output = file::win::FileOutputStream::take();
    ok = output != nullptr && output->open(path->getCStr(), false);
    if (ok) {
      switch (type) {
        case kGroupIcon: ok = exportGroupIcon(index, output); break;
        case kGroupCursor: ok = exportGroupCursor(index, output); break;
        case kBitmap: ok = extractBitmap(index, output); break;
        case kVersion: ok = exportVersionText(index, output); break;
        case kString: ok = exportStringsText(index, output); break;
        case kDialog: ok = exportDialogText(index, output); break;
        case kAccelerator: ok = exportAcceleratorText(index, output); break;
        case kMenu: ok = exportMenuText(index, output); break;
        default: ok = extractEntry(entry, output); break;
      }
      // A file whose last bytes did not reach the disk is no extracted resource either.
      ok = output->close() && ok;
      if (!ok) {
        DeleteFileW(path->getCStr());
      }
    }
    if (output != nullptr) {
      output->release();
    }
  }
  path->release();
  return ok;
}

int32_t Archive::updateResource(const void* data, uint32_t size, const WCHAR* type,
                                const WCHAR* name, uint16_t language) {
  if (m_path == nullptr || type == nullptr || name == nullptr) {
    SetLastError(m_path == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return -1;
  }
  Entry* added = nullptr;
  if (m_module == nullptr || FindResourceExW(m_module, type, name, language) == nullptr) {
    added = Entry::take();
    if (added == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return -1;
    }
    added->setType(type);
    added->setName(name);
    added->setLanguage(language & 0x3FF);
    added->setSubLanguage(language >> 10);
    added->setSize(size);
    m_entries.push(added);
  }
  // The module is let go while its file is rewritten, and loaded again after.
  if (m_module != nullptr) {
    FreeLibrary(m_module);
    m_module = nullptr;
  }
  bool written = false;
  HANDLE update = BeginUpdateResourceW(m_path->getLongPath(), FALSE);
  if (update != nullptr) {
    if (UpdateResourceW(update, type, name, language, const_cast<void*>(data), size)) {
      written = EndUpdateResourceW(update, FALSE) != FALSE;
    } else {
      const DWORD error = GetLastError();
      EndUpdateResourceW(update, TRUE);
      SetLastError(error);
    }
  }
  const DWORD error = GetLastError();
  if (!written && added != nullptr) {
    m_entries.deleteAt(m_entries.getCount() - 1);
  }
  m_fileSize = fileSizeOf(m_path->getLongPath());
  m_module = LoadLibraryW(m_path->getLongPath());
  if (m_module == nullptr) {
    const DWORD loadError = GetLastError();
    close();
    SetLastError(written ? loadError : error);
    return -1;
  }
  findEntriesAgain();
  if (!written) {
    SetLastError(error);
    return -1;
  }
  return getEntryCount();
}

void Archive::findEntriesAgain() {
  for (uint32_t i = m_entries.getCount(); i-- > 0;) {
    Entry* entry = getEntry(static_cast<int32_t>(i));
    HRSRC handle = FindResourceExW(m_module, entry->getTypeArgument(), entry->getNameArgument(),
                                   entry->getLangId());
    if (handle == nullptr) {
      m_entries.deleteAt(i);  // its resource was deleted
      continue;
    }
    entry->setHandle(handle);
    entry->setSize(SizeofResource(m_module, handle));
  }
}

}  // namespace s::archive::dll::win
