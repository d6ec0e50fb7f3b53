// Readable text of five kinds of module resource: string blocks, accelerator tables, menus,
// version blocks and dialog templates, read in the platform's published resource layouts.
#include "platform/archive/dll/win/TextDumps.h"

#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace s::archive::dll::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr const char* kLineEnd = "\r\n";

/// Bounded little-endian reads over one resource block.
class Block {
 public:
  Block(const uint8_t* bytes, uint32_t size) : m_bytes(bytes), m_size(size) {}

  uint32_t size() const { return m_size; }
  bool fits(uint64_t at, uint64_t n) const { return at <= m_size && n <= m_size - at; }
  uint16_t u16(uint64_t at) const {
    return fits(at, 2) ? static_cast<uint16_t>(m_bytes[at] | m_bytes[at + 1] << 8) : 0;
  }
  uint32_t u32(uint64_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }
  uint8_t u8(uint64_t at) const { return fits(at, 1) ? m_bytes[at] : 0; }
  /// Appends the NUL-terminated UTF-16 text at `at` (up to `end` at most) to `out` and answers
  /// the offset after its NUL; past the block when the text runs to its end.
  uint64_t text(uint64_t at, StrBuffer* out, uint64_t end = UINT64_MAX) const {
    while (at + 2 <= m_size && at + 2 <= end) {
      const uint16_t unit = u16(at);
      at += 2;
      if (unit == 0) {
        return at;
      }
      if (out != nullptr) {
        out->appendWChar(static_cast<WCHAR>(unit));
      }
    }
    return UINT64_MAX;
  }
  bool startsWith(uint64_t at, const char16_t* key) const {
    for (; *key != 0; ++key, at += 2) {
      if (!fits(at, 2) || u16(at) != *key) {
        return false;
      }
    }
    return fits(at, 2) && u16(at) == 0;
  }
  const uint8_t* data() const { return m_bytes; }

 private:
  const uint8_t* m_bytes;
  uint32_t m_size;
};

uint64_t alignTo4(uint64_t at) { return (at + 3) & ~uint64_t{3}; }

void line(StrBuffer* out, const char* text) {
  out->appendAnsi(text);
  out->appendAnsi(kLineEnd);
}

// ---- accelerators ------------------------------------------------------------------------------

struct KeyName {
  uint16_t code;
  const char* name;
};

// Every virtual key with a name of its own; digits, letters, keypad digits and function keys are
// made from their ranges.
constexpr KeyName kKeyNames[] = {
    {0x01, "Left mouse button"},
    {0x02, "Right mouse button"},
    {0x03, "Control-break processing"},
    {0x04, "Middle mouse button (three-button mouse)"},
    {0x05, "X1 mouse button"},
    {0x06, "X2 mouse button"},
    {0x08, "BACKSPACE key"},
    {0x09, "TAB key"},
    {0x0C, "CLEAR key"},
    {0x0D, "ENTER key"},
    {0x10, "SHIFT key"},
    {0x11, "CTRL key"},
    {0x12, "ALT key"},
    {0x13, "PAUSE key"},
    {0x14, "CAPS LOCK key"},
    {0x15, "IME Kana mode"},
    {0x17, "IME Junja mode"},
    {0x18, "IME final mode"},
    {0x19, "IME Hanja mode"},
    {0x1B, "ESC key"},
    {0x1C, "IME convert"},
    {0x1D, "IME nonconvert"},
    {0x1E, "IME accept"},
    {0x1F, "IME mode change request"},
    {0x20, "SPACEBAR"},
    {0x21, "PAGE UP key"},
    {0x22, "PAGE DOWN key"},
    {0x23, "END key"},
    {0x24, "HOME key"},
    {0x25, "LEFT ARROW key"},
    {0x26, "UP ARROW key"},
    {0x27, "RIGHT ARROW key"},
    {0x28, "DOWN ARROW key"},
    {0x29, "SELECT key"},
    {0x2A, "PRINT key"},
    {0x2B, "EXECUTE key"},
    {0x2C, "PRINT SCREEN key"},
    {0x2D, "INS key"},
    {0x2E, "DEL key"},
    {0x2F, "HELP key"},
    {0x5B, "Left Windows key"},
    {0x5C, "Right Windows key"},
    {0x5D, "Applications key"},
    {0x5F, "Computer Sleep key"},
    {0x6A, "Multiply key"},
    {0x6B, "Add key"},
    {0x6C, "Separator key"},
    {0x6D, "Subtract key"},
    {0x6E, "Decimal key"},
    {0x6F, "Divide key"},
    {0x90, "NUM LOCK key"},
    {0x91, "SCROLL LOCK key"},
    {0xA0, "Left SHIFT key"},
    {0xA1, "Right SHIFT key"},
    {0xA2, "Left CONTROL key"},
    {0xA3, "Right CONTROL key"},
    {0xA4, "Left MENU key"},
    {0xA5, "Right MENU key"},
    {0xA6, "Browser Back key"},
    {0xA7, "Browser Forward key"},
    {0xA8, "Browser Refresh key"},
    {0xA9, "Browser Stop key"},
    {0xAA, "Browser Search key"},
    {0xAB, "Browser Favorites key"},
    {0xAC, "Browser Start and Home key"},
    {0xAD, "Volume Mute key"},
    {0xAE, "Volume Down key"},
    {0xAF, "Volume Up key"},
    {0xB0, "Next Track key"},
    {0xB1, "Previous Track key"},
    {0xB2, "Stop Media key"},
    {0xB3, "Play/Pause Media key"},
    {0xB4, "Start Mail key"},
    {0xB5, "Select Media key"},
    {0xB6, "Start Application 1 key"},
    {0xB7, "Start Application 2 key"},
    {0xBA,
     "VK_OEM_1 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the ';:' key)"},
    {0xBB, "'+' key"},
    {0xBC, "',' key"},
    {0xBD, "'-' key"},
    {0xBE, "'.' key"},
    {0xBF,
     "VK_OEM_2 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the '/?' key)"},
    {0xC0,
     "VK_OEM_3 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the '`~' key)"},
    {0xDB,
     "VK_OEM_4 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the '[{' key)"},
    {0xDC,
     "VK_OEM_5 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the '\\|' key)"},
    {0xDD,
     "VK_OEM_6 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the ']}' key)"},
    {0xDE,
     "VK_OEM_7 key (Used for miscellaneous characters; it can vary by keyboard. For the US "
     "standard keyboard, the 'single-quote/double-quote' key)"},
    {0xDF, "VK_OEM_8 key (Used for miscellaneous characters; it can vary by keyboard.)"},
    {0xE2, "Either the angle bracket key or the backslash key on the RT 102-key keyboard"},
    {0xE5, "IME PROCESS key"},
    {0xE7,
     "Used to pass Unicode characters as if they were keystrokes. The VK_PACKET key is the low "
     "word of a 32-bit Virtual Key value used for non-keyboard input methods. For more "
     "information, see Remark in KEYBDINPUT, SendInput, WM_KEYDOWN, and WM_KEYUP"},
    {0xF6, "Attn key"},
    {0xF7, "CrSel key"},
    {0xF8, "ExSel key"},
    {0xF9, "Erase EOF key"},
    {0xFA, "Play key"},
    {0xFB, "Zoom key"},
    {0xFD, "PA1 key"},
    {0xFE, "Clear key"},
};

void appendKeyName(uint16_t key, StrBuffer* out) {
  if ((key >= 0x30 && key <= 0x39) || (key >= 0x41 && key <= 0x5A)) {
    out->appendWChar(static_cast<WCHAR>(key));
    out->appendAnsi(" key");
    return;
  }
  if (key >= 0x60 && key <= 0x69) {
    out->appendAnsi("Numeric keypad ");
    out->appendUInt32(key - 0x60u);
    out->appendAnsi(" key");
    return;
  }
  if (key >= 0x70 && key <= 0x87) {
    out->appendAnsi("F");
    out->appendUInt32(key - 0x6Fu);
    out->appendAnsi(" key");
    return;
  }
  for (const KeyName& k : kKeyNames) {
    if (k.code == key) {
      out->appendAnsi(k.name);
      return;
    }
  }
  out->appendAnsi("Unknown key");
}

// ---- dialogs -----------------------------------------------------------------------------------

struct StyleName {
  uint32_t value;
  const char* name;
};

#define S_STYLE(name) \
  { static_cast<uint32_t>(name), #name }

// Written in this order whenever all of a name's bits are set; the names of value 0 always are.
// DS_ names are matched against control styles too, where their bits mean other things.
constexpr StyleName kStyles[] = {
    S_STYLE(WS_BORDER),        S_STYLE(WS_CAPTION),      S_STYLE(WS_CHILD),
    S_STYLE(WS_CHILDWINDOW),   S_STYLE(WS_CLIPCHILDREN), S_STYLE(WS_CLIPSIBLINGS),
    S_STYLE(WS_DISABLED),      S_STYLE(WS_DLGFRAME),     S_STYLE(WS_GROUP),
    S_STYLE(WS_HSCROLL),       S_STYLE(WS_ICONIC),       S_STYLE(WS_MAXIMIZE),
    S_STYLE(WS_MAXIMIZEBOX),   S_STYLE(WS_MINIMIZE),     S_STYLE(WS_MINIMIZEBOX),
    S_STYLE(WS_OVERLAPPED),    S_STYLE(WS_POPUP),        S_STYLE(WS_SIZEBOX),
    S_STYLE(WS_SYSMENU),       S_STYLE(WS_TABSTOP),      S_STYLE(WS_THICKFRAME),
    S_STYLE(WS_TILED),         S_STYLE(WS_VISIBLE),      S_STYLE(WS_VSCROLL),
    S_STYLE(DS_3DLOOK),        S_STYLE(DS_ABSALIGN),     S_STYLE(DS_CENTER),
    S_STYLE(DS_CENTERMOUSE),   S_STYLE(DS_CONTEXTHELP),  S_STYLE(DS_CONTROL),
    S_STYLE(DS_FIXEDSYS),      S_STYLE(DS_LOCALEDIT),    S_STYLE(DS_MODALFRAME),
    S_STYLE(DS_NOFAILCREATE),  S_STYLE(DS_NOIDLEMSG),    S_STYLE(DS_SETFONT),
    S_STYLE(DS_SETFOREGROUND), S_STYLE(DS_SHELLFONT),    S_STYLE(DS_SYSMODAL),
};

constexpr StyleName kExtendedStyles[] = {
    S_STYLE(WS_EX_ACCEPTFILES),    S_STYLE(WS_EX_APPWINDOW),     S_STYLE(WS_EX_CLIENTEDGE),
    S_STYLE(WS_EX_COMPOSITED),     S_STYLE(WS_EX_CONTEXTHELP),   S_STYLE(WS_EX_CONTROLPARENT),
    S_STYLE(WS_EX_DLGMODALFRAME),  S_STYLE(WS_EX_LAYERED),       S_STYLE(WS_EX_LAYOUTRTL),
    S_STYLE(WS_EX_LEFT),           S_STYLE(WS_EX_LEFTSCROLLBAR), S_STYLE(WS_EX_LTRREADING),
    S_STYLE(WS_EX_MDICHILD),       S_STYLE(WS_EX_NOACTIVATE),    S_STYLE(WS_EX_NOINHERITLAYOUT),
    S_STYLE(WS_EX_NOPARENTNOTIFY), S_STYLE(WS_EX_RIGHT),         S_STYLE(WS_EX_RIGHTSCROLLBAR),
    S_STYLE(WS_EX_RTLREADING),     S_STYLE(WS_EX_STATICEDGE),    S_STYLE(WS_EX_TOOLWINDOW),
    S_STYLE(WS_EX_TOPMOST),        S_STYLE(WS_EX_TRANSPARENT),   S_STYLE(WS_EX_WINDOWEDGE),
};

#undef S_STYLE

template <size_t N>
void appendStyles(const char* heading, const StyleName (&names)[N], uint32_t style,
                  StrBuffer* out) {
  out->appendAnsi(heading);
  for (const StyleName& s : names) {
    if ((style & s.value) == s.value) {
      line(out, s.name);
    }
  }
}

void appendNumberLine(const char* label, int64_t value, StrBuffer* out) {
  out->appendAnsi(label);
  out->appendInt64(value);
  out->appendAnsi(kLineEnd);
}

void appendGeometry(const Block& b, uint64_t at, StrBuffer* out) {
  const char* labels[] = {"\r\nX: ", "Y: ", "Width: ", "Height: "};
  for (int i = 0; i < 4; ++i) {
    out->appendAnsi(labels[i]);
    out->appendInt32(static_cast<int16_t>(b.u16(at + 2 * i)));
    out->appendAnsi(" (dialog unit)\r\n");
  }
}

/// A name or an ordinal: 0 for none, 0xFFFF and a number, else a text. `write` gets whether an
/// ordinal follows, the ordinal, and the text's start; answers the offset after it.
template <typename Write>
uint64_t nameOrOrdinal(const Block& b, uint64_t at, Write write) {
  if (!b.fits(at, 2)) {
    return UINT64_MAX;
  }
  const uint16_t first = b.u16(at);
  if (first == 0) {
    return at + 2;
  }
  if (first == 0xFFFF) {
    if (!b.fits(at + 2, 2)) {
      return UINT64_MAX;
    }
    write(true, b.u16(at + 2), at);
    return at + 4;
  }
  // A text cut off by the block's end is not written.
  const uint64_t end = b.text(at, nullptr);
  if (end != UINT64_MAX) {
    write(false, 0, at);
  }
  return end;
}

uint64_t appendClass(const Block& b, uint64_t at, StrBuffer* out) {
  static const char* const kClasses[] = {"Button",   "Edit",       "Static",
                                         "List box", "Scroll bar", "Combo box"};
  return nameOrOrdinal(b, at, [&](bool ordinal, uint16_t id, uint64_t textAt) {
    out->appendAnsi("Class ID: ");
    if (!ordinal) {
      b.text(textAt, out);
    } else if (id >= 0x80 && id <= 0x85) {
      out->appendAnsi(kClasses[id - 0x80]);
    } else {
      out->appendUInt32(id);
    }
    out->appendAnsi(kLineEnd);
  });
}

}  // namespace

void dumpStrings(const uint8_t* bytes, uint32_t size, StrBuffer* out) {
  const Block b(bytes, size);
  uint64_t at = 0;
  while (b.fits(at, 2)) {
    const uint32_t count = b.u16(at);
    at += 2;
    if (!b.fits(at, uint64_t{count} * 2)) {
      return;  // a string cut off by the block's end is not there to write
    }
    if (count != 0) {
      out->appendWChar(u'"');
      for (uint32_t i = 0; i < count; ++i) {
        out->appendWChar(static_cast<WCHAR>(b.u16(at + 2 * i)));
      }
      out->appendWChar(u'"');
    }
    out->appendAnsi(kLineEnd);
    at += uint64_t{count} * 2;
  }
}

void dumpAccelerators(const uint8_t* bytes, uint32_t size, StrBuffer* out) {
  const Block b(bytes, size);
  for (uint64_t at = 0; b.fits(at, 8); at += 8) {
    const uint16_t flags = b.u16(at);
    const uint16_t key = b.u16(at + 2);
    out->appendAnsi("Key: ");
    if ((flags & 0x10) != 0) out->appendAnsi("Alt + ");
    if ((flags & 0x08) != 0) out->appendAnsi("Ctrl + ");
    if ((flags & 0x04) != 0) out->appendAnsi("Shift + ");
    if ((flags & 0x01) == 0) {
      out->appendWChar(static_cast<WCHAR>(key));
      out->appendAnsi(" key");
    } else {
      appendKeyName(key, out);
    }
    out->appendAnsi(kLineEnd);
    appendNumberLine("Action ID: ", b.u16(at + 4), out);
    out->appendAnsi(kLineEnd);
  }
}

void dumpMenu(const uint8_t* bytes, uint32_t size, StrBuffer* out) {
  // A grayed command item (0x01) still has its id; only pop-ups have none.
  constexpr uint16_t kPopup = 0x10;
  constexpr uint16_t kEnd = 0x80;
  const Block b(bytes, size);
  if (!b.fits(0, 4) || b.u32(0) != 0) {
    return;
  }
  // For each pop-up open around the current item: whether it was the last of its own level.
  std::vector<bool> enclosing;
  uint64_t at = 4;
  while (b.fits(at, 2)) {
    const uint16_t flags = b.u16(at);
    at += 2;
    uint16_t id = 0;
    const bool popup = (flags & kPopup) != 0;
    if (!popup) {
      if (!b.fits(at, 2)) {
        return;
      }
      id = b.u16(at);
      at += 2;
    }
    const auto indent = [&] {
      for (size_t i = 0; i < enclosing.size(); ++i) out->appendWChar(u'\t');
    };
    indent();
    const uint32_t before = out->getLength();
    const uint64_t next = b.text(at, out);
    if (next == UINT64_MAX) {
      return;  // the text runs to the block's end
    }
    if (!popup && out->getLength() == before) {
      out->appendAnsi("---------------");
    }
    out->appendAnsi(kLineEnd);
    if (id != 0) {
      indent();
      out->appendAnsi("(ID: ");
      out->appendUInt32(id);
      out->appendAnsi(")\r\n");
    }
    at = next;
    if (popup) {
      enclosing.push_back((flags & kEnd) != 0);
      continue;
    }
    // The last item of a level closes it, and with it every enclosing pop-up that was last too.
    bool closing = (flags & kEnd) != 0;
    while (closing) {
      if (enclosing.empty()) {
        return;
      }
      closing = enclosing.back();
      enclosing.pop_back();
    }
  }
}

void dumpVersion(const uint8_t* bytes, uint32_t size, StrBuffer* out) {
  const Block b(bytes, size);
  bool signed_ = false;
  for (uint64_t at = 0; b.fits(at, 4) && !signed_; ++at) {
    signed_ = bytes[at] == 0xBD && bytes[at + 1] == 0x04 && bytes[at + 2] == 0xEF &&
              bytes[at + 3] == 0xFE;
  }
  if (!signed_ || !b.fits(0, 6)) {
    return;
  }
  // Each node: length, value length, type, its key, padding to 4, its value, padding, children.
  const auto valueStart = [&](uint64_t node) {
    const uint64_t afterKey = b.text(node + 6, nullptr);
    return afterKey == UINT64_MAX ? afterKey : alignTo4(afterKey);
  };
  const uint64_t rootEnd = std::min<uint64_t>(b.u16(0), size);
  const uint64_t rootValue = valueStart(0);
  if (rootValue == UINT64_MAX) {
    return;
  }
  uint64_t child = alignTo4(rootValue + b.u16(2));
  while (child + 6 <= rootEnd) {
    const uint64_t length = b.u16(child);
    if (length < 6 || child + length > rootEnd) {
      return;
    }
    if (b.startsWith(child + 6, u"StringFileInfo")) {
      const uint64_t end = child + length;
      const uint64_t table = valueStart(child);
      if (table == UINT64_MAX || table + 6 > end || b.u16(table) < 6) {
        return;
      }
      const uint64_t tableEnd = std::min(end, table + b.u16(table));
      uint64_t string = valueStart(table);
      while (string != UINT64_MAX && string + 6 <= tableEnd) {
        const uint64_t stringLength = b.u16(string);
        if (stringLength < 6 || string + stringLength > tableEnd) {
          return;
        }
        if (b.u16(string + 4) == 1) {
          const uint64_t stringEnd = string + stringLength;
          b.text(string + 6, out, stringEnd);
          out->appendAnsi(": ");
          const uint64_t value = valueStart(string);
          if (value != UINT64_MAX && value < stringEnd) {
            b.text(value, out, stringEnd);
          }
          out->appendAnsi(kLineEnd);
        }
        string = alignTo4(string + stringLength);
      }
      return;
    }
    child = alignTo4(child + length);
  }
}

void dumpDialog(const uint8_t* bytes, uint32_t size, StrBuffer* out) {
  const Block b(bytes, size);
  const bool extended = b.fits(0, 4) && b.u16(0) == 1 && b.u16(2) == 0xFFFF;
  const uint64_t fixed = extended ? 26 : 18;
  if (!b.fits(0, fixed)) {
    return;
  }
  const uint32_t style = extended ? b.u32(12) : b.u32(0);
  const uint32_t exStyle = extended ? b.u32(8) : b.u32(4);
  const uint32_t count = extended ? b.u16(16) : b.u16(8);
  const uint64_t geometry = extended ? 18 : 10;
  line(out, "[Dialog]");
  uint64_t at = nameOrOrdinal(b, fixed, [&](bool ordinal, uint16_t id, uint64_t textAt) {
    out->appendAnsi("Menu Resource ID: ");
    if (ordinal) {
      out->appendUInt32(id);
    } else {
      b.text(textAt, out);
    }
    out->appendAnsi(kLineEnd);
  });
  // The dump stops where the block does, so a truncated template gives a prefix of its text.
  if (at == UINT64_MAX || (at = appendClass(b, at, out)) == UINT64_MAX) {
    return;
  }
  out->appendAnsi("Title: ");
  const uint32_t titleStart = out->getLength();
  if ((at = b.text(at, out)) == UINT64_MAX) {
    return;
  }
  if (out->getLength() == titleStart) {
    out->appendAnsi("(None)");
  }
  out->appendAnsi(kLineEnd);
  if (extended) {
    appendNumberLine("Help ID: ", b.u32(4), out);
  }
  if ((style & DS_SETFONT) != 0) {
    if (!b.fits(at, extended ? 6 : 2)) {
      return;
    }
    const uint16_t points = b.u16(at);
    const uint16_t weight = extended ? b.u16(at + 2) : 0;
    const bool italic = extended && b.u8(at + 4) != 0;
    const uint8_t charset = extended ? b.u8(at + 5) : 0;
    at += extended ? 6 : 2;
    out->appendAnsi("Font Name: ");
    if ((at = b.text(at, out)) == UINT64_MAX) {
      return;
    }
    out->appendAnsi(kLineEnd);
    out->appendAnsi("Font Size: ");
    out->appendUInt32(points);
    out->appendAnsi(" point\r\n");
    if (extended) {
      appendNumberLine("Font Weight: ", weight, out);
      out->appendAnsi("Font Italic: ");
      line(out, italic ? "true" : "false");
      appendNumberLine("Font Character Set: ", charset, out);
    }
  }
  appendGeometry(b, geometry, out);
  appendStyles("\r\nStyles:\r\n", kStyles, style, out);
  appendStyles("\r\nExtended Styles:\r\n", kExtendedStyles, exStyle, out);

  // Items start at 4-byte boundaries from the template's start.
  const uint64_t itemFixed = extended ? 24 : 18;
  for (uint32_t i = 0; i < count; ++i) {
    at = alignTo4(at);
    if (!b.fits(at, itemFixed)) {
      return;
    }
    const uint64_t item = at;
    const uint32_t itemStyle = extended ? b.u32(item + 8) : b.u32(item);
    const uint32_t itemExStyle = extended ? b.u32(item + 4) : b.u32(item + 4);
    const uint32_t id = extended ? b.u32(item + 20) : b.u16(item + 16);
    out->appendAnsi("\r\n\r\n[Component ");
    out->appendUInt32(i + 1);
    out->appendAnsi("]\r\n");
    if ((at = appendClass(b, item + itemFixed, out)) == UINT64_MAX) {
      return;
    }
    at = nameOrOrdinal(b, at, [&](bool ordinal, uint16_t number, uint64_t textAt) {
      if (ordinal) {
        appendNumberLine("Resource ID: ", number, out);
      } else {
        out->appendAnsi("Text: ");
        b.text(textAt, out);
        out->appendAnsi(kLineEnd);
      }
    });
    if (at == UINT64_MAX) {
      return;
    }
    appendNumberLine("Control ID: ", id, out);
    if (extended) {
      appendNumberLine("Help ID: ", b.u32(item), out);
    }
    // Creation data: the extended form counts the bytes after its size word, the standard form
    // counts its size word too (0 for none).
    const uint16_t extra = b.u16(at);
    at = extended ? at + 2 + extra : at + (extra == 0 ? 2 : extra);
    appendGeometry(b, item + (extended ? 12 : 8), out);
    appendStyles("\r\nStyles:\r\n", kStyles, itemStyle, out);
    appendStyles("\r\nExtended Styles:\r\n", kExtendedStyles, itemExStyle, out);
  }
}

}  // namespace s::archive::dll::win
