// The process-wide list of named code pages: the ones the system supports that have a display
// name, plus UTF-16 and UTF-16BE, sorted by name.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/system/codepage/CodePage.h"

#include <cstdint>

namespace s::system::codepage {

/// Builds the list once, under its lock: every code page that EnumSystemCodePagesW reports and
/// the display-name table knows, plus UTF-16 (1200) and UTF-16BE (1201) when they are missing,
/// sorted by display name with A-Z folded (stable). Later calls do nothing. Every function below
/// calls it first.
void loadCodePageList();

/// The list: CodePage entries, owned by the list and kept until the process ends. After loading
/// it is only read, by any thread, without a lock.
const col::_array::ArrayP& getCodePageList();
/// The entry at `index` of the list (not checked).
CodePage* getCodePageAt(uint32_t index);

/// The remembered entries: UTF-8 (null when the system does not report 65001), UTF-16 and
/// UTF-16BE (always there).
CodePage* getUtf8CodePage();
CodePage* getUtf16CodePage();
CodePage* getUtf16BigEndianCodePage();

/// The index of the entry named "UTF-8" (A-Z folded), 0 when there is none.
int32_t indexOfUtf8();
/// The entry of the system's OEM code page; when the list has none, the entry at `indexOfUtf8`.
CodePage* getOemCodePage();

/// The display name the list gives a code-page number, or null for a number it never lists.
const WCHAR* getCodePageDisplayName(int32_t codePage);

/// The list's order: two CodePage entries (pointer-sort elements) by display name, A-Z folded.
int32_t compareByName(const void* a, const void* b, void* user);

}  // namespace s::system::codepage
