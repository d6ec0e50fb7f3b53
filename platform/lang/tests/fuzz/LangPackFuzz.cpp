// Fuzz target of the language packs and the localizer (libFuzzer): any bytes are read as the
// language-pack XML, as the program reads its resource, and loaded into a localizer.
// Contract checked (abort on a break):
// - every pack holds every numeric id of the entries and every string key; the text of an id is
//   the entry's element for the pack's tag, else the entry's first text (the English one in the
//   program's pack) when that names a loaded language, else the empty text;
// - an id that no entry defines is the empty text (never null) and has no text, in every pack and
//   through the localizer;
// - a language name that no pack has selects "English", else the first pack; any text the
//   localizer answers is the current pack's.
#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

using s::col::_array::ArrayU08;
using s::lang::LangPack;
using s::lang::Localizer;
using s::str::strbuffer::StrBuffer;
using s::xml::Node;

namespace {

std::u16string folded(StrBuffer* text) {
  std::u16string out(text->getCStr(), text->getLength());
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

std::u16string folded(const char16_t* text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

// The index of the first pack with that tag (ignoring case), or -1: the pack a language element
// of that name feeds.
int32_t packOfTag(Localizer* localizer, const char16_t* tag) {
  for (int32_t p = 0; p < localizer->getPackCount(); ++p) {
    if (folded(localizer->getPack(p)->getTagName()) == folded(tag)) return p;
  }
  return -1;
}

bool isLanguageElement(const Node* element) {
  return !element->isComment() && element->getName() != nullptr;
}

// Checks the texts of the first entry of each numeric id against the rules above.
void checkEntries(Localizer* localizer, const Node* root, std::set<int32_t>& ids) {
  const Node* entries = root->findChild(u"entries", -1);
  StrBuffer* idText = StrBuffer::take();
  StrBuffer* text = StrBuffer::take();
  for (uint32_t i = 0; entries != nullptr && i < entries->getChildCount(); ++i) {
    const Node* entry = entries->getChild(i);
    if (!entry->isNamed(u"entry", -1)) continue;
    const WCHAR* id = entry->getText(u"id", u"");
    if (id[0] < u'0' || id[0] > u'9') {
      for (int32_t p = 0; p < localizer->getPackCount(); ++p)
        FUZZ_CHECK(localizer->getPack(p)->hasKey(id));
      continue;
    }
    idText->assign(id);
    const int32_t number = idText->toInt32();
    if (!ids.insert(number).second) continue;  // a later entry of the same id is never looked up
    std::u16string fallback;
    for (uint32_t c = 0; c < entry->getChildCount(); ++c) {
      const Node* element = entry->getChild(c);
      if (!isLanguageElement(element)) continue;
      if (packOfTag(localizer, element->getName()) >= 0) {
        element->getString(text, u"", u"", false);
        fallback.assign(text->getCStr(), text->getLength());
      }
      break;
    }
    for (int32_t p = 0; p < localizer->getPackCount(); ++p) {
      LangPack* pack = localizer->getPack(p);
      FUZZ_CHECK(pack->holdsId(number));
      std::u16string expected = fallback;
      for (uint32_t c = 0; c < entry->getChildCount(); ++c) {
        const Node* element = entry->getChild(c);
        if (isLanguageElement(element) && packOfTag(localizer, element->getName()) == p) {
          element->getString(text, u"", u"", false);
          expected.assign(text->getCStr(), text->getLength());
          break;
        }
      }
      const WCHAR* got = pack->getText(number);
      FUZZ_CHECK(got != nullptr && std::u16string(got) == expected);
      FUZZ_CHECK(pack->hasText(number) == !expected.empty());
    }
  }
  text->release();
  idText->release();
}

void checkUnknownId(Localizer* localizer, int32_t id) {
  for (int32_t p = 0; p < localizer->getPackCount(); ++p) {
    const WCHAR* text = localizer->getPack(p)->getText(id);
    FUZZ_CHECK(text != nullptr && *text == 0 && !localizer->getPack(p)->hasText(id));
  }
  const WCHAR* text = localizer->getText(id);
  FUZZ_CHECK(text != nullptr && *text == 0 && !localizer->hasText(id));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) {
    return 0;
  }
  ArrayU08* bytes = ArrayU08::take();
  bytes->clear();
  bytes->add(data, static_cast<uint32_t>(size));
  Node* root = Node::take();
  Localizer* localizer = Localizer::take();
  std::set<int32_t> ids;
  if (root->parseBytes(bytes)) {
    localizer->loadFromXml(root);
    checkEntries(localizer, root, ids);
  }
  for (int32_t id : {-1, 0, 1, 100000, 2010001000, INT32_MIN, INT32_MAX}) {
    if (ids.count(id) == 0) checkUnknownId(localizer, id);
  }

  // A name no pack has: "English", else the first pack.
  const char16_t* kNoSuchLanguage = u"No such language";
  bool named = false;
  int32_t english = -1;
  for (int32_t p = localizer->getPackCount() - 1; p >= 0; --p) {
    named = named || folded(localizer->getPack(p)->getEngName()) == folded(kNoSuchLanguage);
    if (folded(localizer->getPack(p)->getEngName()) == u"english") english = p;
  }
  if (!named) {
    localizer->selectLanguage(kNoSuchLanguage);
    if (localizer->getPackCount() == 0) {
      FUZZ_CHECK(localizer->getCurrentPack() == nullptr && localizer->getCurrentIndex() == -1);
    } else if (english >= 0) {
      FUZZ_CHECK(folded(localizer->getCurrentPack()->getEngName()) == u"english");
    } else {
      FUZZ_CHECK(localizer->getCurrentIndex() == 0);
    }
  }
  // A localizer without packs answers the empty text for every id.
  for (int32_t id : ids) {
    const WCHAR* text = localizer->getText(id);
    LangPack* current = localizer->getCurrentPack();
    FUZZ_CHECK(text != nullptr &&
               std::u16string(text) == (current == nullptr ? u"" : current->getText(id)));
  }
  // Every language can be selected by its position, and answers its own texts.
  for (int32_t p = 0; p < localizer->getPackCount() && p < 64; ++p) {
    localizer->selectLanguageAt(p);
    FUZZ_CHECK(localizer->getCurrentIndex() == p);
    for (int32_t id : ids) {
      FUZZ_CHECK(std::u16string(localizer->getText(id)) == localizer->getPack(p)->getText(id));
    }
  }

  localizer->release();
  root->release();
  bytes->release();
  return 0;
}
