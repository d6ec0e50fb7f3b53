// The REG_MULTI_SZ form of a list of texts: each text with its NUL, then one more NUL.
#pragma once

#include "core/col/array/ArrayU08.h"
#include "core/str/strarray/StrArray.h"

namespace s::reg::win {

/// Fills `list` (cleared first) from REG_MULTI_SZ bytes read as UTF-16 units. The data must hold
/// two NUL units in a row, else the list stays empty; the texts are read from the start up to the
/// last such pair, and the first empty text after an element ends the list ("a", NUL, NUL gives
/// "a"; NUL, NUL gives one empty text). An odd last byte is ignored.
void splitMultiString(str::strarray::StrArray* list, const col::_array::ArrayU08* bytes);

/// The REG_MULTI_SZ bytes of `list` into `out` (replaced) or a new pooled array: every text and
/// its NUL, then one NUL; an empty list is two NUL units (4 bytes).
col::_array::ArrayU08* joinMultiString(const str::strarray::StrArray* list,
                                       col::_array::ArrayU08* out = nullptr);

}  // namespace s::reg::win
