// The drop target that takes links dragged onto a box.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <windows.h>
#include <afxole.h>

namespace s::gui::win {

class Box;

/// Accepts a drag that offers a link as UTF-16 text ("UniformResourceLocatorW"), answering
/// DROPEFFECT_LINK; every other drag is refused. At a drop it keeps the link's text and tells its
/// box with `onEvent(target, 3)`. Registered by its box for the box's window, on that window's UI
/// thread, where its handlers run. Pooled (capacity 1000); the box owns it and gives it back
/// after revoking it.
class UrlDropTarget final : public COleDropTarget,
                            public base::IObject,
                            public virtual thread::IPoolable {
  S_POOLED_CLASS(UrlDropTarget, u"s_gui_win_UrlDropTarget")

  UrlDropTarget();
  ~UrlDropTarget() override;
  UrlDropTarget(const UrlDropTarget&) = delete;
  UrlDropTarget& operator=(const UrlDropTarget&) = delete;

  /// Revokes the registration, forgets the owner and empties the text.
  void reset() override;
  uint32_t hashCode() const override { return base::IObject::hashCode(); }

  void setOwner(Box* box) { m_owner = box; }
  Box* getOwner() const { return m_owner; }
  /// The last dropped link; empty before the first and after a drop without one.
  const WCHAR* getText() { return m_text->getCStr(); }

  DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
  DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
  void OnDragLeave(CWnd* wnd) override;
  BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point) override;

 private:
  DROPEFFECT effectFor(COleDataObject* data);

  CLIPFORMAT m_ansiFormat;
  CLIPFORMAT m_wideFormat;
  str::strbuffer::StrBuffer* m_text;
  Box* m_owner = nullptr;
};

}  // namespace s::gui::win
