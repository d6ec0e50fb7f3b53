// The language packs of the program and the language in use.
#include "platform/lang/Localizer.h"

#include "core/str/Case.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "gui/events/IEventListener.h"
#include "platform/lang/Language.h"
#include "platform/lang/ResourceReader.h"
#include "platform/xml/Node.h"

#include <string>

namespace s::lang {

using str::strbuffer::StrBuffer;

namespace {

bool sameTextIgnoreCase(const StrBuffer* text, const WCHAR* value) {
  const auto n = static_cast<uint32_t>(std::char_traits<char16_t>::length(value));
  return text->getLength() == n &&
         (n == 0 || text->startsWithIgnoreCase(value, static_cast<int32_t>(n)));
}

bool startsWithIgnoreCase(const WCHAR* text, const WCHAR* prefix) {
  for (; *prefix != 0; ++text, ++prefix) {
    if (str::foldLower(*text) != str::foldLower(*prefix)) {
      return false;  // also at the end of `text`, whose NUL matches no letter of the prefix
    }
  }
  return true;
}

// A scratch text from the pool for the length of a scope.
class Scratch {
 public:
  Scratch() : m_text(StrBuffer::take()) {}
  ~Scratch() { m_text->release(); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  StrBuffer* operator->() const { return m_text; }
  StrBuffer* get() const { return m_text; }

 private:
  StrBuffer* m_text;
};

}  // namespace

Localizer::Localizer() { m_packs.setDisposer(&LangPack::pool()); }

Localizer::~Localizer() { m_packs.freeAll(); }

void Localizer::reset() {
  m_packs.freeAll();
  m_current = nullptr;
  m_listeners.freeAll();
}

Localizer* Localizer::createFromResource(archive::dll::IArchive* archive, const WCHAR* typeText,
                                         uint32_t numericName) {
  Localizer* localizer = take();
  if (localizer == nullptr) {
    return nullptr;
  }
  xml::Node* root = readXmlResource(archive, typeText, numericName);
  if (root != nullptr) {
    localizer->loadFromXml(root);
    root->release();
  }
  localizer->selectLanguage(getSystemLanguageName());
  return localizer;
}

LangPack* Localizer::getPack(int32_t index) const {
  return static_cast<LangPack*>(m_packs.getItems()[static_cast<uint32_t>(index)]);
}

void Localizer::loadFromXml(const xml::Node* root) {
  if (root == nullptr) {
    return;
  }
  const xml::Node* languages = root->findChild(u"languages", -1);
  for (uint32_t i = 0; languages != nullptr && i < languages->getChildCount(); ++i) {
    const xml::Node* language = languages->getChild(i);
    if (!language->isNamed(u"entry", -1)) {
      continue;
    }
    LangPack* pack = LangPack::take();
    language->getString(pack->getTagName(), u"tagName", u"", false);
    language->getString(pack->getEngName(), u"engName", u"", false);
    language->getString(pack->getTrueName(), u"trueName", u"", false);
    m_packs.push(pack);
  }

  const xml::Node* entries = root->findChild(u"entries", -1);
  Scratch text;
  Scratch fallback;
  Scratch idText;
  for (uint32_t i = 0; entries != nullptr && i < entries->getChildCount(); ++i) {
    const xml::Node* entry = entries->getChild(i);
    if (!entry->isNamed(u"entry", -1)) {
      continue;
    }
    const WCHAR* id = entry->getText(u"id", u"");
    const bool numeric = id[0] >= u'0' && id[0] <= u'9';
    idText->assign(id);
    const int32_t number = numeric ? idText->toInt32() : 0;
    // Each entry has its own fallback: an entry whose first element names no language gives the
    // languages it lacks the empty text, not the text of the entry before.
    fallback->clear();
    bool first = true;
    for (uint32_t c = 0; c < entry->getChildCount(); ++c) {
      const xml::Node* element = entry->getChild(c);
      if (element->isComment() || element->getName() == nullptr) {
        continue;
      }
      LangPack* pack = findPackByTag(element->getName());
      if (pack != nullptr) {
        element->getString(text.get(), u"", u"", false);
        if (numeric) {
          pack->addText(number, text->getCStr());
        } else {
          pack->addKeyedText(id, text->getCStr());
        }
        if (first) {
          fallback->assignStr(text.get());
        }
      }
      first = false;
    }
    for (int32_t p = 0; p < getPackCount(); ++p) {
      LangPack* pack = getPack(p);
      if (numeric && !pack->holdsId(number)) {
        pack->addText(number, fallback->getCStr());
      } else if (!numeric && !pack->hasKey(id)) {
        pack->addKeyedText(id, fallback->getCStr());
      }
    }
  }
}

LangPack* Localizer::findPackByTag(const WCHAR* tag) const {
  for (int32_t i = 0; tag != nullptr && i < getPackCount(); ++i) {
    if (sameTextIgnoreCase(getPack(i)->getTagName(), tag)) {
      return getPack(i);
    }
  }
  return nullptr;
}

LangPack* Localizer::findPackByEngName(const WCHAR* name) const {
  for (int32_t i = 0; i < getPackCount(); ++i) {
    if (sameTextIgnoreCase(getPack(i)->getEngName(), name)) {
      return getPack(i);
    }
  }
  return nullptr;
}

LangPack* Localizer::findPackByName(const WCHAR* name) const {
  if (name == nullptr) {
    return nullptr;
  }
  if (LangPack* exact = findPackByEngName(name)) {
    return exact;
  }
  // A regional name takes the pack of its language before another region's: Portuguese of
  // Portugal reads the "Portuguese" pack, not the Brazilian one. The plain pack is the European
  // language; a user in Portugal given the Brazilian variant while the European pack is there
  // would read another country's spelling and words for no reason. Only a regional name whose
  // language has no plain pack goes on to the variant rules below.
  const WCHAR* underscore = name;
  while (*underscore != 0 && *underscore != u'_') {
    ++underscore;
  }
  if (*underscore == u'_' && underscore != name) {
    Scratch base;
    base->appendChars(name, static_cast<int32_t>(underscore - name));
    if (LangPack* language = findPackByEngName(base->getCStr())) {
      return language;
    }
  }
  LangPack* found = nullptr;
  auto firstOf = [&](const WCHAR* prefix, const WCHAR* preferred, const WCHAR* other) {
    if (startsWithIgnoreCase(name, prefix)) {
      LangPack* variant = findPackByEngName(preferred);
      if (variant == nullptr) {
        variant = findPackByEngName(other);
      }
      if (variant != nullptr) {
        found = variant;
      }
    }
  };
  firstOf(u"Chinese", u"CHINESE_SIMPLIFIED", u"CHINESE_TRADITIONAL");
  firstOf(u"Portuguese", u"PORTUGUESE_BRAZILIAN", u"PORTUGUESE_PORTUGAL");
  firstOf(u"Serbian", u"SERBIAN_CYRILLIC", u"SERBIAN_LATIN");
  return found;
}

LangPack* Localizer::getCurrentPack() {
  if (m_current == nullptr) {
    m_current = findPackByName(getSystemLanguageName());
    if (m_current == nullptr && getPackCount() > 0) {
      m_current = getPack(0);
    }
  }
  return m_current;
}

int32_t Localizer::getCurrentIndex() const {
  for (int32_t i = 0; m_current != nullptr && i < getPackCount(); ++i) {
    if (getPack(i) == m_current) {
      return i;
    }
  }
  return -1;
}

void Localizer::selectLanguage(const WCHAR* name) {
  LangPack* current = getCurrentPack();
  if (current == nullptr || name == nullptr || sameTextIgnoreCase(current->getEngName(), name)) {
    return;
  }
  LangPack* pack = findPackByName(name);
  if (pack == nullptr) {
    pack = findPackByName(u"English");
  }
  if (pack == nullptr) {
    pack = getPack(0);
  }
  makeCurrent(pack);
}

void Localizer::selectLanguageAt(int32_t index) {
  if (index >= 0 && index < getPackCount()) {
    getCurrentPack();
    makeCurrent(getPack(index));
  }
}

void Localizer::makeCurrent(LangPack* pack) {
  if (pack == m_current) {
    return;
  }
  m_current = pack;
  // Told from a copy, and each one only while it still listens: a window that a language change
  // closes leaves the list while others are being told, and must not be called after that.
  col::_array::ArrayP* told = col::_array::ArrayP::take();
  told->add(m_listeners.getItems(), m_listeners.getCount());
  for (uint32_t i = 0; i < told->getCount(); ++i) {
    auto* listener = static_cast<gui::events::IEventListener*>(told->getItems()[i]);
    if (hasListener(listener)) {
      listener->onEvent(this, 0);
    }
  }
  told->release();
}

const WCHAR* Localizer::getText(int32_t id) {
  LangPack* pack = getCurrentPack();
  return pack != nullptr ? pack->getText(id) : u"";
}

bool Localizer::hasText(int32_t id) {
  LangPack* pack = getCurrentPack();
  return pack != nullptr && pack->hasText(id);
}

bool Localizer::addListener(gui::events::IEventListener* listener) {
  if (listener == nullptr || hasListener(listener)) {
    return false;
  }
  m_listeners.push(listener);
  return true;
}

bool Localizer::removeListener(gui::events::IEventListener* listener) {
  return listener != nullptr && m_listeners.removeItem(listener) != nullptr;
}

bool Localizer::hasListener(gui::events::IEventListener* listener) const {
  void* const* items = m_listeners.getItems();
  for (uint32_t i = 0, n = m_listeners.getCount(); i < n; ++i) {
    if (items[i] == listener) {
      return true;
    }
  }
  return false;
}

}  // namespace s::lang
