// The settings store in an XML file: sections are nested elements, settings are attributes.
#pragma once

#include "core/file/win/PathWin.h"
#include "core/map/TypedMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/xml/Node.h"

namespace s::xml {

/// The XML settings store (see s::map::IMappedData): one tree, saved whole to its file by
/// `flush`. The section "" is the root element; "A\B" and "A/B" are the element B inside the
/// element A inside the root (empty pieces are skipped). Settings are attributes in the formats
/// of Attributes; a setter replaces the attribute of its name (ignoring case), and every copy of
/// it that a damaged file may hold.
///
/// Section lookup is exact (case-sensitive) element by element, while the current section is kept
/// by name compared ignoring case: selecting "skin" after "Skin" reuses the section, but a fresh
/// lookup of "skin" makes an element of its own.
///
/// Reads of a present attribute always convert it (no digits read as 0). `getString` answers a
/// text valid until the next `getString` or `getBinary`. The tree changes only in memory until
/// `flush` (or every write with auto-flush), which replaces the file whole, never tearing it. A
/// file that cannot be read is kept aside under a "damaged" name and the store starts empty, so
/// the next flush does not destroy it.
///
/// Usable once `openFile` or `setRoot` has run; before that reads answer defaults and writes do
/// nothing. Keys and section names are written as they are: they must be plain names (no space,
/// "=", quote or ">").
///
/// Pooled (capacity 1000); owns its tree and file path. One thread at a time.
class MappedData final : public map::TypedMappedData<MappedData, Attributes>,
                         public virtual thread::IPoolable {
  S_POOLED_CLASS(MappedData, u"s_xml_MappedData")

  MappedData();
  ~MappedData() override;
  MappedData(const MappedData&) = delete;
  MappedData& operator=(const MappedData&) = delete;

  /// Gives back the file path and the tree and clears auto-flush.
  void reset() override;

  /// A new store on the file: its tree when it can be read, else an empty root "savedata" (the
  /// first flush creates the file).
  static MappedData* openFile(const str::strbuffer::StrBuffer* path);
  /// Names the store's file; when it exists and can be read its tree becomes the root and is
  /// answered. A missing file answers null and leaves the tree; so does a file that cannot be
  /// read, which is first renamed aside ("SaveData.damaged.xml").
  Node* loadFile(const str::strbuffer::StrBuffer* path);
  /// The root (owned from now on; the old tree is given back), selected as the current section.
  Node* setRoot(Node* root);
  Node* getRoot() const { return m_root; }

  /// Saves the tree when a file is named; false when that failed.
  bool save();

  void flush() override { save(); }
  void selectSection(const WCHAR* section) override;
  /// Removes the section's element with its subtree; its parent becomes the current section.
  void removeSection(const WCHAR* section) override;
  bool selectExistingSection(const WCHAR* section) override;
  bool hasKey(const WCHAR* section, const WCHAR* key) override;

  /// The decoded attribute; a missing section answers `defaultText` itself. `*isExpandable` is
  /// always false and `expand` does nothing: the file keeps no expandable texts.
  const WCHAR* getString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText,
                         bool* isExpandable, bool expand) override;
  /// The attribute's pairs of hex digits as bytes into `out` (replaced) or a new pooled array;
  /// a missing attribute gives no bytes, a missing section leaves `out` untouched.
  col::_array::ArrayU08* getBinary(const WCHAR* section, const WCHAR* key,
                                   col::_array::ArrayU08* out) override;
  void removeKey(const WCHAR* section, const WCHAR* key) override;

  void setString(const WCHAR* section, const WCHAR* key, const WCHAR* text) override;
  void setExpandString(const WCHAR* section, const WCHAR* key, const WCHAR* text) override;
  void setBinary(const WCHAR* section, const WCHAR* key,
                 const col::_array::ArrayU08* bytes) override;

 private:
  friend class map::TypedMappedData<MappedData, Attributes>;

  /// One value of each type in the attribute formats: the narrow integers go through the 32-bit
  /// ones, the unsigned 64-bit through the signed, a truth value is written as 0 or 1.
  static uint8_t read(Attributes* values, const WCHAR* key, uint8_t defaultValue);
  static uint16_t read(Attributes* values, const WCHAR* key, uint16_t defaultValue);
  static uint32_t read(Attributes* values, const WCHAR* key, uint32_t defaultValue);
  static uint64_t read(Attributes* values, const WCHAR* key, uint64_t defaultValue);
  static int8_t read(Attributes* values, const WCHAR* key, int8_t defaultValue);
  static int16_t read(Attributes* values, const WCHAR* key, int16_t defaultValue);
  static int32_t read(Attributes* values, const WCHAR* key, int32_t defaultValue);
  static int64_t read(Attributes* values, const WCHAR* key, int64_t defaultValue);
  static float read(Attributes* values, const WCHAR* key, float defaultValue);
  static double read(Attributes* values, const WCHAR* key, double defaultValue);
  static bool read(Attributes* values, const WCHAR* key, bool defaultValue);
  static void put(Attributes* values, const WCHAR* key, uint8_t value);
  static void put(Attributes* values, const WCHAR* key, uint16_t value);
  static void put(Attributes* values, const WCHAR* key, uint32_t value);
  static void put(Attributes* values, const WCHAR* key, uint64_t value);
  static void put(Attributes* values, const WCHAR* key, int8_t value);
  static void put(Attributes* values, const WCHAR* key, int16_t value);
  static void put(Attributes* values, const WCHAR* key, int32_t value);
  static void put(Attributes* values, const WCHAR* key, int64_t value);
  static void put(Attributes* values, const WCHAR* key, float value);
  static void put(Attributes* values, const WCHAR* key, double value);
  static void put(Attributes* values, const WCHAR* key, bool value);
  /// Walks the section path from the root, making missing elements when `create`.
  Node* findSection(const WCHAR* section, bool create) const;
  /// The section's attributes after `selectExistingSection`, or null.
  Attributes* existing(const WCHAR* section) {
    return selectExistingSection(section) ? m_section->getAttributes() : nullptr;
  }
  /// Selects (making) the section, removes every attribute of the key, runs `write` on the
  /// section's attributes and flushes when auto-flush is on.
  template <typename Write>
  void write(const WCHAR* section, const WCHAR* key, Write write) {
    Attributes* attributes = attributesToWrite(section, key);
    if (attributes != nullptr) {
      write(attributes);
      autoFlush();
    }
  }
  /// The section's attributes (the section made when missing) without any of the key's; null
  /// without a tree.
  Attributes* attributesToWrite(const WCHAR* section, const WCHAR* key);

  file::win::PathWin* m_filePath = nullptr;
  str::strbuffer::StrBuffer* m_valueText;
  str::strbuffer::StrBuffer* m_sectionName;
  Node* m_root = nullptr;
  Node* m_section = nullptr;  // inside the tree, not owned
};

}  // namespace s::xml
