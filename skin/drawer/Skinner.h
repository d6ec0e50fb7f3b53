// The skinner: a catalogue of skins of one type, the current one, and the listeners told of each
// change.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/ISkinner.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace s::gui::drawer {

/// Owns the skins of its catalogue (given back to their pools when it is reset); borrows its
/// current skin from the catalogue and its listeners from their owners, who remove themselves
/// before they go. Pooled (capacity 1000); a reset skinner has the type name "Basic" and nothing
/// else. Used by the UI thread of the window that holds it and by the code that sets that window
/// up; it has no lock.
class Skinner final : public ISkinner {
  S_POOLED_CLASS(Skinner, u"s_gui_drawer_Skinner")

  Skinner() { reset(); }
  ~Skinner() override { reset(); }
  Skinner(const Skinner&) = delete;
  Skinner& operator=(const Skinner&) = delete;
  void reset() override;

  const WCHAR* getTypeName() const { return m_typeName.c_str(); }
  void setTypeName(const WCHAR* name) { m_typeName = name != nullptr ? name : u""; }

  /// Fills the catalogue of the type name, compared whole and ignoring case: 13 skins for
  /// "Thin", 16 for "ThinWindow", none for any other. It does not empty the catalogue first.
  void registerSkins();
  /// Appends `skin`, which the skinner owns from now on, with a copy of its name; true.
  bool addSkin(ISkin* skin);
  /// Makes skin `index` current and sends `onEvent(this, 0)` to every listener in the order they
  /// were added; nothing when it is current already or when there is no skin `index`.
  void selectSkin(int32_t index);
  /// Selects the first skin whose name equals `name` ignoring case, else skin 0.
  void selectSkinByName(const WCHAR* name);
  /// True with the index of the first skin named `name` (ignoring case); false with -1.
  bool findSkin(const WCHAR* name, int32_t& index) const;

  ISkin* getCurrentSkin() override { return m_current; }
  void addListener(events::IEventListener* listener) override;
  /// Takes out every entry of `listener`; removed during an event, it is not called afterwards.
  void removeListener(events::IEventListener* listener) override;

  int32_t getSkinCount() const { return static_cast<int32_t>(m_skins.size()); }
  /// Skin `index` of the catalogue (still owned by the skinner), or null.
  ISkin* getSkinAt(int32_t index) const;
  /// The name skin `index` had when it was added, or null.
  const WCHAR* getSkinNameAt(int32_t index) const;
  int32_t getListenerCount() const { return static_cast<int32_t>(m_listeners.size()); }

 private:
  std::u16string m_typeName;
  std::vector<ISkin*> m_skins;
  std::vector<std::u16string> m_names;
  ISkin* m_current = nullptr;
  std::vector<events::IEventListener*> m_listeners;
  /// The listener being told of a change, so removals during the event keep the walk in step;
  /// -1 outside an event.
  int32_t m_notifying = -1;
};

}  // namespace s::gui::drawer
