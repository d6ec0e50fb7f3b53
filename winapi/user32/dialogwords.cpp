// The words of the layer's message box and common dialogs in the user's interface language, from
// the language files built in.
#include "winapi/user32/DialogWords.h"

#include "winapi/base/utf8.h"

#include <string>
#include <string_view>

namespace winapi::dialogs {

extern const char* const kTextFiles[];
extern const size_t kTextFileCount;

// The English words, the source of the language files and what any language lacks falls back to.
const char16_t* englishText(Text id) {
  switch (id) {
    case Text::Open: return u"Open";
    case Text::SaveAs: return u"Save As";
    case Text::OpenButton: return u"&Open";
    case Text::SaveButton: return u"&Save";
    case Text::Cancel: return u"Cancel";
    case Text::FileName: return u"File &name:";
    case Text::FilesOfType: return u"Files of &type:";
    case Text::Up: return u"&Up";
    case Text::Home: return u"&Home";
    case Text::Desktop: return u"&Desktop";
    case Text::FileSystem: return u"File &System";
    case Text::FileNotFound: return u"File not found.";
    case Text::PathNotFound: return u"The path does not exist.";
    case Text::ReplacePrompt: return u"%s already exists. Do you want to replace it?";
    case Text::OneFolder: return u"The chosen files must be in one folder.";
    case Text::BrowseForFolder: return u"Browse For Folder";
    case Text::Folder: return u"&Folder:";
    case Text::NoSuchFolder: return u"The folder does not exist.";
    case Text::OK: return u"OK";
    case Text::Color: return u"Color";
    case Text::BasicColors: return u"&Basic colors:";
    case Text::CustomColors: return u"&Custom colors:";
    case Text::DefineCustomColors: return u"&Define Custom Colors >>";
    case Text::AddToCustomColors: return u"&Add to Custom Colors";
    case Text::Hue: return u"Hu&e:";
    case Text::Sat: return u"&Sat:";
    case Text::Lum: return u"&Lum:";
    case Text::Red: return u"&Red:";
    case Text::Green: return u"&Green:";
    case Text::Blue: return u"Bl&ue:";
    case Text::Abort: return u"&Abort";
    case Text::Retry: return u"&Retry";
    case Text::Ignore: return u"&Ignore";
    case Text::Yes: return u"&Yes";
    case Text::No: return u"&No";
    case Text::TryAgain: return u"&Try Again";
    case Text::Continue: return u"&Continue";
  }
  return u"";
}

namespace {

constexpr size_t kTextCount = static_cast<size_t>(Text::Continue) + 1;

struct Language {
  std::string tag;
  std::vector<std::u16string> texts = std::vector<std::u16string>(kTextCount);
  std::vector<bool> present = std::vector<bool>(kTextCount, false);
};

// The pack's few escapes: "&gt;", "&lt;", "&#160;" and "&#10;".
std::u16string unescape(std::string_view bytes) {
  std::string plain;
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto starts = [&](std::string_view what) { return bytes.substr(i, what.size()) == what; };
    if (starts("&gt;")) {
      plain += '>';
      i += 3;
    } else if (starts("&lt;")) {
      plain += '<';
      i += 3;
    } else if (starts("&#160;")) {
      plain += "\xC2\xA0";
      i += 5;
    } else if (starts("&#10;")) {
      plain += '\n';
      i += 4;
    } else {
      plain += bytes[i];
    }
  }
  std::u16string out;
  utf8::toUtf16(plain, out);
  return out;
}

Language parseLanguage(std::string_view file) {
  Language language;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    std::string_view name = line.substr(0, tab), value = line.substr(tab + 1);
    if (name == "tagName") {
      language.tag = std::string(value);
      continue;
    }
    size_t id = 0;
    bool number = !name.empty();
    for (char c : name) {
      number = number && c >= '0' && c <= '9';
      id = id * 10 + static_cast<size_t>(c - '0');
    }
    if (!number || id < 1 || id > kTextCount) continue;
    language.texts[id - 1] = unescape(value);
    language.present[id - 1] = true;
  }
  return language;
}

const std::vector<Language>& languages() {
  static const std::vector<Language> all = [] {
    std::vector<Language> out;
    for (size_t i = 0; i < kTextFileCount; ++i) out.push_back(parseLanguage(kTextFiles[i]));
    return out;
  }();
  return all;
}

// The language file of a Windows language identifier; English for any other language.
std::string_view tagOf(LANGID id) {
  const WORD primary = PRIMARYLANGID(id), sub = SUBLANGID(id);
  switch (primary) {
    case 0x01: return "ara";
    case 0x02: return "bul";
    case 0x04: return sub == 0x02 || sub == 0x04 ? "zhs" : "zht";
    case 0x05: return "cze";
    case 0x06: return "dan";
    case 0x07: return "deu";
    case 0x08: return "ell";
    case 0x0A: return "spa";
    case 0x0B: return "fin";
    case 0x0C: return "fra";
    case 0x0D: return "heb";
    case 0x0E: return "hun";
    case 0x10: return "ita";
    case 0x11: return "jpn";
    case 0x12: return "kor";
    case 0x13: return "nld";
    case 0x14: return "nor";
    case 0x15: return "pol";
    case 0x16: return sub == 0x01 ? "bra" : "por";
    case 0x18: return "rom";
    case 0x19: return "rus";
    case 0x1A:
      // Croatian, Serbian in Latin and Serbian in Cyrillic share one primary language.
      if (sub == 0x01 || sub == 0x04) return "hrv";
      if (sub == 0x03 || sub == 0x07 || sub == 0x0A || sub == 0x0C) return "cpn";
      return "srp";
    case 0x1B: return "slk";
    case 0x1D: return "swe";
    case 0x1E: return "tha";
    case 0x1F: return "tur";
    case 0x21: return "ind";
    case 0x22: return "ukr";
    case 0x23: return "bel";
    case 0x24: return "slv";
    case 0x25: return "est";
    case 0x29: return "per";
    case 0x2A: return "vie";
    case 0x39: return "hin";
    default: return "eng";
  }
}

size_t countOf(std::u16string_view text, std::u16string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::u16string_view::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

}  // namespace

const char16_t* text(Text id) {
  const size_t index = static_cast<size_t>(id);
  const std::string_view tag = tagOf(GetUserDefaultUILanguage());
  for (const Language& language : languages()) {
    if (language.tag == tag && index < kTextCount && language.present[index]) return language.texts[index].c_str();
  }
  return englishText(id);
}

std::vector<std::string> textProblems() {
  std::vector<std::string> problems;
  const Language* english = nullptr;
  for (const Language& language : languages()) {
    if (language.tag == "eng") english = &language;
  }
  if (english == nullptr) return {"no English texts"};
  for (size_t i = 0; i < kTextCount; ++i) {
    if (english->texts[i] != englishText(static_cast<Text>(i)))
      problems.push_back("eng: text " + std::to_string(i + 1) + " differs from the layer's own");
  }
  for (const Language& language : languages()) {
    for (size_t i = 0; i < kTextCount; ++i) {
      const std::string where = language.tag + ": text " + std::to_string(i + 1);
      const std::u16string& t = language.texts[i];
      if (!language.present[i] || t.empty()) {
        problems.push_back(where + " is missing");
        continue;
      }
      // One mnemonic where English has one (none where it has none), and every placeholder.
      const size_t marks = countOf(t, u"&"), englishMarks = countOf(english->texts[i], u"&");
      if (marks != englishMarks) problems.push_back(where + " has " + std::to_string(marks) + " mnemonics");
      if (countOf(t, u"%s") != countOf(english->texts[i], u"%s")) problems.push_back(where + " lost its %s");
    }
  }
  return problems;
}

}  // namespace winapi::dialogs
