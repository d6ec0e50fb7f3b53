// A small status record that an archive's user keeps alongside a long-running job.
#include "platform/archive/CallBack.h"

namespace s::archive {

CallBack::~CallBack() {
  if (held != nullptr) {
    held->release();
  }
}

void CallBack::reset() {
  for (void*& p : pointers) {
    p = nullptr;
  }
  rangeMaximum = 100;
  position = 100;
  history.freeAll();
  if (held != nullptr) {
    held->release();
    held = nullptr;
  }
}

}  // namespace s::archive
