// The download's bind-status callback.
#include "platform/system/network/win/CCallback.h"

namespace s::system::network::win {

HRESULT STDMETHODCALLTYPE CCallback::OnProgress(ULONG progress, ULONG maximum, ULONG, LPCWSTR) {
  if (isAbandoned() || static_cast<int64_t>(progress) > kMaxBytes) {
    return E_ABORT;
  }
  if (m_progress != nullptr) {
    m_progress(static_cast<int64_t>(maximum), static_cast<int64_t>(progress), m_user1, m_user2);
  }
  return S_OK;
}

}  // namespace s::system::network::win
