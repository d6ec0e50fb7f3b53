// Reading and checking the language files.
#include "tools/langpack/LangSource.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace tools::langpack {

namespace {

namespace fs = std::filesystem;

constexpr const char* kKeptEntities[] = {"&amp;", "&lt;", "&gt;", "&#160;", "&#10;", "&#13;"};

std::string joinMessages(const std::vector<std::string>& messages) {
  std::string all;
  for (const auto& m : messages) all += (all.empty() ? "" : "\n") + m;
  return all;
}

/// Collects problems with their place.
class Problems {
 public:
  void add(const std::string& file, int line, const std::string& message) {
    m_messages.push_back(file + ":" + std::to_string(line) + ": " + message);
  }
  void throwIfAny() const {
    if (!m_messages.empty()) throw SourceError(m_messages);
  }

 private:
  std::vector<std::string> m_messages;
};

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

/// A tag names the language's element in the pack, so it must be a plain element name.
bool isValidTag(const std::string& tag) {
  return !tag.empty() && tag.size() <= 16 && isAsciiLetter(tag[0]) &&
         std::all_of(tag.begin(), tag.end(),
                     [](char c) { return isAsciiLetter(c) || isAsciiDigit(c); });
}

/// Length of the well-formed UTF-8 sequence at `at`, or 0: no overlong forms, no surrogates,
/// nothing above U+10FFFF, since the program decodes every text into UTF-16.
size_t utf8SequenceLength(const std::string& s, size_t at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b = byte(at);
  size_t length;
  uint32_t code;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    code = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    code = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    code = b & 0x07;
  } else {
    return 0;
  }
  if (at + length > s.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
    return 0;
  if (code >= 0xD800 && code <= 0xDFFF) return 0;
  return length;
}

bool isValidUtf8(const std::string& s) {
  for (size_t at = 0; at < s.size();) {
    size_t length = utf8SequenceLength(s, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

/// What is wrong with a text as written in a language file, or "" when nothing is.
std::string textProblem(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F)
      return "control character in the text (write &#10; for a line break)";
  }
  // The pack's reader drops plain whitespace at either end of a text.
  if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) {
    return "the text begins or ends with a plain space, which would be dropped: write &#160; for "
           "it";
  }
  for (size_t at = text.find('&'); at != std::string::npos; at = text.find('&', at + 1)) {
    size_t end = at + 1;
    while (end < text.size() &&
           (isAsciiLetter(text[end]) || isAsciiDigit(text[end]) || text[end] == '#'))
      ++end;
    bool looksLikeEntity = end > at + 1 && end < text.size() && text[end] == ';';
    if (looksLikeEntity && !isKeptEntity(text, at)) {
      return "unknown entity " + text.substr(at, end + 1 - at) +
             " (known: &amp; &lt; &gt; &#160; &#10; &#13;; a space that must stay is &#160;)";
    }
  }
  return "";
}

bool readWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

/// The lines of a file, without their line ends and without a leading byte-order mark.
std::vector<std::string> splitLines(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

std::vector<std::pair<std::string, int>> readLanguageList(const std::string& path,
                                                          Problems& problems) {
  std::string text;
  if (!readWhole(path, text)) {
    problems.add(path, 0, "cannot read the language list");
    return {};
  }
  std::vector<std::pair<std::string, int>> tags;
  std::vector<std::string> lines = splitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    int number = static_cast<int>(i + 1);
    std::string tag = lines[i];
    if (isBlank(tag) || tag[0] == '#') continue;
    tag.erase(0, tag.find_first_not_of(" \t"));
    tag.erase(tag.find_last_not_of(" \t") + 1);
    if (!isValidTag(tag)) {
      problems.add(path, number,
                   "\"" + tag + "\" is not a language tag (letters and digits, a letter first)");
      continue;
    }
    auto same = std::find_if(tags.begin(), tags.end(),
                             [&](const auto& t) { return lowerAscii(t.first) == lowerAscii(tag); });
    if (same != tags.end()) {
      problems.add(path, number,
                   "language \"" + tag + "\" listed again (first on line " +
                       std::to_string(same->second) + ")");
      continue;
    }
    tags.emplace_back(tag, number);
  }
  if (tags.empty()) problems.add(path, lines.empty() ? 0 : 1, "the list names no language");
  return tags;
}

void readHeaderField(Language& language, const std::string& name, const std::string& value,
                     int number, Problems& problems) {
  std::string* field = name == "tagName"   ? &language.tagName
                       : name == "engName" ? &language.engName
                                           : &language.trueName;
  int* line = name == "tagName"   ? &language.tagNameLine
              : name == "engName" ? &language.engNameLine
                                  : &language.trueNameLine;
  if (!language.texts.empty()) {
    problems.add(language.file, number,
                 "header field " + name + " after the first text: the header comes first");
  } else if (*line != 0) {
    problems.add(
        language.file, number,
        "header field " + name + " repeated (first on line " + std::to_string(*line) + ")");
  } else if (value.empty() || value.front() == ' ' || value.back() == ' ' ||
             std::any_of(value.begin(), value.end(),
                         [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
    problems.add(language.file, number,
                 "header field " + name +
                     " needs a value without control characters or "
                     "spaces at its ends");
  } else if (name == "tagName" && !isValidTag(value)) {
    problems.add(language.file, number,
                 "\"" + value + "\" is not a language tag (letters and digits, a letter first)");
  } else {
    *field = value;
    *line = number;
  }
}

void readTextLine(Language& language, const std::string& key, const std::string& value, int number,
                  std::string& note, Problems& problems) {
  // Ids are signed 32-bit numbers in the pack.
  if (key.size() > 10 || std::stoll(key) > INT32_MAX) {
    problems.add(language.file, number, "id " + key + " is out of range (0 to 2147483647)");
    return;
  }
  auto id = static_cast<int32_t>(std::stoll(key));
  auto earlier = language.texts.find(id);
  if (earlier != language.texts.end()) {
    problems.add(language.file, number,
                 "id " + std::to_string(id) + " repeated (first on line " +
                     std::to_string(earlier->second.line) + ")");
    return;
  }
  std::string problem = textProblem(value);
  if (!problem.empty()) problems.add(language.file, number, problem);
  language.texts[id] = SourceText{value, number};
  if (!note.empty()) language.notes[id] = note;
}

Language readLanguage(const std::string& path, Problems& problems) {
  Language language;
  language.file = path;
  std::string text;
  if (!readWhole(path, text)) {
    problems.add(path, 0, "cannot read the file");
    return language;
  }
  std::vector<std::string> lines = splitLines(text);
  language.lineCount = static_cast<int>(lines.size());
  std::string note;  // the comment lines directly above the next text
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    int number = static_cast<int>(i + 1);
    if (!isValidUtf8(line)) {
      problems.add(path, number, "the line is not valid UTF-8");
      note.clear();
      continue;
    }
    if (isBlank(line)) {
      note.clear();
      continue;
    }
    if (line[0] == '#') {
      size_t start = line.find_first_not_of("# \t");
      if (start != std::string::npos) note += (note.empty() ? "" : " ") + line.substr(start);
      continue;
    }
    size_t tab = line.find('\t');
    std::string key = line.substr(0, tab);
    std::string value = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (tab == std::string::npos) {
      problems.add(path, number, "expected a header field or an id, one TAB and the text");
    } else if (key == "tagName" || key == "engName" || key == "trueName") {
      readHeaderField(language, key, value, number, problems);
    } else if (!key.empty() && std::all_of(key.begin(), key.end(), isAsciiDigit)) {
      readTextLine(language, key, value, number, note, problems);
    } else {
      problems.add(
          path, number,
          "\"" + key +
              "\" is neither a header field (tagName, engName, trueName) nor a numeric id");
    }
    note.clear();
  }
  for (const auto& [name, line] :
       {std::pair{"tagName", language.tagNameLine}, std::pair{"engName", language.engNameLine},
        std::pair{"trueName", language.trueNameLine}}) {
    if (line == 0) problems.add(path, 1, std::string("the header lacks ") + name);
  }
  return language;
}

/// The line where a missing id belongs: that of the next larger id the file holds, else its end.
int lineForMissing(const Language& language, int32_t id) {
  auto next = language.texts.upper_bound(id);
  return next != language.texts.end() ? next->second.line : std::max(language.lineCount, 1);
}

void compareWithSource(const Language& source, const Language& language, Problems& problems) {
  for (const auto& [id, text] : language.texts) {
    if (source.texts.count(id) == 0) {
      problems.add(language.file, text.line,
                   "unknown id " + std::to_string(id) + " (not in " +
                       fs::path(source.file).filename().string() + ")");
    }
  }
  for (const auto& [id, english] : source.texts) {
    auto found = language.texts.find(id);
    if (found == language.texts.end()) {
      problems.add(language.file, lineForMissing(language, id),
                   "missing text for id " + std::to_string(id) + " (\"" + english.text + "\")");
    } else if (found->second.text.empty() && !english.text.empty()) {
      problems.add(language.file, found->second.line,
                   "missing text for id " + std::to_string(id) + " (\"" + english.text + "\")");
    }
  }
}

/// Two languages with one English name could never both be chosen; two with one own name would
/// look alike in the Language menu.
void checkNamesDistinct(const std::vector<Language>& languages, Problems& problems) {
  for (size_t i = 0; i < languages.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      const Language& a = languages[j];
      const Language& b = languages[i];
      if (!b.engName.empty() && lowerAscii(a.engName) == lowerAscii(b.engName)) {
        problems.add(b.file, b.engNameLine,
                     "engName \"" + b.engName + "\" is also that of " + a.file);
      }
      if (!b.trueName.empty() && a.trueName == b.trueName) {
        problems.add(b.file, b.trueNameLine,
                     "trueName \"" + b.trueName + "\" is also that of " + a.file);
      }
    }
  }
}

}  // namespace

SourceError::SourceError(std::vector<std::string> messages)
    : std::runtime_error(joinMessages(messages)), m_messages(std::move(messages)) {}

bool isKeptEntity(const std::string& text, size_t at) {
  return std::any_of(std::begin(kKeptEntities), std::end(kKeptEntities), [&](const char* entity) {
    return text.compare(at, std::char_traits<char>::length(entity), entity) == 0;
  });
}

std::string toElementText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    char c = text[at];
    if (c == '&') {
      out += isKeptEntity(text, at) ? "&" : "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

Pack loadPack(const std::string& folder) {
  Problems problems;
  const std::string listPath = (fs::path(folder) / kLanguageList).string();
  std::vector<std::pair<std::string, int>> tags = readLanguageList(listPath, problems);

  std::set<std::string> listed;
  for (const auto& tag : tags) listed.insert(tag.first);
  std::error_code error;
  std::vector<std::string> strays;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".txt" && listed.count(entry.path().stem().string()) == 0) {
      strays.push_back(entry.path().string());
    }
  }
  if (error) problems.add(folder, 0, "cannot list the folder: " + error.message());
  std::sort(strays.begin(), strays.end());
  for (const auto& stray : strays) {
    problems.add(stray, 1, "\"" + fs::path(stray).stem().string() + "\" is not in " + listPath);
  }

  Pack pack;
  bool haveSource = false;
  for (size_t i = 0; i < tags.size(); ++i) {
    const auto& [tag, listLine] = tags[i];
    pack.listed.push_back(tag);
    fs::path path = fs::path(folder) / (tag + ".txt");
    if (!fs::exists(path)) {
      if (i == 0)
        problems.add(listPath, listLine,
                     "the source language \"" + tag + "\" has no file " + path.string());
      pack.missing.push_back(tag);
      continue;
    }
    Language language = readLanguage(path.string(), problems);
    if (language.tagNameLine != 0 && language.tagName != tag) {
      problems.add(
          language.file, language.tagNameLine,
          "tagName \"" + language.tagName + "\" differs from the file's name \"" + tag + "\"");
    }
    // Each file's problems stay together: a translation is compared as soon as it is read.
    if (i > 0 && haveSource) compareWithSource(pack.languages.front(), language, problems);
    if (i == 0) haveSource = true;
    pack.languages.push_back(std::move(language));
  }
  checkNamesDistinct(pack.languages, problems);
  problems.throwIfAny();
  return pack;
}

}  // namespace tools::langpack
