// The process-wide pool of attribute records.
#pragma once

#include "platform/thread/Factory.h"
#include "platform/xml/AttrRecord.h"

namespace s::xml {

/// Recycles AttrRecords: a given-back record has its texts freed and its fields zeroed. The one
/// instance is built on first use by any thread and kept for the life of the process, so trees
/// still alive while the process exits can give their records back.
class AttrFactory final : public thread::Factory {
 public:
  static AttrFactory* instance();

  ~AttrFactory() override { disposeAll(); }
  const WCHAR* getClassName() const override { return u"s_xml_AttrFactory"; }

  /// A record's size as accounted: 24 bytes.
  uint32_t getObjectSize(void*) const override { return 24; }
  void resetObject(void* object) override;
  void destroyObject(void*& object) override;
  /// A new, zeroed record; null when out of memory.
  void* generate() override;

  AttrRecord* takeRecord() { return static_cast<AttrRecord*>(take()); }
};

}  // namespace s::xml
