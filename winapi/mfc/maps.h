// The framework's handle maps: permanent objects (attached by the program, process-wide) and
// temporary ones (made by FromHandle for handles nobody attached, one set per thread, freed
// when the thread's loop is idle). Internal to the framework.
#pragma once

#include <afxwin.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace winapi::mfc {

template <typename Handle, typename Object>
class HandleMaps {
 public:
  Object* permanent(Handle h) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_permanent.find(h);
    return it == m_permanent.end() ? nullptr : it->second;
  }
  void addPermanent(Handle h, Object* o) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_permanent[h] = o;
  }
  void removePermanent(Handle h) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_permanent.erase(h);
  }
  /// The calling thread's temporary object for h, made by make() the first time.
  Object* temporary(Handle h, const std::function<Object*()>& make) {
    auto& mine = temporaries();
    auto it = mine.find(h);
    if (it != mine.end()) return it->second.get();
    Object* o = make();
    mine[h].reset(o);
    return o;
  }
  /// Frees the calling thread's temporary objects; release(o) first lets go of the handle,
  /// which a temporary object never owns.
  void freeTemporaries(const std::function<void(Object*)>& release) {
    auto& mine = temporaries();
    for (auto& entry : mine) release(entry.second.get());
    mine.clear();
  }

 private:
  std::map<Handle, std::unique_ptr<Object>>& temporaries() {
    thread_local std::map<Handle, std::unique_ptr<Object>> t;
    return t;
  }
  std::mutex m_lock;
  std::map<Handle, Object*> m_permanent;
};

HandleMaps<HWND, CWnd>& windowMaps();
HandleMaps<HDC, CDC>& dcMaps();
HandleMaps<HGDIOBJ, CGdiObject>& gdiMaps();

/// Frees every temporary framework object of the calling thread.
void freeTemporaryObjects();

}  // namespace winapi::mfc
