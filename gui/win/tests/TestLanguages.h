// A localizer of two languages, English and German, for the toolkit's language tests.
#pragma once

#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"

#include <string>

namespace lumetra::testgui {

/// `entries` are the pack's <entry id="..."><eng>..</eng><deu>..</deu></entry> elements. English
/// is selected; the caller releases the localizer.
inline s::lang::Localizer* englishAndGerman(const char16_t* entries) {
  s::xml::Node* root = s::xml::Node::take();
  root->parse((std::u16string(u"<lang><languages>"
                              u"<entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>"
                              u"<entry tagName=\"deu\" engName=\"German\" trueName=\"Deutsch\"/>"
                              u"</languages><entries>") +
               entries + u"</entries></lang>")
                  .c_str());
  s::lang::Localizer* localizer = s::lang::Localizer::take();
  localizer->loadFromXml(root);
  root->release();
  localizer->selectLanguage(u"English");
  return localizer;
}

}  // namespace lumetra::testgui
