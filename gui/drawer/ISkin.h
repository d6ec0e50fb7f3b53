// A skin: one named set of drawers, one of each kind, that windows and widgets paint with.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

namespace s::gui::drawer {

class IWindow;
class IButton;
class IText;
class IScrollBar;
class ICheckBox;
class IRadioButton;
class ISlider;
class ICounter;
class IListHeader;
class IListBox;
class IStatusBar;
class IMenu;
class ICombo;
class IGroupBox;
class ITabBox;

/// A named set of drawers. The skin owns the drawers it built and gives them back to their pools
/// when it is reset; the plain setters only store the pointer and release nothing. Windows and
/// widgets borrow the drawers (they never release one that came from a skin). Drawers are only
/// read while painting, so every UI thread may use the same skin.
class ISkin : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual const WCHAR* getName() = 0;
  virtual void setName(const WCHAR* name) = 0;
  virtual IWindow* getWindowDrawer() = 0;
  virtual void setWindowDrawer(IWindow* drawer) = 0;
  virtual IButton* getButtonDrawer() = 0;
  virtual void setButtonDrawer(IButton* drawer) = 0;
  virtual IText* getTextDrawer() = 0;
  virtual void setTextDrawer(IText* drawer) = 0;
  virtual IScrollBar* getScrollBarDrawer() = 0;
  virtual void setScrollBarDrawer(IScrollBar* drawer) = 0;
  virtual ICheckBox* getCheckBoxDrawer() = 0;
  virtual void setCheckBoxDrawer(ICheckBox* drawer) = 0;
  virtual IRadioButton* getRadioButtonDrawer() = 0;
  virtual void setRadioButtonDrawer(IRadioButton* drawer) = 0;
  virtual ISlider* getSliderDrawer() = 0;
  virtual void setSliderDrawer(ISlider* drawer) = 0;
  virtual ICounter* getCounterDrawer() = 0;
  virtual void setCounterDrawer(ICounter* drawer) = 0;
  virtual IListHeader* getListHeaderDrawer() = 0;
  virtual void setListHeaderDrawer(IListHeader* drawer) = 0;
  virtual IListBox* getListBoxDrawer() = 0;
  virtual void setListBoxDrawer(IListBox* drawer) = 0;
  virtual IStatusBar* getStatusBarDrawer() = 0;
  virtual void setStatusBarDrawer(IStatusBar* drawer) = 0;
  virtual IMenu* getMenuDrawer() = 0;
  virtual void setMenuDrawer(IMenu* drawer) = 0;
  virtual ICombo* getComboDrawer() = 0;
  virtual void setComboDrawer(ICombo* drawer) = 0;
  virtual IGroupBox* getGroupBoxDrawer() = 0;
  virtual void setGroupBoxDrawer(IGroupBox* drawer) = 0;
  virtual ITabBox* getTabBoxDrawer() = 0;
  virtual void setTabBoxDrawer(ITabBox* drawer) = 0;
};

}  // namespace s::gui::drawer
