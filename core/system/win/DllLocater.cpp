// The holder of one module loaded at run time.
#include "core/system/win/DllLocater.h"

namespace s::system::win {

void DllLocater::reset() {
  if (m_module != nullptr) {
    FreeLibrary(m_module);
    m_module = nullptr;
  }
}

bool DllLocater::load(const WCHAR* fileName) {
  setModule(LoadLibraryW(fileName));
  return m_module != nullptr;
}

void DllLocater::setModule(HMODULE module) {
  reset();
  m_module = module;
}

}  // namespace s::system::win
