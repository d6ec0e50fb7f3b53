// Conformance of the token and SID calls: the process user's SID as the registry's current-user
// hive names it.
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace {

// The standard text of a SID, built from the accessors the way callers build it.
std::string sidText(PSID sid) {
  std::string text = "S-1-";
  PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
  unsigned long long value = 0;
  for (BYTE b : authority->Value) value = (value << 8) | b;
  text += std::to_string(value);
  for (DWORD i = 0; i < *GetSidSubAuthorityCount(sid); ++i) {
    text += '-';
    text += std::to_string(*GetSidSubAuthority(sid, i));
  }
  return text;
}

TEST(Token, UserSidIsSynthesisedFromTheUserId) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD needed = 0;
  // The size probe: no buffer, the needed size, ERROR_INSUFFICIENT_BUFFER.
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GE(needed, sizeof(TOKEN_USER) + 8 + 5 * sizeof(DWORD));
  std::vector<BYTE> small(needed - 1);
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, small.data(), needed - 1, &needed));
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed));
  EXPECT_TRUE(CloseHandle(token));
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  // The SID lives inside the caller's buffer, so it stays valid as long as the buffer.
  EXPECT_GE(static_cast<BYTE*>(sid), buffer.data());
  EXPECT_LT(static_cast<BYTE*>(sid), buffer.data() + buffer.size());
  ASSERT_TRUE(IsValidSid(sid));
  EXPECT_EQ(sidText(sid), "S-1-5-21-0-0-0-" + std::to_string(getuid()));
}

TEST(Token, OnlyTheCurrentProcessTokenAndTokenUserAreAnswered) {
  HANDLE token = nullptr;
  EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(0x1234), TOKEN_QUERY, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD needed = 0;
  BYTE buffer[256];
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, buffer, sizeof(buffer), &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(CloseHandle(token));
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // A token opened without the right to query answers nothing.
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(token);
}

TEST(Sid, ValidityAndAccessorsFollowTheLayout) {
  struct {
    BYTE revision, count;
    BYTE authority[6];
    DWORD sub[4];
  } sid = {1, 4, {0x12, 0x34, 0, 0, 0, 5}, {21, 1, 2, 1001}};
  EXPECT_TRUE(IsValidSid(&sid));
  EXPECT_EQ(sidText(&sid), "S-1-20014547599365-21-1-2-1001");
  EXPECT_EQ(GetSidSubAuthority(&sid, 3), &sid.sub[3]);
  sid.revision = 2;
  EXPECT_FALSE(IsValidSid(&sid));
  sid.revision = 1;
  sid.count = 16;
  EXPECT_FALSE(IsValidSid(&sid));
  EXPECT_FALSE(IsValidSid(nullptr));
}

}  // namespace

TEST(Privileges, StandardNamesAndTheDocumentedRefusal) {
  LUID luid{};
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"SeShutdownPrivilege", &luid));
  EXPECT_EQ(luid.LowPart, 19u);
  ASSERT_TRUE(LookupPrivilegeValueW(nullptr, u"sebackupprivilege", &luid));
  EXPECT_EQ(luid.LowPart, 17u);
  EXPECT_FALSE(LookupPrivilegeValueW(nullptr, u"SeNoSuchPrivilege", &luid));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));

  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "adjusting needs TOKEN_ADJUST_PRIVILEGES";
  CloseHandle(token);
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  SetLastError(0);
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  CloseHandle(token);
}
