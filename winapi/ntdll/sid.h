// The process user's security identifier, shared by the token calls and the registry, whose
// current-user hive is named after it.
#pragma once

#include <string>

#include <winsecurity.h>

namespace winapi {

/// The SID of the user the process runs as: S-1-5-21-0-0-0-<uid>. It lives as long as the process.
const SID* currentUserSid();

/// The SID as its standard text, "S-1-5-21-0-0-0-1000".
std::u16string currentUserSidText();

}  // namespace winapi
