// The interface of a stream that reads a file.
#pragma once

#include "core/io/IInputStream.h"

namespace s::file {

/// A byte input stream over a file (s::file::win::FileInputStream).
class IFileInputStream : public io::IInputStream {};

}  // namespace s::file
