// The holder of one module loaded at run time.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

namespace s::system::win {

/// Holds one module handle (null when it holds none) and frees the module when it is reset or
/// destroyed. Users keep one in a function-local static for the life of the process and load
/// the module into it once ("lame_enc.dll", "ntdll.dll"); a null handle after loading means the
/// module is missing. Pooled (capacity 1000). Loading is done once, during the static's
/// construction; afterwards any thread may read the handle.
class DllLocater final : public virtual thread::IPoolable, public base::IObject {
  S_POOLED_CLASS(DllLocater, u"s_system_win_DllLocater")

  DllLocater() = default;
  ~DllLocater() override { reset(); }
  DllLocater(const DllLocater&) = delete;
  DllLocater& operator=(const DllLocater&) = delete;

  /// Frees the module when one is held; then holds none.
  void reset() override;

  /// Frees what it held and loads `fileName` (LoadLibraryW); false when the module is missing,
  /// with the last error set.
  bool load(const WCHAR* fileName);
  HMODULE getModule() const { return m_module; }
  /// Holds `module` from now on, after freeing what it held.
  void setModule(HMODULE module);

 private:
  HMODULE m_module = nullptr;
};

}  // namespace s::system::win
