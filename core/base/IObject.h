// The root interface of every library object.
#pragma once

#include "core/base/IComparable.h"

#include <winnt.h>

namespace s::base {

/// Every library object names its class and makes fresh objects of it.
///
/// `getClassName` answers the qualified class name with each "::" written "_", a constant text
/// ("s_str_strbuffer_StrBuffer"). `newInstance` answers a fresh object of the same class in its
/// default state: for pooled classes one taken from the class pool, which the caller releases.
/// The default `hashCode` is a constant of the class (derived from its name).
class IObject : public IComparable {
 public:
  uint32_t hashCode() const override;
  virtual const WCHAR* getClassName() const = 0;
  virtual IObject* newInstance() const = 0;
};

}  // namespace s::base
