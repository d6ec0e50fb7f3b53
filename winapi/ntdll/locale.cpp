// GetACP and GetOEMCP, derived once from the user's POSIX locale the way Windows derives them
// from the system locale (ru -> 1251/866, ja -> 932/932, de -> 1252/850, en_US -> 1252/437 ...).
// Left out: per-thread code pages (CP_THREAD_ACP is the ANSI code page).
#include <windows.h>
#include <winseam.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

struct CodePagePair {
  UINT ansi;
  UINT oem;
};

struct LanguageEntry {
  const char* language;
  CodePagePair pages;
};

// Languages by their ISO 639 code. Territory and script are looked at separately below.
// clang-format off
constexpr LanguageEntry kLanguages[] = {
    // Central European
    {"cs", {1250, 852}}, {"sk", {1250, 852}}, {"pl", {1250, 852}}, {"hu", {1250, 852}},
    {"hr", {1250, 852}}, {"sl", {1250, 852}}, {"ro", {1250, 852}}, {"sq", {1250, 852}},
    {"bs", {1250, 852}}, {"hsb", {1250, 852}}, {"dsb", {1250, 852}}, {"tk", {1250, 852}},
    // Cyrillic
    {"ru", {1251, 866}}, {"uk", {1251, 866}}, {"be", {1251, 866}}, {"bg", {1251, 866}},
    {"mk", {1251, 866}}, {"kk", {1251, 866}}, {"ky", {1251, 866}}, {"tt", {1251, 866}},
    {"mn", {1251, 866}}, {"ba", {1251, 866}}, {"sah", {1251, 866}}, {"tg", {1251, 866}},
    {"sr", {1251, 855}},
    // Greek, Turkish, Hebrew, Arabic script, Baltic, Vietnamese, Thai
    {"el", {1253, 737}}, {"tr", {1254, 857}}, {"az", {1254, 857}}, {"uz", {1254, 857}},
    {"he", {1255, 862}}, {"iw", {1255, 862}}, {"yi", {1255, 862}},
    {"ar", {1256, 720}}, {"fa", {1256, 720}}, {"ur", {1256, 720}}, {"ps", {1256, 720}},
    {"ug", {1256, 720}}, {"ckb", {1256, 720}},
    {"lt", {1257, 775}}, {"lv", {1257, 775}}, {"et", {1257, 775}},
    {"vi", {1258, 1258}}, {"th", {874, 874}},
    // East Asian (Chinese depends on the territory, below)
    {"ja", {932, 932}}, {"ko", {949, 949}},
    // Western
    {"en", {1252, 850}}, {"de", {1252, 850}}, {"fr", {1252, 850}}, {"it", {1252, 850}},
    {"es", {1252, 850}}, {"pt", {1252, 850}}, {"nl", {1252, 850}}, {"da", {1252, 850}},
    {"sv", {1252, 850}}, {"nb", {1252, 850}}, {"nn", {1252, 850}}, {"no", {1252, 850}},
    {"fi", {1252, 850}}, {"is", {1252, 850}}, {"fo", {1252, 850}}, {"ga", {1252, 850}},
    {"gd", {1252, 850}}, {"cy", {1252, 850}}, {"br", {1252, 850}}, {"ca", {1252, 850}},
    {"eu", {1252, 850}}, {"gl", {1252, 850}}, {"oc", {1252, 850}}, {"co", {1252, 850}},
    {"af", {1252, 850}}, {"id", {1252, 850}}, {"ms", {1252, 850}}, {"sw", {1252, 850}},
    {"lb", {1252, 850}}, {"rm", {1252, 850}}, {"fy", {1252, 850}}, {"fil", {1252, 850}},
    {"tl", {1252, 850}}, {"zu", {1252, 850}}, {"xh", {1252, 850}}, {"st", {1252, 850}},
};
// clang-format on

// United States English, the C locale and languages without a code page of their own
// (Windows cannot make them the system locale) keep the defaults of a US system.
constexpr CodePagePair kUnitedStates{1252, 437};

std::string_view localeName() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) return value;
  }
  return "C";
}

CodePagePair derive(std::string_view locale) {
  // language[_territory][.codeset][@modifier]
  size_t end = locale.find_first_of("_.@");
  std::string_view language = locale.substr(0, end);
  std::string_view territory;
  if (end != std::string_view::npos && locale[end] == '_') {
    std::string_view rest = locale.substr(end + 1);
    territory = rest.substr(0, rest.find_first_of(".@"));
  }
  std::string_view modifier;
  if (size_t at = locale.find('@'); at != std::string_view::npos) modifier = locale.substr(at + 1);

  if (language == "zh") {
    bool traditional = territory == "TW" || territory == "HK" || territory == "MO";
    return traditional ? CodePagePair{950, 950} : CodePagePair{936, 936};
  }
  if (language == "en" && (territory.empty() || territory == "US")) return kUnitedStates;
  // Serbian and Bosnian have a Latin and a Cyrillic form; Uzbek and Azeri a Latin and a
  // Cyrillic one too.
  if ((language == "sr" || language == "bs") && modifier == "latin") return {1250, 852};
  if (language == "bs" && modifier == "cyrillic") return {1251, 855};
  if ((language == "uz" || language == "az") && modifier == "cyrillic") return {1251, 866};
  for (const LanguageEntry& entry : kLanguages) {
    if (language == entry.language) return entry.pages;
  }
  return kUnitedStates;
}

CodePagePair userCodePages() {
  static const CodePagePair pages = derive(localeName());
  return pages;
}

UINT WINAPI realGetACP() { return userCodePages().ansi; }
UINT WINAPI realGetOEMCP() { return userCodePages().oem; }

std::atomic<winapi::seam::CodePageFunction> s_getACP{&realGetACP};
std::atomic<winapi::seam::CodePageFunction> s_getOEMCP{&realGetOEMCP};

}  // namespace

namespace winapi::seam {
CodePageFunction replaceGetACP(CodePageFunction replacement) {
  return s_getACP.exchange(replacement != nullptr ? replacement : &realGetACP);
}
CodePageFunction replaceGetOEMCP(CodePageFunction replacement) {
  return s_getOEMCP.exchange(replacement != nullptr ? replacement : &realGetOEMCP);
}

void codePagesOfLocale(const char* locale, UINT* ansi, UINT* oem) {
  CodePagePair pages = derive(locale != nullptr ? locale : "C");
  *ansi = pages.ansi;
  *oem = pages.oem;
}
}  // namespace winapi::seam

extern "C" UINT WINAPI GetACP(void) { return s_getACP.load()(); }

extern "C" UINT WINAPI GetOEMCP(void) { return s_getOEMCP.load()(); }
