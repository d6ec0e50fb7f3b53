// The sources of the language pack: the list of languages and one UTF-8 text file per language
// (format: app/res/lang/README.md), read and checked against the source language.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools::langpack {

/// One text as the file writes it: entities such as "&#160;" stay encoded.
struct SourceText {
  std::string text;
  int line = 0;
};

/// One language file. Texts are kept by numeric id; `notes` holds the comment lines written
/// directly above an id (the source language's notes go into the pack for translators).
struct Language {
  std::string file;
  std::string tagName, engName, trueName;
  int tagNameLine = 0, engNameLine = 0, trueNameLine = 0;
  std::map<int32_t, SourceText> texts;
  std::map<int32_t, std::string> notes;
  int lineCount = 0;
};

/// The listed tags; the languages that have a file, in the listed order (the first is the source
/// language, whose ids every other file must hold); the listed tags without a file yet.
struct Pack {
  std::vector<std::string> listed;
  std::vector<Language> languages;
  std::vector<std::string> missing;
};

/// Every problem found in the sources, one message each, each beginning "file:line: ".
class SourceError : public std::runtime_error {
 public:
  explicit SourceError(std::vector<std::string> messages);
  const std::vector<std::string>& messages() const { return m_messages; }

 private:
  std::vector<std::string> m_messages;
};

/// The name of the file in `folder` that lists the languages in order.
inline constexpr const char* kLanguageList = "languages.list";

/// Reads `folder`'s language list and every listed `<tag>.txt`, and checks them; throws
/// SourceError with all problems at once, so one build shows a translator every mistake.
Pack loadPack(const std::string& folder);

/// The XML element text of a text as the files write it: the entities the pack's reader decodes
/// ("&amp;", "&lt;", "&gt;", "&#160;", "&#10;", "&#13;") stay; any other "&" (an accelerator
/// mark) becomes "&amp;", and "<" and ">" become entities.
std::string toElementText(const std::string& text);

/// True when `text` at `at` begins one of the entities that toElementText keeps.
bool isKeptEntity(const std::string& text, size_t at);

}  // namespace tools::langpack
