// The user's interface language, taken from the POSIX locale of the environment.
// Status: GetUserDefaultUILanguage. The first of LC_ALL, LC_MESSAGES and LANG that is set names
// the locale, as for POSIX message catalogues; "C", "POSIX" or none is English (United States).
#include <windows.h>

#include "winapi/base/ascii.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct Language {
  std::string_view code;  // ISO 639 code as glibc's locale names use it
  WORD primary;
  WORD sub;  // the sub-language of the language's main country
};

// The languages Windows has a primary language identifier for, by their ISO 639 codes.
// clang-format off
constexpr Language kLanguages[] = {
    {"af", LANG_AFRIKAANS, 1},   {"am", LANG_AMHARIC, 1},    {"ar", LANG_ARABIC, 1},
    {"as", LANG_ASSAMESE, 1},    {"az", LANG_AZERI, 1},      {"ba", LANG_BASHKIR, 1},
    {"be", LANG_BELARUSIAN, 1},  {"bg", LANG_BULGARIAN, 1},  {"bn", LANG_BENGALI, 1},
    {"bo", LANG_TIBETAN, 1},     {"br", LANG_BRETON, 1},     {"bs", LANG_BOSNIAN, 5},
    {"ca", LANG_CATALAN, 1},     {"co", LANG_CORSICAN, 1},   {"cs", LANG_CZECH, 1},
    {"cy", LANG_WELSH, 1},       {"da", LANG_DANISH, 1},     {"de", LANG_GERMAN, 1},
    {"dsb", LANG_LOWER_SORBIAN, 2}, {"dv", LANG_DIVEHI, 1},  {"el", LANG_GREEK, 1},
    {"en", LANG_ENGLISH, 1},     {"es", LANG_SPANISH, 3},    {"et", LANG_ESTONIAN, 1},
    {"eu", LANG_BASQUE, 1},      {"fa", LANG_PERSIAN, 1},    {"fi", LANG_FINNISH, 1},
    {"fil", LANG_FILIPINO, 1},   {"fo", LANG_FAEROESE, 1},   {"fr", LANG_FRENCH, 1},
    {"fy", LANG_FRISIAN, 1},     {"ga", LANG_IRISH, 2},      {"gl", LANG_GALICIAN, 1},
    {"gu", LANG_GUJARATI, 1},    {"ha", LANG_HAUSA, 1},      {"he", LANG_HEBREW, 1},
    {"hi", LANG_HINDI, 1},       {"hr", LANG_CROATIAN, 1},   {"hsb", LANG_UPPER_SORBIAN, 1},
    {"hu", LANG_HUNGARIAN, 1},   {"hy", LANG_ARMENIAN, 1},   {"id", LANG_INDONESIAN, 1},
    {"ig", LANG_IGBO, 1},        {"is", LANG_ICELANDIC, 1},  {"it", LANG_ITALIAN, 1},
    {"iu", LANG_INUKTITUT, 1},   {"iw", LANG_HEBREW, 1},     {"ja", LANG_JAPANESE, 1},
    {"ka", LANG_GEORGIAN, 1},    {"kk", LANG_KAZAK, 1},      {"kl", LANG_GREENLANDIC, 1},
    {"km", LANG_KHMER, 1},       {"kn", LANG_KANNADA, 1},    {"ko", LANG_KOREAN, 1},
    {"kok", LANG_KONKANI, 1},    {"ks", LANG_KASHMIRI, 1},   {"ky", LANG_KYRGYZ, 1},
    {"lb", LANG_LUXEMBOURGISH, 1}, {"lo", LANG_LAO, 1},      {"lt", LANG_LITHUANIAN, 1},
    {"lv", LANG_LATVIAN, 1},     {"mi", LANG_MAORI, 1},      {"mk", LANG_MACEDONIAN, 1},
    {"ml", LANG_MALAYALAM, 1},   {"mn", LANG_MONGOLIAN, 1},  {"mr", LANG_MARATHI, 1},
    {"ms", LANG_MALAY, 1},       {"mt", LANG_MALTESE, 1},    {"nb", LANG_NORWEGIAN, 1},
    {"ne", LANG_NEPALI, 1},      {"nl", LANG_DUTCH, 1},      {"nn", LANG_NORWEGIAN, 2},
    {"no", LANG_NORWEGIAN, 1},   {"oc", LANG_OCCITAN, 1},    {"or", LANG_ORIYA, 1},
    {"pa", LANG_PUNJABI, 1},     {"pl", LANG_POLISH, 1},     {"ps", LANG_PASHTO, 1},
    {"pt", LANG_PORTUGUESE, 2},  {"rm", LANG_ROMANSH, 1},    {"ro", LANG_ROMANIAN, 1},
    {"ru", LANG_RUSSIAN, 1},     {"rw", LANG_KINYARWANDA, 1}, {"sa", LANG_SANSKRIT, 1},
    {"sah", LANG_YAKUT, 1},      {"sd", LANG_SINDHI, 2},     {"se", LANG_SAMI, 1},
    {"si", LANG_SINHALESE, 1},   {"sk", LANG_SLOVAK, 1},     {"sl", LANG_SLOVENIAN, 1},
    {"sq", LANG_ALBANIAN, 1},    {"sr", LANG_SERBIAN, 3},    {"sv", LANG_SWEDISH, 1},
    {"sw", LANG_SWAHILI, 1},     {"syr", LANG_SYRIAC, 1},    {"ta", LANG_TAMIL, 1},
    {"te", LANG_TELUGU, 1},      {"tg", LANG_TAJIK, 1},      {"th", LANG_THAI, 1},
    {"ti", LANG_TIGRIGNA, 2},    {"tk", LANG_TURKMEN, 1},    {"tn", LANG_TSWANA, 1},
    {"tr", LANG_TURKISH, 1},     {"tt", LANG_TATAR, 1},      {"ug", LANG_UIGHUR, 1},
    {"uk", LANG_UKRAINIAN, 1},   {"ur", LANG_URDU, 1},       {"uz", LANG_UZBEK, 1},
    {"vi", LANG_VIETNAMESE, 1},  {"wo", LANG_WOLOF, 1},      {"xh", LANG_XHOSA, 1},
    {"yo", LANG_YORUBA, 1},      {"zh", LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED},
    {"zu", LANG_ZULU, 1},
};
// clang-format on

struct Regional {
  std::string_view code;
  std::string_view territory;
  std::string_view modifier;  // empty: any
  LANGID id;
};

// Countries and scripts that have an identifier of their own where the interface language
// depends on it: the script of Chinese, Serbian and Bosnian, the Portuguese of Brazil, and the
// main variants of the widest-spread languages.
// clang-format off
constexpr Regional kRegional[] = {
    {"zh", "TW", "", 0x0404},        {"zh", "HK", "", 0x0C04},       {"zh", "MO", "", 0x1404},
    {"zh", "SG", "", 0x1004},        {"zh", "CN", "", 0x0804},       {"pt", "BR", "", 0x0416},
    {"sr", "BA", "latin", 0x181A},   {"sr", "BA", "", 0x1C1A},       {"sr", "", "latin", 0x081A},
    {"bs", "", "cyrillic", 0x201A},  {"hr", "BA", "", 0x101A},       {"en", "GB", "", 0x0809},
    {"en", "AU", "", 0x0C09},        {"en", "CA", "", 0x1009},       {"en", "NZ", "", 0x1409},
    {"en", "IE", "", 0x1809},        {"en", "ZA", "", 0x1C09},       {"en", "IN", "", 0x4009},
    {"de", "CH", "", 0x0807},        {"de", "AT", "", 0x0C07},       {"de", "LU", "", 0x1007},
    {"fr", "BE", "", 0x080C},        {"fr", "CA", "", 0x0C0C},       {"fr", "CH", "", 0x100C},
    {"es", "MX", "", 0x080A},        {"es", "AR", "", 0x2C0A},       {"es", "US", "", 0x540A},
    {"nl", "BE", "", 0x0813},        {"it", "CH", "", 0x0810},       {"sv", "FI", "", 0x081D},
};
// clang-format on

constexpr LANGID kEnglishUnitedStates = 0x0409;

struct LocaleName {
  std::string language, territory, modifier;
};

// "language[_territory][.codeset][@modifier]"
LocaleName parse(std::string_view name) {
  LocaleName parts;
  size_t at = name.find('@');
  if (at != std::string_view::npos) {
    parts.modifier = name.substr(at + 1);
    name = name.substr(0, at);
  }
  name = name.substr(0, name.find('.'));
  size_t underscore = name.find('_');
  parts.language = name.substr(0, underscore);
  if (underscore != std::string_view::npos) parts.territory = name.substr(underscore + 1);
  for (char& c : parts.language) c = winapi::ascii::toLower(c);
  for (char& c : parts.territory) c = winapi::ascii::toUpper(c);
  for (char& c : parts.modifier) c = winapi::ascii::toLower(c);
  return parts;
}

// The first matching row wins, so a row with a modifier stands before the same row without.
LANGID languageOf(const LocaleName& locale) {
  for (const Regional& r : kRegional) {
    if (r.code == locale.language && (r.territory.empty() || r.territory == locale.territory) &&
        (r.modifier.empty() || r.modifier == locale.modifier)) {
      return r.id;
    }
  }
  for (const Language& l : kLanguages) {
    if (l.code == locale.language) return MAKELANGID(l.primary, l.sub);
  }
  return kEnglishUnitedStates;  // a language Windows has no identifier for
}

}  // namespace

extern "C" LANGID WINAPI GetUserDefaultUILanguage(void) {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] == 0) continue;
    if (std::strcmp(value, "C") == 0 || std::strcmp(value, "POSIX") == 0 || std::strncmp(value, "C.", 2) == 0) {
      return kEnglishUnitedStates;
    }
    return languageOf(parse(value));
  }
  return kEnglishUnitedStates;
}
