// The language packs of the program and the language in use, with lookups of user texts.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/lang/LangPack.h"

#include <cstdint>

namespace s::archive::dll {
class IArchive;
}
namespace s::gui::events {
class IEventListener;
}
namespace s::xml {
class Node;
}

namespace s::lang {

/// Every language of the language pack, in document order, and the current one. Every user text
/// is looked up here by its id; a text that a language lacks is the entry's first (English) text
/// and an id that no entry defines is the empty text. A localizer without packs (the resource
/// was missing or damaged) answers the empty text for every lookup.
///
/// Listeners are told with `onEvent(localizer, 0)` after the current language changed. The
/// localizer does not own them: each listener joins once (`addListener` ignores a second
/// attempt) and must leave (`removeListener`) before it goes away. A listener may leave, or make
/// others leave, while it is told; those that left are not told any more.
///
/// Packs are loaded once at start-up and read afterwards without a lock; the language is changed
/// and listeners are added and removed on the user-interface thread. Owns its packs (back to the
/// LangPack pool). Pooled (capacity 1000); `reset` forgets packs, language and listeners.
class Localizer final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Localizer, u"s_lang_Localizer")

  Localizer();
  ~Localizer() override;
  void reset() override;

  /// A localizer from the pool, loaded from the language-pack resource (type text and numeric
  /// name) of the archive and set to the language of the user's interface.
  static Localizer* createFromResource(archive::dll::IArchive* archive, const WCHAR* typeText,
                                       uint32_t numericName);

  /// Adds one pack per language of `root`'s "languages" element and the texts of its "entries";
  /// every pack gets a text for every entry (the entry's first language text where it has none).
  void loadFromXml(const xml::Node* root);

  /// The first pack whose tag equals `tag` ignoring case, or null.
  LangPack* findPackByTag(const WCHAR* tag) const;
  /// The pack whose English name equals `name` ignoring case; else, for a regional name such as
  /// "Portuguese_portugal", the pack of the language itself ("Portuguese"); else, for a name
  /// starting with "Chinese", "Portuguese" or "Serbian", the pack of the first variant that exists
  /// (simplified, Brazilian, Cyrillic before traditional, Portugal, Latin). Null when none fits.
  LangPack* findPackByName(const WCHAR* name) const;
  /// Makes the pack of that name current, else "English", else the first pack; tells the
  /// listeners when the current pack changed.
  void selectLanguage(const WCHAR* name);
  /// Makes the pack at `index` current (nothing for an index out of range); tells the listeners
  /// when it changed.
  void selectLanguageAt(int32_t index);
  /// The current pack, chosen on first use for the user's interface language, else the first
  /// pack; null when there are no packs.
  LangPack* getCurrentPack();
  /// The position of the current pack, -1 when there is none.
  int32_t getCurrentIndex() const;
  /// The text of the id in the current language; never null.
  const WCHAR* getText(int32_t id);
  bool hasText(int32_t id);

  int32_t getPackCount() const { return static_cast<int32_t>(m_packs.getCount()); }
  /// The pack at `index` (not checked).
  LangPack* getPack(int32_t index) const;

  /// Joins the listeners (at the end); false, and nothing changes, when `listener` is null or
  /// already listening.
  bool addListener(gui::events::IEventListener* listener);
  /// Leaves the listeners; false when `listener` was not listening.
  bool removeListener(gui::events::IEventListener* listener);
  bool hasListener(gui::events::IEventListener* listener) const;
  int32_t getListenerCount() const { return static_cast<int32_t>(m_listeners.getCount()); }

 private:
  LangPack* findPackByEngName(const WCHAR* name) const;
  void makeCurrent(LangPack* pack);

  col::_array::ArrayP m_packs;
  LangPack* m_current = nullptr;
  col::_array::ArrayP m_listeners;
};

}  // namespace s::lang
