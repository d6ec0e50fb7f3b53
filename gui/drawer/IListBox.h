// The kind of the list-box drawers: rows with tree glyphs, check boxes, icons and texts.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a list's background and rows and answers hits on a row's check box and tree glyph. The
/// operations after `setBackgroundColor` differ between the plain drawer and the coloured wrapper
/// (see listbox::IBasic and listbox::IThin). Colour setters keep the low 8 bits of each channel and
/// return the red byte.
class IListBox : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paintBackground(CDC* dc, int32_t left, int32_t top, int32_t right,
                               int32_t bottom) = 0;
  /// Paints one row at indent level `level`; writes where its text went. The icon is copied into
  /// `target`, the back buffer behind dc. dropMark: 0 none, else a mark on side dropMarkSide
  /// (0 top, 1 bottom); checkState 0 none, 1 empty, 2 checked, 3 mixed; progress in per mille
  /// (-1: no progress cell) with its status.
  virtual void paintRow(CDC* dc, ::s::image::win::BufferedImage* target, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, int32_t alignment, bool selected,
                        bool focused, bool fullRowSelection, bool alternate, int32_t dropMark,
                        int32_t dropMarkSide, bool wideDropMark, const WCHAR* text, IFont* font,
                        IFont* selectedFont, int32_t level, bool treeGlyph, bool open,
                        int32_t checkState, ::s::image::IImage* icon, bool underline,
                        bool endEllipsis, int32_t progress, int32_t status, int32_t& textLeft,
                        int32_t& textTop, int32_t& textRight, int32_t& textBottom) = 0;
  virtual bool hitCheckBox(int32_t x, int32_t y, bool withTree, int32_t level) = 0;
  virtual bool hitTreeGlyph(int32_t x, int32_t y, int32_t level) = 0;
  virtual COLORREF getSelectionColor() = 0;
  virtual int32_t setSelectionColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual COLORREF getBackgroundColor() = 0;
  virtual int32_t getBackgroundRed() = 0;
  virtual int32_t getBackgroundGreen() = 0;
  virtual int32_t getBackgroundBlue() = 0;
  virtual int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer
