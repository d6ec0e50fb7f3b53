// The interface of a format's save options.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <winnt.h>

namespace s::map {
class IMappedData;
}

namespace s::image {

class IBufferedImageSet;
class IEncodedImage;
namespace gui {
class IEncodeSettingBox;
}
namespace win {
class BufferedImage;
}

/// The options one format is saved with, kept in the settings store below a sub-key of the
/// format's own, and what makes encoded images with them. Every value has an accessor pair on
/// the format's class, for the option panels. A setting taken from its pool and never bound holds
/// the defaults, which is how the codecs make their `createLike` images.
class IEncodeSetting : public base::IObject, public virtual thread::IPoolable {
 public:
  /// A new encoded image of the format made from `set` (the caller releases it); null for an
  /// empty set.
  virtual IEncodedImage* createFromSet(IBufferedImageSet* set) = 0;
  /// A new encoded image of the format made from `image` (its filtered result when it has
  /// filters) with these values; null when there is nothing to encode. A value the format
  /// cannot make leaves the image empty, so its `write` answers false.
  virtual IEncodedImage* createEncoded(win::BufferedImage* image) = 0;
  /// Takes the format's option panel from its pool, links panel and setting to each other and
  /// answers the panel; null while the toolkit has installed no panels.
  virtual gui::IEncodeSettingBox* createPanel() = 0;
  /// Takes the bound panel's values over and saves them; true when no panel is bound.
  virtual bool applyPanel() = 0;
  virtual bool hasStore() = 0;
  virtual map::IMappedData* getStore() = 0;
  /// Keeps a copy of `section` and the store (not owned), then loads.
  virtual void bind(const WCHAR* section, map::IMappedData* store) = 0;
  /// Reads every value from section + the format's sub-key, the defaults where the store has
  /// none; false without a store.
  virtual bool load() = 0;
  /// Writes every value to the same section; false without a store.
  virtual bool save() = 0;
};

}  // namespace s::image
