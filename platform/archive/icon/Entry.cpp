// One image of an icon file, as an entry of the icon archive.
#include "platform/archive/icon/Entry.h"

#include "platform/ImagingHooks.h"

namespace s::archive::icon {

image::ico::IIconImage* Entry::createIconImage() {
  const platform::ImagingHooks* calls = platform::getImagingHooks();
  if (!isLoaded() || calls == nullptr || calls->readIconImage == nullptr) {
    return nullptr;
  }
  return calls->readIconImage(getBytes());
}

}  // namespace s::archive::icon
