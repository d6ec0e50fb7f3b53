// The network queries and the WinINet road of a download.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "platform/system/network/win/CCallback.h"

#include <windows.h>

namespace s::system::network::win {

/// The platform reports a connection (any but "offline"). Any thread.
bool isConnected();

/// Splits "http://host/path" or "https://host/path" (the scheme in any letter case; secure for
/// https) into a new host text (a ":port" suffix kept) and a new path text from its "/" on, both
/// taken from the StrBuffer pool for the caller to release. False, with both null, without one
/// of the two schemes or without a "/" after the host.
bool splitUrl(const WCHAR* url, str::strbuffer::StrBuffer*& host, str::strbuffer::StrBuffer*& path,
              bool& secure);

/// Fetches `url` with a GET that asks past every cache, with `userAgent` (a default when empty)
/// and `referrer` (none when empty), into a new file `filePath`. A ":digits" suffix of the host
/// is its port (else 80, or 443 for https). True only when the final status is 2xx, the whole
/// body arrived (at most 16 MiB) and the file was written; reports progress to `callback` (may be
/// null) when the length is known and stops between pieces once it is abandoned.
bool httpGetToFile(const WCHAR* url, const WCHAR* filePath, const WCHAR* userAgent,
                   const WCHAR* referrer, CCallback* callback);

}  // namespace s::system::network::win
