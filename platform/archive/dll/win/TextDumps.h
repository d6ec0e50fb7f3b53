// Readable text of five kinds of module resource: string blocks, accelerator tables, menus,
// version blocks and dialog templates.
#pragma once

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::archive::dll::win {

/// Each dump appends the text of the resource's `size` bytes at `bytes` to `out`, lines ending
/// in CR LF, numbers in decimal. A truncated or malformed block gives what could be read before
/// the fault; nothing is ever read outside the block, and a block too short for its header gives
/// nothing. Any thread.
///
/// A run of counted strings: each non-empty one quoted on its line, an empty one as an empty line.
void dumpStrings(const uint8_t* bytes, uint32_t size, str::strbuffer::StrBuffer* out);
/// 8-byte accelerator records: the key with its Alt, Ctrl and Shift, then the command id.
void dumpAccelerators(const uint8_t* bytes, uint32_t size, str::strbuffer::StrBuffer* out);
/// A standard menu template (its header all zero; others give nothing): each item's text on its
/// line, one TAB per enclosing pop-up, a separator as a line of dashes, a non-zero id after it.
void dumpMenu(const uint8_t* bytes, uint32_t size, str::strbuffer::StrBuffer* out);
/// The text strings of the first string table of a version block's StringFileInfo, "name: value"
/// a line; nothing without the fixed information's signature or a StringFileInfo.
void dumpVersion(const uint8_t* bytes, uint32_t size, str::strbuffer::StrBuffer* out);
/// A standard or extended dialog template: the dialog's menu, class, title, font, position,
/// size and style names, then each control's.
void dumpDialog(const uint8_t* bytes, uint32_t size, str::strbuffer::StrBuffer* out);

}  // namespace s::archive::dll::win
