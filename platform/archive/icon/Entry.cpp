// One image of an icon file, as an entry of the icon archive.
#include "platform/archive/icon/Entry.h"

#include "platform/archive/icon/IconImaging.h"

namespace s::archive::icon {

image::ico::IIconImage* Entry::createIconImage() {
  const IconImaging* calls = getIconImaging();
  if (!isLoaded() || calls == nullptr || calls->readIconImage == nullptr) {
    return nullptr;
  }
  return calls->readIconImage(getBytes());
}

}  // namespace s::archive::icon
