// Writing the language pack's XML.
#include "tools/langpack/PackWriter.h"

namespace tools::langpack {

namespace {

/// Plain text made safe for XML: every "&" is literal, so it is never taken for an entity. In an
/// attribute value the double quote closes the value; in element text ">" is written as an entity.
std::string escapePlain(const std::string& text, bool attribute) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (attribute && c == '"') {
      out += "&quot;";
    } else if (!attribute && c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string writePackXml(const Pack& pack) {
  std::string xml = "<lang>\n <languages>\n";
  for (const Language& language : pack.languages) {
    xml += "  <entry tagName=\"" + escapePlain(language.tagName, true) + "\" engName=\"" +
           escapePlain(language.engName, true) + "\" trueName=\"" +
           escapePlain(language.trueName, true) + "\"/>\n";
  }
  xml += " </languages>\n <entries>\n";
  if (!pack.languages.empty()) {
    const Language& source = pack.languages.front();
    for (const auto& [id, english] : source.texts) {
      xml += "  <entry id=\"" + std::to_string(id) + "\">";
      auto note = source.notes.find(id);
      if (note != source.notes.end()) xml += escapePlain(note->second, false);
      xml += "\n";
      for (const Language& language : pack.languages) {
        auto text = language.texts.find(id);
        const std::string& value = text != language.texts.end() ? text->second.text : english.text;
        xml += "   <" + language.tagName + ">" + toElementText(value) + "</" + language.tagName +
               ">\n";
      }
      xml += "  </entry>\n";
    }
  }
  xml += " </entries>\n</lang>\n";
  return xml;
}

}  // namespace tools::langpack
