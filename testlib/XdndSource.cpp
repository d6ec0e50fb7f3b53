// The source side of an XDND drag for the X11 tests.
#include "testlib/XdndSource.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cstdio>

namespace lumetra::testlib {

namespace {

Atom atomOf(Display* display, const char* name) { return XInternAtom(display, name, False); }

}  // namespace

XdndSource::Result XdndSource::drag(Window target, int x, int y, const std::vector<Offer>& offers,
                                    const char* action, bool deliver) {
  Display* d = display;
  auto atom = [d](const char* name) { return atomOf(d, name); };
  Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(d, atom("XdndSelection"), source, CurrentTime);
  auto message = [&](const char* type, long l1, long l2, long l3, long l4) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = atom(type);
    e.xclient.format = 32;
    const long values[5] = {static_cast<long>(source), l1, l2, l3, l4};
    std::copy(values, values + 5, e.xclient.data.l);
    XSendEvent(d, target, False, NoEventMask, &e);
    XFlush(d);
  };
  auto await = [&](const char* type, XEvent* out) {
    return wait([&] {
      while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == SelectionRequest) {
          const XSelectionRequestEvent& r = e.xselectionrequest;
          const Offer* asked = nullptr;
          for (const Offer& o : offers) {
            if (atom(o.type.c_str()) == r.target) asked = &o;
          }
          if (!deliver) continue;
          XEvent reply{};
          reply.xselection.type = SelectionNotify;
          reply.xselection.requestor = r.requestor;
          reply.xselection.selection = r.selection;
          reply.xselection.target = r.target;
          reply.xselection.property = asked != nullptr ? r.property : None;
          reply.xselection.time = r.time;
          if (asked != nullptr) {
            XChangeProperty(d, r.requestor, r.property, r.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(asked->bytes.data()),
                            static_cast<int>(asked->bytes.size()));
          }
          XSendEvent(d, r.requestor, False, NoEventMask, &reply);
          XFlush(d);
        } else if (e.type == ClientMessage && e.xclient.message_type == atom(type)) {
          *out = e;
          return true;
        }
      }
      return false;
    });
  };
  // Up to three types travel in XdndEnter itself; more go in the source's XdndTypeList.
  long types[3] = {0, 0, 0};
  long more = 0;
  if (offers.size() > 3) {
    std::vector<Atom> list;
    for (const Offer& o : offers) list.push_back(atom(o.type.c_str()));
    XChangeProperty(d, source, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()),
                    static_cast<int>(list.size()));
    more = 1;
  } else {
    for (size_t i = 0; i < offers.size(); ++i) {
      types[i] = static_cast<long>(atom(offers[i].type.c_str()));
    }
  }
  message("XdndEnter", (5L << 24) | more, types[0], types[1], types[2]);
  message("XdndPosition", 0, (static_cast<long>(x) << 16) | y, CurrentTime,
          static_cast<long>(atom(action)));
  Result result;
  XEvent status;
  XEvent finished;
  result.accepted = await("XdndStatus", &status) && (status.xclient.data.l[1] & 1) != 0;
  if (result.accepted) {
    Atom named = static_cast<Atom>(status.xclient.data.l[4]);
    if (char* name = named != None ? XGetAtomName(d, named) : nullptr) {
      result.action = name;
      XFree(name);
    }
    message("XdndDrop", 0, CurrentTime, 0, 0);
    result.dropped = await("XdndFinished", &finished) && (finished.xclient.data.l[1] & 1) != 0;
  } else {
    message("XdndLeave", 0, 0, 0, 0);
  }
  XDestroyWindow(d, source);
  XFlush(d);
  return result;
}

bool XdndSource::drop(Window target, int x, int y, const std::string& uris) {
  Result r = drag(target, x, y, {{"text/uri-list", uris}});
  return r.accepted && r.dropped;
}

std::string fileUri(const std::string& path) {
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri.push_back(static_cast<char>(c));
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      uri += escaped;
    }
  }
  return uri;
}

}  // namespace lumetra::testlib
