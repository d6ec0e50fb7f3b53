// Top-level windows found through frames.
#include "testlib/X11Windows.h"

#include <X11/Xatom.h>

namespace lumetra::testlib {

namespace {

int ignoreError(Display*, XErrorEvent*) { return 0; }

// Windows of other clients (frames, a manager's own windows) may go while they are looked at:
// requests on them fail quietly instead of ending the test program.
class QuietErrors {
 public:
  explicit QuietErrors(Display* display) : m_display(display) {
    XSync(display, False);
    m_previous = XSetErrorHandler(&ignoreError);
  }
  ~QuietErrors() {
    XSync(m_display, False);
    XSetErrorHandler(m_previous);
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  Display* m_display;
  XErrorHandler m_previous;
};

std::vector<::Window> childrenOf(Display* display, ::Window w) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  std::vector<::Window> out;
  if (XQueryTree(display, w, &root, &parent, &children, &count) && children != nullptr) {
    out.assign(children, children + count);
  }
  if (children != nullptr) XFree(children);
  return out;
}

// The managed client inside a frame, a few levels down at most (managers nest a frame or two).
::Window clientIn(Display* display, ::Window w, int depth) {
  if (isManaged(display, w)) return w;
  if (depth == 0) return 0;
  for (::Window child : childrenOf(display, w)) {
    if (::Window found = clientIn(display, child, depth - 1)) return found;
  }
  return 0;
}

}  // namespace

bool isManaged(Display* display, ::Window w) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, w, XInternAtom(display, "WM_STATE", False), 0, 0, False,
                     AnyPropertyType, &type, &format, &count, &after, &data);
  if (data != nullptr) XFree(data);
  return type != None;
}

std::vector<::Window> clientWindows(Display* display) {
  QuietErrors quiet(display);
  std::vector<::Window> out;
  for (::Window child : childrenOf(display, DefaultRootWindow(display))) {
    const ::Window client = clientIn(display, child, 3);
    out.push_back(client != 0 ? client : child);
  }
  return out;
}

bool isMapped(Display* display, ::Window w) {
  QuietErrors quiet(display);
  XWindowAttributes attrs;
  return XGetWindowAttributes(display, w, &attrs) && attrs.map_state != IsUnmapped;
}

::Window frameOf(Display* display, ::Window w) {
  QuietErrors quiet(display);
  const ::Window rootWindow = DefaultRootWindow(display);
  while (w != 0) {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, w, &root, &parent, &children, &count)) return 0;
    if (children != nullptr) XFree(children);
    if (parent == rootWindow) return w;
    w = parent;
  }
  return 0;
}

}  // namespace lumetra::testlib
