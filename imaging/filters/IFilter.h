// The interface of an image filter.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <winnt.h>

namespace s::image::win {
class BufferedImage;
}

namespace s::image::filters {

/// One filter of an image's filter list. The list releases a filter it removes only when the
/// filter says it is owned by the list; a borrowed filter stays its lender's.
class IFilter : public base::IObject, public virtual thread::IPoolable {
 public:
  /// The filter's key text; the list finds filters by this text's address.
  virtual const WCHAR* getKey() = 0;
  virtual bool isOwnedByList() = 0;
  virtual void setOwnedByList(bool owned) = 0;
  /// Makes the filtered image of `source` in `destination` (a new pooled image, which the caller
  /// releases, when null) and answers it; null when the filter cannot run.
  virtual win::BufferedImage* filter(win::BufferedImage* source,
                                     win::BufferedImage* destination) = 0;
};

}  // namespace s::image::filters
