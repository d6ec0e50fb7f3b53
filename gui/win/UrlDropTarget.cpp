// The drop target that takes links dragged onto a box.
#include "gui/win/UrlDropTarget.h"

#include "gui/win/Box.h"

namespace s::gui::win {

UrlDropTarget::UrlDropTarget()
    : m_ansiFormat(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(u"UniformResourceLocator"))),
      m_wideFormat(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(u"UniformResourceLocatorW"))),
      m_text(str::strbuffer::StrBuffer::take()) {}

UrlDropTarget::~UrlDropTarget() {
  Revoke();
  m_text->release();
}

void UrlDropTarget::reset() {
  Revoke();
  m_owner = nullptr;
  m_text->freeBuffer();
}

DROPEFFECT UrlDropTarget::effectFor(COleDataObject* data) {
  // Only the UTF-16 form is taken: the ANSI form would lose every letter outside its code page.
  return data != nullptr && data->IsDataAvailable(m_wideFormat) ? DROPEFFECT_LINK : DROPEFFECT_NONE;
}

DROPEFFECT UrlDropTarget::OnDragEnter(CWnd*, COleDataObject* data, DWORD, CPoint) {
  return effectFor(data);
}

DROPEFFECT UrlDropTarget::OnDragOver(CWnd*, COleDataObject* data, DWORD, CPoint) {
  return effectFor(data);
}

void UrlDropTarget::OnDragLeave(CWnd*) {}

BOOL UrlDropTarget::OnDrop(CWnd*, COleDataObject* data, DROPEFFECT, CPoint) {
  m_text->clear();
  HGLOBAL block = data != nullptr ? data->GetGlobalData(m_wideFormat) : nullptr;
  if (block == nullptr) {
    // Nothing to read: the drop still counts as taken, with no link.
    return TRUE;
  }
  // The text ends at its NUL or at the end of its block, whichever comes first: a block
  // without a NUL is never read past.
  const SIZE_T units = ::GlobalSize(block) / sizeof(WCHAR);
  if (const auto* text = static_cast<const WCHAR*>(::GlobalLock(block))) {
    SIZE_T length = 0;
    while (length < units && text[length] != 0) {
      ++length;
    }
    m_text->appendChars(text, static_cast<int32_t>(length));
    ::GlobalUnlock(block);
  }
  ::GlobalFree(block);
  if (m_owner != nullptr) {
    m_owner->onEvent(this, 3);
  }
  return TRUE;
}

}  // namespace s::gui::win
