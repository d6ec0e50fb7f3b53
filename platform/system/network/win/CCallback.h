// The bind-status callback every download passes: it reports progress to the download's
// progress function and ends a download that was abandoned or grew too large.
#pragma once

#include "platform/system/network/IDownloader.h"

#include <urlmon.h>

#include <atomic>
#include <cstdint>

namespace s::system::network::win {

/// Lives on the worker's stack for one download. Only OnProgress does anything: it answers
/// E_ABORT once `abandoned` (the run's flag, may be null) is set or the progress passes the
/// limit, and otherwise calls the progress function when one is set. The other methods answer
/// E_NOTIMPL; AddRef and Release answer 0, the object is never shared.
class CCallback final : public IBindStatusCallback {
 public:
  /// The largest download: the program's replies are a few bytes.
  static constexpr int64_t kMaxBytes = 16 * 1024 * 1024;

  CCallback(ProgressFunction progress, int64_t user1, int64_t user2,
            const std::atomic<bool>* abandoned = nullptr)
      : m_progress(progress), m_user1(user1), m_user2(user2), m_abandoned(abandoned) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG status,
                                       LPCWSTR text) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  /// The download should end now: its run was abandoned.
  bool isAbandoned() const { return m_abandoned != nullptr && m_abandoned->load(); }

 private:
  ProgressFunction m_progress;
  int64_t m_user1;
  int64_t m_user2;
  const std::atomic<bool>* m_abandoned;
};

}  // namespace s::system::network::win
