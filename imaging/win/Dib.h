// What the codecs that keep their pixels in a device-independent bitmap share: the bit counts
// such a bitmap may have, and a memory device context with one selected.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::image::win {

/// The bit counts a DIB of ours may have: 1, 4 and 8 with a colour table, 16, 24 and 32 without.
inline bool isKnownBitCount(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

/// A memory device context with a bitmap selected, given back in reverse order when it goes.
/// `get` is null when no context could be made.
class SelectedDc {
 public:
  explicit SelectedDc(HBITMAP bitmap) : m_dc(CreateCompatibleDC(nullptr)) {
    if (m_dc != nullptr) {
      m_old = SelectObject(m_dc, bitmap);
    }
  }
  ~SelectedDc() {
    if (m_dc != nullptr) {
      SelectObject(m_dc, m_old);
      DeleteDC(m_dc);
    }
  }
  SelectedDc(const SelectedDc&) = delete;
  SelectedDc& operator=(const SelectedDc&) = delete;
  HDC get() const { return m_dc; }

 private:
  HDC m_dc;
  HGDIOBJ m_old = nullptr;
};

}  // namespace s::image::win
