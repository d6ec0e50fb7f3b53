// The interface of a stream that writes a file.
#pragma once

#include "core/io/IOutputStream.h"

namespace s::file {

/// A byte output stream into a file (s::file::win::FileOutputStream).
class IFileOutputStream : public io::IOutputStream {};

}  // namespace s::file
