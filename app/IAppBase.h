// The application object as the rest of the program sees it: the program's paths, resources,
// language, skin pictures, settings and the hand-over to a running copy.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::archive::icon {
class Archive;
}
namespace s::file::win {
class PathWin;
}
namespace s::gui::drawer {
class ISkinner;
}
namespace s::image::ico {
class IIconImage;
}
namespace s::image::jpg::win {
class Jpeg;
}
namespace s::image::win {
class BufferedImage;
}
namespace s::lang {
class Localizer;
}
namespace s::map {
class IMappedData;
}
namespace s::process::commandline::win {
class CommandLine;
}

namespace s::app {

/// The one application object of a process. The operations keep their virtual order after the
/// object operations. Objects answered by getters stay the application's; the icon images and
/// bitmaps answered as new belong to the caller, who releases them. Texts answered stay valid
/// until the next read from the settings store.
class IAppBase : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual const WCHAR* getEditionName() = 0;
  virtual file::win::PathWin* getProgramPath() = 0;
  virtual file::win::PathWin* getProgramFolder() = 0;
  virtual process::commandline::win::CommandLine* getCommandLine() = 0;
  virtual archive::icon::Archive* getIconArchive() = 0;
  /// The entry of the icon group that fits the size best, as a new icon image; null when there is
  /// none or it cannot be read.
  virtual image::ico::IIconImage* getIcon16() = 0;
  virtual image::ico::IIconImage* getIcon32() = 0;
  virtual image::ico::IIconImage* getIcon64() = 0;
  virtual image::ico::IIconImage* getIcon128() = 0;
  virtual image::ico::IIconImage* getIcon256() = 0;
  /// The best-fitting entry decoded into a new buffered image; null when it cannot be.
  virtual image::win::BufferedImage* getIconBitmap64() = 0;
  virtual image::win::BufferedImage* getIconBitmap128() = 0;
  virtual image::win::BufferedImage* getIconBitmap256() = 0;
  /// A new icon archive filled from the program's group-icon resource `groupId`; null when there
  /// is no such group.
  virtual archive::icon::Archive* loadIconGroup(uint32_t groupId) = 0;
  virtual int32_t getTitleTextId() = 0;
  virtual lang::Localizer* getLocalizer() = 0;
  /// Skin picture 1 decoded into `target` (null: a new image); null when it holds no picture.
  virtual image::win::BufferedImage* decodeSkinImage1(image::win::BufferedImage* target) = 0;
  virtual image::jpg::win::Jpeg* getSkinImage1() = 0;
  virtual image::win::BufferedImage* decodeSkinImage2(image::win::BufferedImage* target) = 0;
  virtual image::jpg::win::Jpeg* getSkinImage2() = 0;
  virtual map::IMappedData* getSettings() = 0;
  /// Flushes the store and remembers that it was saved; the flush's answer.
  virtual bool saveSettings() = 0;
  virtual bool hasSkinner() = 0;
  virtual gui::drawer::ISkinner* getSkinner() = 0;
  /// The stored language name, by default the current pack's English name.
  virtual const WCHAR* getLanguage() = 0;
  virtual void setLanguage(const WCHAR* name) = 0;
  virtual const WCHAR* getSkinName() = 0;
  virtual void setSkinName(const WCHAR* name) = 0;
  /// Whether another process runs this program for this user on this display and answers
  /// within 2 s; with `activate` it is also handed over to. The look is one step with this
  /// start's claim to be the running copy: starts of the program look one after another, and
  /// one that finds no running copy holds the claim until its window shows.
  virtual bool detectRunningInstance(bool activate, bool sendInstanceEvent, bool passTitles) = 0;
  /// The same over the top-level windows of the calling thread's desktop.
  virtual bool detectRunningInstanceOnDesktop(bool activate, bool sendInstanceEvent,
                                              bool passTitles) = 0;
  /// A new XML store on the program folder's "savedata\SaveData.xml" (the caller releases it).
  virtual map::IMappedData* openXmlSettings() = 0;
  /// The registry store of the product's "SaveData" key.
  virtual map::IMappedData* openRegistrySettings() = 0;
  /// Opens the product page once when the installer left the "Silent" flag set.
  virtual void openProductPageIfSilentFlag() = 0;
};

}  // namespace s::app
