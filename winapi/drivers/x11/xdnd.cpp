// The X11 driver's drops (XDND). A drag becomes a drag session of the window system (file URIs
// of text/uri-list as Z:\ paths; links of text/x-moz-url, _NETSCAPE_URL or a text/uri-list whose
// first URI is no file as "UniformResourceLocatorW" and "UniformResourceLocator"), and
// XdndStatus answers the effect the target chose.
#include "winapi/drivers/x11/X11DriverImpl.h"

#include "winapi/base/utf8.h"
#include "winapi/drivers/x11/urilist.h"

#include <X11/Xatom.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace winapi::x11 {

void X11DriverImpl::acceptDrops(NativeWindow window, bool accept) {
  Hold x(*this);
  if (!x) return;
  ::Window w = static_cast<::Window>(window);
  if (accept) {
    long version = 5;
    XChangeProperty(m_display, w, m_atoms.xdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&version), 1);
  } else {
    XDeleteProperty(m_display, w, m_atoms.xdndAware);
  }
  XFlush(m_display);
}

void X11DriverImpl::sendToSource(::Window source, ::Window target, Atom type, long l1, long l2, long l3, long l4) {
  Hold x(*this);
  if (!x) return;
  XEvent reply{};
  reply.xclient.type = ClientMessage;
  reply.xclient.window = source;
  reply.xclient.message_type = type;
  reply.xclient.format = 32;
  reply.xclient.data.l[0] = static_cast<long>(target);
  reply.xclient.data.l[1] = l1;
  reply.xclient.data.l[2] = l2;
  reply.xclient.data.l[3] = l3;
  reply.xclient.data.l[4] = l4;
  XSendEvent(m_display, source, False, NoEventMask, &reply);
  XFlush(m_display);
}

std::shared_ptr<XdndDrag> X11DriverImpl::dragOf(::Window w) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  return it != m_windows.end() ? it->second.drag : nullptr;
}

std::shared_ptr<XdndDrag> X11DriverImpl::takeDrag(::Window w) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(w);
  if (it == m_windows.end()) return nullptr;
  return std::move(it->second.drag);
}

// Atoms of a property of the source (its type list or its action list).
std::vector<Atom> X11DriverImpl::atomsOf(::Window source, Atom property) {
  std::vector<Atom> out;
  Hold x(*this);
  if (!x) return out;
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(m_display, source, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr && format == 32) {
    Atom* atoms = reinterpret_cast<Atom*>(data);
    out.assign(atoms, atoms + count);
  }
  if (data != nullptr) XFree(data);
  return out;
}

void X11DriverImpl::xdndEnter(::Window w, const XClientMessageEvent& m) {
  auto drag = std::make_shared<XdndDrag>();
  drag->source = static_cast<::Window>(m.data.l[0]);
  std::vector<Atom> types;
  if (m.data.l[1] & 1) {
    // More than three types: the list is a property of the source.
    types = atomsOf(drag->source, m_atoms.xdndTypeList);
  } else {
    for (int i = 2; i <= 4; ++i) types.push_back(static_cast<Atom>(m.data.l[i]));
  }
  bool moz = false, netscape = false;
  for (Atom t : types) {
    moz = moz || t == m_atoms.mozUrl;
    netscape = netscape || t == m_atoms.netscapeUrl;
    drag->offersUriList = drag->offersUriList || t == m_atoms.uriList;
  }
  drag->linkType = moz ? m_atoms.mozUrl : netscape ? m_atoms.netscapeUrl : 0;
  for (Atom a : atomsOf(drag->source, m_atoms.xdndActionList)) {
    drag->sourceOffersLink = drag->sourceOffersLink || a == m_atoms.xdndActionLink;
  }
  ole::DragData* data = ole::DragData::create();
  if (drag->linkType != 0) {
    data->offer(linkFormat());
    data->offer(ansiLinkFormat());
    drag->known = true;
  } else {
    drag->known = !drag->offersUriList;
  }
  // The source decides on the action; the target's choice is answered in XDND's terms.
  drag->session = std::make_unique<ole::DragSession>(data, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
  data->Release();
  std::shared_ptr<XdndDrag> old;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    old = std::exchange(m_windows[w].drag, drag);
  }
  if (old) old->session->leave(false);
}

void X11DriverImpl::xdndPosition(::Window w, HWND hwnd, const XClientMessageEvent& m) {
  ::Window source = static_cast<::Window>(m.data.l[0]);
  std::shared_ptr<XdndDrag> drag = dragOf(w);
  if (!drag || drag->source != source) {
    sendStatus(source, w, DROPEFFECT_NONE, false);
    return;
  }
  drag->point = POINT{static_cast<LONG>((m.data.l[2] >> 16) & 0xFFFF), static_cast<LONG>(m.data.l[2] & 0xFFFF)};
  if (static_cast<Atom>(m.data.l[4]) == m_atoms.xdndActionLink) drag->sourceOffersLink = true;
  if (!drag->known) {
    // Files or a link: the list itself tells. The answer waits for it.
    drag->positionWaiting = true;
    if (drag->converting == 0) requestData(w, *drag, m_atoms.uriList, static_cast<Time>(m.data.l[3]));
    return;
  }
  answerPosition(w, hwnd, *drag);
}

void X11DriverImpl::answerPosition(::Window w, HWND hwnd, XdndDrag& drag) {
  ::Window source = drag.source;
  bool link = drag.sourceOffersLink;
  drag.session->move(hwnd, drag.point, false,
                     [this, source, w, link](DWORD effect) { sendStatus(source, w, effect, link); });
}

void X11DriverImpl::xdndDrop(::Window w, HWND hwnd, const XClientMessageEvent& m) {
  ::Window source = static_cast<::Window>(m.data.l[0]);
  std::shared_ptr<XdndDrag> drag = dragOf(w);
  if (!drag || drag->source != source) {
    sendToSource(source, w, m_atoms.xdndFinished, 0, 0, 0, 0);
    return;
  }
  drag->dropWaiting = true;
  Time time = static_cast<Time>(m.data.l[2]);
  if (drag->converting != 0) return;  // the drop completes when the data comes
  if (!drag->known) {
    requestData(w, *drag, m_atoms.uriList, time);
  } else if (drag->linkType != 0 && !drag->linkFetched) {
    requestData(w, *drag, drag->linkType, time);
  } else {
    completeDrop(w, hwnd);
  }
}

void X11DriverImpl::completeDrop(::Window w, HWND hwnd) {
  std::shared_ptr<XdndDrag> drag = takeDrag(w);
  if (!drag) return;
  ::Window source = drag->source;
  bool link = drag->sourceOffersLink;
  drag->session->drop(hwnd, drag->point, false, [this, source, w, link](DWORD effect) {
    sendToSource(source, w, m_atoms.xdndFinished, effect != DROPEFFECT_NONE ? 1 : 0,
                 static_cast<long>(actionOf(effect, link)), 0, 0);
  });
}

// XDND's name of an effect the target chose; a link the source does not offer is answered as
// a copy, which every source knows.
Atom X11DriverImpl::actionOf(DWORD effect, bool sourceOffersLink) const {
  if (effect & DROPEFFECT_LINK) return sourceOffersLink ? m_atoms.xdndActionLink : m_atoms.xdndActionCopy;
  if (effect & DROPEFFECT_COPY) return m_atoms.xdndActionCopy;
  if (effect & DROPEFFECT_MOVE) return m_atoms.xdndActionMove;
  return None;
}

void X11DriverImpl::sendStatus(::Window source, ::Window w, DWORD effect, bool sourceOffersLink) {
  Atom action = actionOf(effect, sourceOffersLink);
  // Bit 1 asks for a position at every move: the window under the pointer may change inside
  // this one, and with it the answer.
  sendToSource(source, w, m_atoms.xdndStatus, action != None ? 3 : 2, 0, 0, static_cast<long>(action));
}

void X11DriverImpl::requestData(::Window w, XdndDrag& drag, Atom type, Time time) {
  Hold x(*this);
  if (!x) return;
  drag.converting = type;
  // A source that does not deliver within this bound leaves the drag without its data.
  drag.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  XConvertSelection(m_display, m_atoms.xdndSelection, type, m_atoms.xdndSelection, w, time);
  XFlush(m_display);
}

void X11DriverImpl::xdndDataArrived(::Window w, HWND hwnd, bool delivered) {
  std::string bytes;
  if (delivered) {
    Hold x(*this);
    if (!x) return;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, w, m_atoms.xdndSelection, 0, 1 << 24, True, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
      bytes.assign(reinterpret_cast<char*>(data), count * static_cast<size_t>(format / 8));
    }
    if (data != nullptr) XFree(data);
  }
  std::shared_ptr<XdndDrag> drag = dragOf(w);
  // Data that comes after its bound (or was never asked for) is too late.
  if (!drag || drag->converting == 0) return;
  dataDelivered(w, hwnd, *drag, delivered, bytes);
}

void X11DriverImpl::xdndCheckDeadlines() {
  std::vector<std::pair<::Window, std::shared_ptr<XdndDrag>>> late;
  auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& entry : m_windows) {
      const auto& drag = entry.second.drag;
      if (drag && drag->converting != 0 && now >= drag->deadline) late.emplace_back(entry.first, drag);
    }
  }
  for (auto& [w, drag] : late) {
    HWND hwnd = hwndOf(w);
    if (hwnd != nullptr) dataDelivered(w, hwnd, *drag, false, {});
  }
}

void X11DriverImpl::dataDelivered(::Window w, HWND hwnd, XdndDrag& drag, bool delivered, const std::string& bytes) {
  Atom type = drag.converting;
  drag.converting = 0;
  ole::DragData* data = drag.session->data();
  if (type == m_atoms.uriList) {
    std::string first = delivered ? x11::firstUri(bytes) : std::string();
    if (!first.empty() && !x11::isFileUri(first)) {
      std::u16string link;
      utf8::toUtf16(first, link);
      supplyLink(data, link);
    } else if (!first.empty()) {
      data->setFiles(x11::parseUriList(bytes));
    }
    drag.known = true;
    drag.linkFetched = true;
  } else {
    std::u16string link;
    if (delivered) link = type == m_atoms.mozUrl ? x11::linkFromUtf16(bytes) : x11::linkFromUtf8(bytes);
    if (!link.empty()) supplyLink(data, link);
    drag.linkFetched = true;
  }
  if (drag.dropWaiting) {
    completeDrop(w, hwnd);
  } else if (drag.positionWaiting) {
    drag.positionWaiting = false;
    answerPosition(w, hwnd, drag);
  }
}

CLIPFORMAT X11DriverImpl::linkFormat() {
  static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocatorW"));
  return format;
}

CLIPFORMAT X11DriverImpl::ansiLinkFormat() {
  static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocator"));
  return format;
}

// A link's address in both formats: UTF-16 and the ANSI code page, each with its NUL.
void X11DriverImpl::supplyLink(ole::DragData* data, const std::u16string& link) {
  std::vector<uint8_t> wide((link.size() + 1) * sizeof(char16_t));
  std::memcpy(wide.data(), link.c_str(), wide.size());
  data->supply(linkFormat(), std::move(wide));
  int size = WideCharToMultiByte(CP_ACP, 0, link.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::vector<uint8_t> ansi(static_cast<size_t>(size > 0 ? size : 1), 0);
  if (size > 0) {
    WideCharToMultiByte(CP_ACP, 0, link.c_str(), -1, reinterpret_cast<char*>(ansi.data()), size, nullptr, nullptr);
  }
  data->supply(ansiLinkFormat(), std::move(ansi));
}

}  // namespace winapi::x11
