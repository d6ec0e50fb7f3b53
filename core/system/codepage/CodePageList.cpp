// The process-wide list of named code pages.
#include "core/system/codepage/CodePageList.h"

#include "core/cleaner/CleanerIObject.h"
#include "core/col/array/Sort.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ObjLocker.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace s::system::codepage {

namespace {

struct KnownCodePage {
  int32_t number;
  const WCHAR* name;
};

// The code pages the list may show, with their display names; the list never shows another.
constexpr KnownCodePage kKnown[] = {
    {850, u"Western (IBM-850)"},
    {852, u"Central European (IBM-852)"},
    {855, u"Cyrillic (IBM-855)"},
    {857, u"Turkish (IBM-857)"},
    {866, u"Russian (CP-866)"},
    {874, u"Thai (Windows-874)"},
    {932, u"Japanese (Shift_JIS)"},
    {936, u"Chinese Simplified (GBK)"},
    {949, u"Korean (UHC)"},
    {950, u"Chinese Traditional (Big5)"},
    {1200, u"UTF-16"},
    {1201, u"UTF-16BE"},
    {1250, u"Central European (Windows-1250)"},
    {1251, u"Cyrillic (Windows-1251)"},
    {1252, u"Western (Windows-1252)"},
    {1253, u"Greek (Windows-1253)"},
    {1254, u"Turkish (Windows-1254)"},
    {1255, u"Hebrew (Windows-1255)"},
    {1256, u"Arabic (Windows-1256)"},
    {1257, u"Baltic (Windows-1257)"},
    {1258, u"Vietnamese (Windows-1258)"},
    {1361, u"Korean (JOHAB)"},
    {20000, u"Chinese Traditional (CNS)"},
    {20127, u"English (ASCII)"},
    {20866, u"Russian (KOI8)"},
    {20932, u"Japanese (EUC-JP)"},
    {20936, u"Chinese Simplified (GB2312)"},
    {21866, u"Ukrainian (KOI8-U)"},
    {28591, u"Western (ISO 8859-1)"},
    {28592, u"Central European (ISO 8859-2)"},
    {28594, u"Baltic (ISO 8859-4)"},
    {28595, u"Cyrillic (ISO 8859-5)"},
    {28597, u"Greek (ISO 8859-7)"},
    {28599, u"Turkish (ISO 8859-9)"},
    {28605, u"Western (ISO 8859-15)"},
    {50220, u"Japanese (ISO-2022-JP)"},
    {50225, u"Korean (ISO-2022-KR)"},
    {50227, u"Chinese Simplified (ISO-2022-CN)"},
    {50229, u"Chinese Traditional (Big5-HKSCS)"},
    {51949, u"Korean (EUC-KR)"},
    {52936, u"Chinese Simplified (HZ)"},
    {54936, u"Chinese Simplified (GB18030)"},
    {65001, u"UTF-8"},
};

constexpr int32_t kUtf8 = 65001;

struct CodePageList {
  thread::ObjLocker lock;
  col::_array::ArrayP* entries = nullptr;
  CodePage* utf8 = nullptr;
  CodePage* utf16 = nullptr;
  CodePage* utf16BigEndian = nullptr;
  std::atomic<bool> loaded{false};
};

// Kept for the life of the process: entries may be read while it exits.
CodePageList& list() {
  static CodePageList* const s_list = new CodePageList();
  return *s_list;
}

// The numbers the enumeration reports, collected for the one call that builds the list.
thread_local col::_array::ArrayP* t_collecting = nullptr;

// The platform reports each number as decimal text; anything that does not parse as one is
// skipped, as is any number the table does not know.
BOOL CALLBACK collectCodePage(LPWSTR text) {
  int64_t number = 0;
  int digits = 0;
  for (const WCHAR* p = text; p != nullptr && *p >= u'0' && *p <= u'9' && digits < 10;
       ++p, ++digits) {
    number = number * 10 + (*p - u'0');
  }
  if (digits == 0 || text[digits] != 0) {
    return TRUE;
  }
  const WCHAR* name = getCodePageDisplayName(static_cast<int32_t>(number));
  if (name != nullptr) {
    CodePage* entry = CodePage::takeNamed(static_cast<int32_t>(number), name);
    if (entry != nullptr) {
      t_collecting->push(static_cast<base::IObject*>(entry));
    }
  }
  return TRUE;
}

CodePage* entryAt(const col::_array::ArrayP* entries, uint32_t index) {
  return static_cast<CodePage*>(static_cast<base::IObject*>(entries->getItems()[index]));
}

CodePage* firstNumbered(const col::_array::ArrayP* entries, int32_t number) {
  for (uint32_t i = 0; i < entries->getCount(); ++i) {
    if (entryAt(entries, i)->getCodePage() == number) {
      return entryAt(entries, i);
    }
  }
  return nullptr;
}

CodePage* findOrAppend(col::_array::ArrayP* entries, int32_t number) {
  CodePage* entry = firstNumbered(entries, number);
  if (entry == nullptr) {
    entry = CodePage::takeNamed(number, getCodePageDisplayName(number));
    entries->push(static_cast<base::IObject*>(entry));
  }
  return entry;
}

}  // namespace

const WCHAR* getCodePageDisplayName(int32_t codePage) {
  for (const KnownCodePage& known : kKnown) {
    if (known.number == codePage) {
      return known.name;
    }
  }
  return nullptr;
}

int32_t compareByName(const void* a, const void* b, void*) {
  const auto* first = static_cast<const CodePage*>(static_cast<const base::IObject*>(a));
  const auto* second = static_cast<const CodePage*>(static_cast<const base::IObject*>(b));
  return first->getName()->compareToIgnoreCase(second->getName());
}

void loadCodePageList() {
  CodePageList& l = list();
  if (l.loaded.load(std::memory_order_acquire)) {
    return;
  }
  std::lock_guard guard(l.lock);
  if (l.loaded.load(std::memory_order_relaxed)) {
    return;
  }
  auto* entries = col::_array::ArrayP::take();
  entries->setDisposer(cleaner::CleanerIObject::instance());
  t_collecting = entries;
  EnumSystemCodePagesW(&collectCodePage, CP_SUPPORTED);
  t_collecting = nullptr;
  l.utf8 = firstNumbered(entries, kUtf8);
  l.utf16 = findOrAppend(entries, CodePage::kUtf16);
  l.utf16BigEndian = findOrAppend(entries, CodePage::kUtf16BigEndian);
  col::_array::sortPointersAscending(entries->getItems(), entries->getCount(), &compareByName);
  l.entries = entries;
  l.loaded.store(true, std::memory_order_release);
}

const col::_array::ArrayP& getCodePageList() {
  loadCodePageList();
  return *list().entries;
}

CodePage* getCodePageAt(uint32_t index) { return entryAt(&getCodePageList(), index); }

CodePage* getUtf8CodePage() {
  loadCodePageList();
  return list().utf8;
}

CodePage* getUtf16CodePage() {
  loadCodePageList();
  return list().utf16;
}

CodePage* getUtf16BigEndianCodePage() {
  loadCodePageList();
  return list().utf16BigEndian;
}

int32_t indexOfUtf8() {
  const col::_array::ArrayP& entries = getCodePageList();
  for (uint32_t i = 0; i < entries.getCount(); ++i) {
    const str::strbuffer::StrBuffer* name = entryAt(&entries, i)->getName();
    if (name->getLength() == 5 && name->startsWithIgnoreCase(u"UTF-8")) {
      return static_cast<int32_t>(i);
    }
  }
  return 0;
}

CodePage* getOemCodePage() {
  const col::_array::ArrayP& entries = getCodePageList();
  const auto oem = static_cast<int32_t>(GetOEMCP());
  CodePage* entry = firstNumbered(&entries, oem);
  return entry != nullptr ? entry : entryAt(&entries, static_cast<uint32_t>(indexOfUtf8()));
}

}  // namespace s::system::codepage
