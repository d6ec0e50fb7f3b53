// Encoded images read from module resources.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::archive::dll {
class IArchive;
}

namespace s::image {

class IEncodedImage;

/// Reads the resource of type `typeName` and id `id` into `image`. False when the archive has no
/// such entry, when it cannot be extracted, or when `read` refuses its bytes.
bool readFromArchive(IEncodedImage* image, archive::dll::IArchive* archive, const WCHAR* typeName,
                     uint32_t id);

}  // namespace s::image
