// Reading the language pack (or any resource) out of a module-resource archive.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::archive::dll {
class IArchive;
}
namespace s::col::_array {
class ArrayU08;
}
namespace s::xml {
class Node;
}

namespace s::lang {

/// The bytes of the resource of that type text and numeric name, in a new pooled array positioned
/// at its start, which the caller releases; null when the archive has no such resource or it
/// cannot be read.
col::_array::ArrayU08* readResourceBytes(archive::dll::IArchive* archive, const WCHAR* typeText,
                                         uint32_t numericName);

/// The resource read as UTF-8 XML into a new pooled tree, which the caller releases; null when
/// the resource is missing or is no readable XML.
xml::Node* readXmlResource(archive::dll::IArchive* archive, const WCHAR* typeText,
                           uint32_t numericName);

}  // namespace s::lang
