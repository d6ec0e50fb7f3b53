// Internal to the layer: a drag over this process's windows as a display driver reports it, and
// the data object it carries. Drivers call from any thread; drop targets run on the threads of
// their windows.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace winapi::ole {

/// Whether OLE was initialised on the calling thread.
bool oleInitialized();

/// What a drag carries: formats, each with its bytes once they are known. Dropped files travel as
/// CF_HDROP (a DROPFILES block of wide names) and, where no drop target takes them, as
/// WM_DROPFILES. Reference-counted (create gives the first reference); safe on any thread.
class DragData final : public IDataObject {
 public:
  static DragData* create();

  /// Offers a format whose bytes come later through supply; until then GetData fails.
  void offer(CLIPFORMAT format);
  /// Offers a format with its bytes (replacing what it had).
  void supply(CLIPFORMAT format, std::vector<uint8_t> bytes);
  /// Offers files (Windows paths): CF_HDROP, and the names for WM_DROPFILES.
  void setFiles(std::vector<std::u16string> files);
  bool hasFiles() const;
  std::vector<std::u16string> files() const;
  bool offers(CLIPFORMAT format) const;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  /// A new movable global block with a copy of the bytes, which the caller owns
  /// (pUnkForRelease stays null). TYMED_HGLOBAL and DVASPECT_CONTENT only.
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  /// S_OK for an offered format in global memory, even while its bytes are still to come.
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;

 private:
  DragData() = default;
  struct Format {
    CLIPFORMAT format;
    bool ready;
    std::vector<uint8_t> bytes;
  };
  Format* find(CLIPFORMAT format);
  HRESULT check(const FORMATETC* format, Format** found);

  mutable std::mutex m_lock;
  std::vector<Format> m_formats;
  std::vector<std::u16string> m_files;
  bool m_hasFiles = false;
  std::atomic<ULONG> m_references{1};
};

/// One drag over the windows of this process, from its first move to its leave or drop.
/// At each point the drag goes to the drop target of the window under the pointer, or of its
/// nearest ancestor that has one; only where none is registered does a drag carrying files go
/// to the window there that accepts files, with DROPEFFECT_COPY and, at the drop, WM_DROPFILES.
/// A target is entered when the drag reaches it and left when the drag moves on, so it hears
/// DragEnter, DragOver..., then DragLeave or Drop, each on its window's thread. With `wait` the
/// step runs there and the caller waits for the effect; without it the step is queued there and
/// `answer` hears the effect on that thread (at once where no target is involved).
/// Driven by one thread at a time.
class DragSession {
 public:
  using Answer = std::function<void(DWORD effect)>;

  /// Takes a reference to the data; allowedEffects are the DROPEFFECT_* the source offers.
  DragSession(DragData* data, DWORD allowedEffects);
  /// Leaves a target still entered, without waiting.
  ~DragSession();
  DragSession(const DragSession&) = delete;
  DragSession& operator=(const DragSession&) = delete;

  /// The pointer is at a screen point over a top-level window of this process.
  DWORD move(HWND top, POINT screen, bool wait, const Answer& answer = {});
  /// The drag left the process's windows or was cancelled.
  void leave(bool wait);
  /// The button was released at a screen point: the target there takes the data, or refuses.
  DWORD drop(HWND top, POINT screen, bool wait, const Answer& answer = {});

  DragData* data() const { return m_data; }
  DWORD allowedEffects() const { return m_allowed; }

 private:
  struct Route {
    HWND hwnd = nullptr;
    IDropTarget* target = nullptr;
    bool files = false;
  };
  Route routeAt(HWND top, POINT screen) const;
  DWORD onTarget(HWND hwnd, bool wait, std::function<DWORD()> step, const Answer& answer);
  void leaveCurrent(bool wait);

  DragData* m_data;
  DWORD m_allowed;
  Route m_current;
};

}  // namespace winapi::ole
