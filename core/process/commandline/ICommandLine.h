// The interface of the program's command line.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::process::commandline {

/// The program's arguments in order, without the program itself.
class ICommandLine : public base::IObject {
 public:
  /// The interface's own class-name text; an implementation names its own class instead.
  static constexpr const WCHAR* kClassName = u"s_process_commandline_ICommandLine";
  const WCHAR* getClassName() const override { return kClassName; }

  virtual uint32_t getCount() const = 0;
  /// The argument at `index` (below getCount()), owned by the command line.
  virtual const WCHAR* getArgument(uint32_t index) const = 0;
  /// Diagnostic hook; does nothing observable.
  virtual void dump() const = 0;
};

}  // namespace s::process::commandline
