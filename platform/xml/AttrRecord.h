// One attribute of an XML element: a name and its escaped value.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::xml {

/// A plain record owned by the attribute list that holds it and recycled by AttrFactory. Both
/// texts are NUL-terminated copies, lengths in UTF-16 units; the element's text is the record with
/// the empty name. The value is kept escaped, as it stands in the file.
struct AttrRecord {
  int32_t nameLength;
  WCHAR* name;
  int32_t valueLength;
  WCHAR* value;
};

/// A record from the factory with a copy of `length` units of `name` (-1: up to its NUL) and no
/// value yet (null). An exhausted heap throws std::bad_alloc.
AttrRecord* newAttribute(const WCHAR* name, int32_t length);
/// Replaces the record's value by a copy of `length` units of `value` (-1: up to its NUL).
void setAttributeValue(AttrRecord* record, const WCHAR* value, int32_t length);

}  // namespace s::xml
