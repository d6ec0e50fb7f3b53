// Security identifiers: the synthesised user SID and the SID accessors.
// Status: IsValidSid, GetSidIdentifierAuthority, GetSidSubAuthorityCount, GetSidSubAuthority.
// The accessors check nothing, as on Windows: they are given a valid SID.
#include "winapi/ntdll/sid.h"

#include <windows.h>

#include <unistd.h>

#include <cstddef>

namespace winapi {

namespace {

// A SID with room for the five sub-authorities of a local account's SID.
struct UserSid {
  BYTE Revision;
  BYTE SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  DWORD SubAuthority[5];
};

const UserSid& userSid() {
  // Windows local accounts are S-1-5-21-<three machine numbers>-<relative id>; the machine
  // numbers are zero and the relative id is the POSIX user id.
  static const UserSid sid = {
      SID_REVISION, 5, SECURITY_NT_AUTHORITY, {SECURITY_NT_NON_UNIQUE, 0, 0, 0, static_cast<DWORD>(getuid())}};
  return sid;
}

}  // namespace

const SID* currentUserSid() { return reinterpret_cast<const SID*>(&userSid()); }

std::u16string currentUserSidText() {
  const UserSid& sid = userSid();
  // Appended piece by piece: "S-1-5" and five "-<number>" parts of at most eleven characters.
  std::u16string text;
  text.reserve(5 + 5 * 11);
  text.append(u"S-1-5");
  for (BYTE i = 0; i < sid.SubAuthorityCount; ++i) {
    text.push_back(u'-');
    for (char digit : std::to_string(sid.SubAuthority[i])) text.push_back(static_cast<char16_t>(digit));
  }
  return text;
}

}  // namespace winapi

extern "C" BOOL WINAPI IsValidSid(PSID sid) {
  const SID* s = static_cast<const SID*>(sid);
  return s != nullptr && s->Revision == SID_REVISION && s->SubAuthorityCount <= SID_MAX_SUB_AUTHORITIES;
}

extern "C" PSID_IDENTIFIER_AUTHORITY WINAPI GetSidIdentifierAuthority(PSID sid) {
  SetLastError(ERROR_SUCCESS);
  return &static_cast<SID*>(sid)->IdentifierAuthority;
}

extern "C" UCHAR* WINAPI GetSidSubAuthorityCount(PSID sid) {
  SetLastError(ERROR_SUCCESS);
  return &static_cast<SID*>(sid)->SubAuthorityCount;
}

extern "C" PDWORD WINAPI GetSidSubAuthority(PSID sid, DWORD index) {
  SetLastError(ERROR_SUCCESS);
  // The array runs past its declared single element, as in every SID.
  return reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(sid) + offsetof(SID, SubAuthority)) + index;
}
