// The shared body of the binding listeners: a source whose events switch a list of components.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/IPoolable.h"
#include "gui/IComponent.h"
#include "gui/events/IEventListener.h"

#include <cstdint>

namespace s::gui::events {

/// Hears events of one source only and applies `Action` to each target in the order they were
/// added; the event id is not looked at. Neither the source nor the targets are owned. Pooled by
/// each concrete listener (capacity 1000); `reset` forgets source and targets. Runs on the
/// thread that fires, the source's UI thread.
template <void (*Action)(IComponent*)>
class TargetListener : public IEventListener,
                       public base::IObject,
                       public virtual thread::IPoolable {
 public:
  void reset() override {
    m_source = nullptr;
    m_targets.clear();
  }
  void setSource(base::IObject* source) { m_source = source; }
  base::IObject* getSource() const { return m_source; }
  void addTarget(IComponent* target) {
    if (target != nullptr) {
      m_targets.push(target);
    }
  }
  int32_t getTargetCount() const { return static_cast<int32_t>(m_targets.getCount()); }

  void onEvent(base::IObject* source, int32_t /*eventId*/) override {
    if (source == nullptr || source != m_source) {
      return;
    }
    for (uint32_t i = 0; i < m_targets.getCount(); ++i) {
      Action(static_cast<IComponent*>(m_targets.getItems()[i]));
    }
  }

 private:
  base::IObject* m_source = nullptr;
  col::_array::ArrayP m_targets;
};

inline void enableTarget(IComponent* c) { c->setEnabled(true); }
inline void disableTarget(IComponent* c) { c->setEnabled(false); }
inline void makeTargetEditable(IComponent* c) { c->setEditable(true); }
inline void makeTargetUneditable(IComponent* c) { c->setEditable(false); }

}  // namespace s::gui::events
