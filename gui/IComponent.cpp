// The shared default bodies of the component operations: centring in the parent, removing
// children, and the background colour seen through parents.
#include "gui/IComponent.h"

#include "core/col/array/ArrayP.h"
#include "core/thread/IPoolable.h"

namespace s::gui {

void IComponent::centerHorizontally() {
  IComponent* parent = getParent();
  if (parent == nullptr) {
    return;
  }
  const int32_t room = parent->getClientWidth();
  const int32_t width = getWidth();
  setX(width < room ? (room - width) / 2 : 0);
}

void IComponent::centerVertically() {
  IComponent* parent = getParent();
  if (parent == nullptr) {
    return;
  }
  const int32_t room = parent->getClientHeight();
  const int32_t height = getHeight();
  setY(height < room ? (room - height) / 2 : 0);
}

void IComponent::center() {
  IComponent* parent = getParent();
  if (parent == nullptr) {
    return;
  }
  const int32_t roomWidth = parent->getClientWidth();
  const int32_t roomHeight = parent->getClientHeight();
  const int32_t width = getWidth();
  const int32_t height = getHeight();
  setLocation(width < roomWidth ? (roomWidth - width) / 2 : 0,
              height < roomHeight ? (roomHeight - height) / 2 : 0);
}

namespace {

/// Destroys a child taken out of its container: its own children first when asked, then its
/// native control, then the object goes back to its pool.
void dispose(IComponent* child, bool destroy) {
  if (destroy && child->isContainer()) {
    child->removeAll(true);
  }
  child->setParent(nullptr);
  if (auto* poolable = dynamic_cast<thread::IPoolable*>(child)) {
    poolable->release();
  }
}

}  // namespace

void IComponent::remove(IComponent* child, bool destroy) {
  col::_array::ArrayP* children = getChildren();
  if (children == nullptr || children->getCount() == 0) {
    return;
  }
  if (children->removeItem(child) != nullptr) {
    dispose(child, destroy);
  }
  relayout();
}

void IComponent::removeAll(bool destroy) {
  col::_array::ArrayP* children = getChildren();
  if (children == nullptr) {
    return;
  }
  while (children->getCount() > 0) {
    const uint32_t last = children->getCount() - 1;
    auto* child = static_cast<IComponent*>(children->getItems()[last]);
    children->removeItem(child);
    dispose(child, destroy);
  }
  children->freeAll();
}

uint32_t IComponent::getEffectiveBackgroundColor(IComponent* component) {
  IComponent* current = component;
  while (current->isParentBackground()) {
    IComponent* parent = current->getParent();
    if (parent == nullptr) {
      break;
    }
    current = parent;
  }
  return current->getBackgroundColor();
}

}  // namespace s::gui
