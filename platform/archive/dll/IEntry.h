// The interface of one resource of a program or library file.
#pragma once

#include "platform/archive/IEntry.h"

#include <winnt.h>

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::archive::dll {

/// A module resource: its type (an internal type number, see ResourceType.h, or a text), its name
/// (a 16-bit number or a text), its language and its size. "Name or id" arguments follow the
/// platform's rule: a value up to 0xFFFF is a number, anything else points to a text.
class IEntry : public archive::IEntry {
 public:
  virtual void setSize(uint64_t bytes) = 0;
  virtual void setNameId(uint32_t id) = 0;
  virtual void setName(const WCHAR* nameOrId) = 0;
  virtual bool isNameId() const = 0;
  virtual bool isNameText() const = 0;
  virtual uint32_t getNameId() const = 0;
  /// The text name ("" for a numeric one); valid while the entry is unchanged.
  virtual const WCHAR* getNameText() const = 0;
  virtual str::strbuffer::StrBuffer* getNameString() const = 0;
  virtual void setTypeId(int32_t internalType) = 0;
  /// A text sets the text type; a number is a platform resource type, kept as its internal number.
  virtual void setType(const WCHAR* typeOrId) = 0;
  virtual bool isTypeId() const = 0;
  virtual bool isTypeText() const = 0;
  /// The internal type number.
  virtual int32_t getTypeId() const = 0;
  virtual const WCHAR* getTypeText() const = 0;
  virtual str::strbuffer::StrBuffer* getTypeString() const = 0;
  /// The platform resource type of the internal number.
  virtual int32_t getResourceType() const = 0;
  /// The primary language: the low 10 bits of the LANGID.
  virtual void setLanguage(uint16_t language) = 0;
  virtual uint16_t getLanguage() const = 0;
  /// The sub-language: the top 6 bits of the LANGID.
  virtual void setSubLanguage(uint16_t subLanguage) = 0;
  virtual uint16_t getSubLanguage() const = 0;
};

}  // namespace s::archive::dll
