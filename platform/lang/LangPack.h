// One language of the language pack: its names and its texts by numeric id and by key.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayS32.h"
#include "core/map/MapTable.h"
#include "core/str/strarray/StrArray.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::lang {

/// The texts of one language: its tag ("deu"), English name ("German") and own name ("Deutsch"),
/// the texts of numeric ids in the order they were added, and texts by string key. The pack owns
/// copies of every text; lookups answer pointers into them, valid while the pack is unchanged.
///
/// Packs are filled once (by the localizer's loading) and only read afterwards, by any thread,
/// without a lock. Pooled (capacity 1000); `reset` forgets names and texts.
class LangPack final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(LangPack, u"s_lang_LangPack")

  LangPack();
  ~LangPack() override;
  void reset() override;

  str::strbuffer::StrBuffer* getTagName() const { return m_tagName; }
  str::strbuffer::StrBuffer* getEngName() const { return m_engName; }
  str::strbuffer::StrBuffer* getTrueName() const { return m_trueName; }

  /// Appends the id and a copy of the text (see `substitute`).
  void addText(int32_t id, const WCHAR* text);
  /// Appends copies of the key and the text, and enters the key in the key table unless it is
  /// there already (the first text of a key stays the one found).
  void addKeyedText(const WCHAR* key, const WCHAR* text);
  /// The text of the first position holding the id, or "" when the pack has none; never null.
  const WCHAR* getText(int32_t id) const;
  /// The id is present and its first text is not empty.
  bool hasText(int32_t id) const;
  /// Some position holds the id (its text may be empty).
  bool holdsId(int32_t id) const { return indexOfId(id) >= 0; }
  /// The key (case-sensitive) is in the key table.
  bool hasKey(const WCHAR* key) const;
  /// The number of numeric texts (an id added twice counts twice).
  uint32_t getTextCount() const { return m_ids.getCount(); }

 private:
  /// Systems before 6.0 lack the letter U+019A that Venetian writes; its texts show U+0142.
  void substitute(str::strbuffer::StrBuffer* text) const;
  int32_t indexOfId(int32_t id) const;

  str::strbuffer::StrBuffer* m_tagName;
  str::strbuffer::StrBuffer* m_engName;
  str::strbuffer::StrBuffer* m_trueName;
  col::_array::ArrayS32 m_ids;
  str::strarray::StrArray m_texts;
  str::strarray::StrArray m_keys;
  str::strarray::StrArray m_keyedTexts;
  // Refers to the strings of m_keys and m_keyedTexts and owns neither: its nodes are always
  // forgotten before the table could dispose of anything.
  map::MapTable m_keyTable;
};

}  // namespace s::lang
