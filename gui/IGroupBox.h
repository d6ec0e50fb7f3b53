// The interface of the group box: a framed, captioned container around one content box.
#pragma once

#include "gui/IContainer.h"

#include <windows.h>

#include <cstdint>

namespace s::file::win {
class PathArray;
}
namespace s::gui::drawer {
class IGroupBox;
}

namespace s::gui {

class IBox;

/// A container that holds exactly one content box inside a frame with a caption; children added
/// to it go into the content box. The caption's font operations change the enabled caption font
/// and re-measure the caption (they carry "Font" in their names where the component has an
/// operation of the same name). Drop listeners hear event 1 after files were dropped on the
/// content box; listeners are never owned. UI thread, or set-up before attaching.
///
/// The operations keep their virtual order after the container's.
class IGroupBox : public IContainer {
 public:
  enum Event : int32_t { kFilesDropped = 1 };

  /// The caption as shown: an "&" stays a plain character.
  virtual void setText(const WCHAR* text) = 0;
  /// A language text id for the caption (-1 none), looked up again on every language change.
  virtual void setTextId(int32_t id) = 0;
  virtual const WCHAR* getFaceName() = 0;
  virtual void setFaceName(const WCHAR* name) = 0;
  virtual void setStyleCode(int32_t code) = 0;
  virtual COLORREF getTextColor() = 0;
  virtual void setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void setPointSize(int32_t points) = 0;
  virtual int32_t getFontHeight() = 0;
  virtual void setFontHeight(int32_t height) = 0;
  virtual int32_t getFontWidth() = 0;
  virtual void setFontWidth(int32_t width) = 0;
  virtual bool isBold() = 0;
  virtual void setBold(bool on) = 0;
  virtual bool isItalic() = 0;
  virtual void setItalic(bool on) = 0;
  virtual bool isUnderline() = 0;
  virtual void setUnderline(bool on) = 0;
  virtual bool isStrikeOut() = 0;
  virtual void setStrikeOut(bool on) = 0;
  virtual int32_t getWeight() = 0;
  virtual void setWeight(int32_t weight) = 0;
  /// A percent of the parent's client size turns the fixed size of that axis off, and the
  /// reverse (-1 off).
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  /// The frame's colour, handed to the drawer that paints.
  virtual void setFrameColor(int32_t red, int32_t green, int32_t blue) = 0;
  /// Kept, but the group box tells these listeners nothing.
  virtual void addListener(events::IEventListener* listener) = 0;
  virtual IBox* getContent() = 0;
  /// The content box (owned from now on, released with the group box).
  virtual void setContent(IBox* content) = 0;
  /// Whether the content box takes dropped files and reports them here.
  virtual void setAcceptFiles(bool on) = 0;
  virtual void addDropListener(events::IEventListener* listener) = 0;
  /// The content box's last dropped files; null without a content box.
  virtual file::win::PathArray* getDroppedPaths() = 0;
  /// A drawer instead of the own one (null: the own one again); an owned one is released when
  /// replaced or at reset.
  virtual void setDrawer(drawer::IGroupBox* drawer, bool owned) = 0;
  /// The drawer that paints: the one set, else the own one (null when none could be taken).
  virtual drawer::IGroupBox* getDrawer() = 0;
};

}  // namespace s::gui
