// A pooled text for tests: taken and assigned on construction, given back at the end of its scope.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/Pooled.h"

class PooledText : public s::thread::Pooled<s::str::strbuffer::StrBuffer> {
 public:
  explicit PooledText(const char16_t* value = u"") { get()->assign(value); }
};
