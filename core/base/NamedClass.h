// The tail of a library class that is not pooled: its class-name text and `newInstance`.
//
//     class CompP final : public IObject, public IComparator {
//       S_NAMED_CLASS(CompP, u"s_comp_CompP")
//       ...
//     };
//
// gives `getClassName()` (the text) and `newInstance()` (a newly allocated object, null when out
// of memory; the caller deletes it). It opens a `public:` section; put it first in the class body.
// Pooled classes use S_POOLED_CLASS (core/thread/ClassTail.h) instead.
#pragma once

#include "core/base/IObject.h"

#include <new>

#define S_NAMED_CLASS(Class, nameText)                            \
 public:                                                          \
  const WCHAR* getClassName() const override { return nameText; } \
  ::s::base::IObject* newInstance() const override { return new (::std::nothrow) Class(); }
