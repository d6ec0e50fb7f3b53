// The escaped forms of attribute values and element text, as they stand in an XML file.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

namespace s::xml {

/// The escaped form of an attribute value into `out` (emptied first): LF "&#10;", CR "&#13;",
/// double quote "&quot;", "&" "&amp;", "<" "&lt;".
void escapeAttribute(str::strbuffer::StrBuffer* out, const WCHAR* text);
/// The escaped form of element text into `out` (emptied first): LF "&#10;", CR "&#13;", every
/// space "&#160;", "&" "&amp;", "<" "&lt;", ">" "&gt;".
void escapeText(str::strbuffer::StrBuffer* out, const WCHAR* text);

/// Decodes an attribute value into `out` (replaced, or appended to with `append`): "&amp;",
/// "&lt;", "&quot;", "&#13;" and "&#10;"; `length` (-1: up to the NUL) only sizes the buffer,
/// decoding runs to the NUL. Any other "&" is copied as it stands.
void unescapeAttribute(str::strbuffer::StrBuffer* out, const WCHAR* text, bool append,
                       int32_t length);
/// Decodes element text as `unescapeAttribute` does, with "&amp;", "&lt;", "&gt;", "&#160;" (a
/// plain space), "&#13;" and "&#10;"; white space typed at either end is dropped, white space that
/// came from an entity is kept.
void unescapeText(str::strbuffer::StrBuffer* out, const WCHAR* text, bool append, int32_t length);

}  // namespace s::xml
