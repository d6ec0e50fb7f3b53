// Language identification: the system's own language codes and names, and the user's interface
// language by name.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::lang {

/// The language codes: a base language is its base number times 65536 (ENGLISH is 250 * 65536);
/// six variants add a sub-number in the low 16 bits (CHINESE_SIMPLIFIED is 170 * 65536 + 170).
constexpr int32_t kNoLanguage = -1;
constexpr int32_t languageCode(int32_t base, int32_t variant = 0) { return base * 65536 + variant; }

/// The language code of a platform language identifier, or kNoLanguage. Twenty identifiers
/// stand for a variant or a language of their own (Chinese scripts, Croatian, Portuguese of
/// Brazil and Portugal, Serbian scripts, Bosnian, the Sorbian languages); any other is taken by
/// its primary language.
int32_t getLanguageCode(LANGID langId);

/// The upper-case name of a code ("GERMAN", "CHINESE_SIMPLIFIED"), or "Unknown".
const WCHAR* getLanguageName(int32_t code);

/// The name of the user's interface language as language packs carry it: the name of its code
/// lower-cased with the first letter upper-cased ("English", "Chinese_simplified", "Unknown").
/// Built on the first call and kept for the life of the process.
const WCHAR* getSystemLanguageName();

}  // namespace s::lang
