// The restart request. ExitWindowsEx is always answered by the seam: no
// test restarts the machine it runs on.

#include <gtest/gtest.h>

#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"

namespace {

// Notes what the log held when the restart was requested.
class ObservedRestart : public FaultyCalls {
 public:
  explicit ObservedRestart(const TestLogFile& log) : m_log(log) {}
  BOOL ExitWindowsEx(UINT flags, DWORD reason) override {
    m_logAtRequest = m_log.Text();
    return FaultyCalls::ExitWindowsEx(flags, reason);
  }

  const TestLogFile& m_log;
  std::string m_logAtRequest;
};

// The attributes of a privilege in this process's token; 0 when absent.
DWORD PrivilegeAttributes(const char* name) {
  LUID luid;
  if (!LookupPrivilegeValueA(nullptr, name, &luid)) return 0;
  unique_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return 0;
  std::vector<BYTE> buffer(4096);
  DWORD length = 0;
  if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &length)) {
    return 0;
  }
  const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID& candidate = privileges->Privileges[i].Luid;
    if (candidate.LowPart == luid.LowPart && candidate.HighPart == luid.HighPart) {
      return privileges->Privileges[i].Attributes;
    }
  }
  return 0;
}

void DisablePrivilege(const char* name) {
  unique_handle token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put()));
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid));
  privileges.Privileges[0].Attributes = 0;
  ASSERT_TRUE(AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr));
}

class RestartSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(nullptr, m_harness.m_constructionFailure); }

  EngineHarness m_harness;
  ObservedRestart m_calls{m_harness.m_log};
};

TEST_F(RestartSystemTest, LogsThenRequestsAPlainRestartWithReasonZero) {
  ScopedSystemCalls seam(m_calls);

  EXPECT_NE(0u, m_harness.Engine().RestartSystem());

  ASSERT_EQ(1u, m_calls.ExitRequests().size());
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), m_calls.ExitRequests()[0].flags);  // not forced, not a shutdown
  EXPECT_EQ(0u, m_calls.ExitRequests()[0].reason);
  EXPECT_EQ("Restart System\r\n", m_calls.m_logAtRequest);
  EXPECT_EQ(std::vector<std::string>{"Restart System"}, m_harness.LogLines());
}

TEST_F(RestartSystemTest, EnablesTheShutdownPrivilegeFirst) {
  DisablePrivilege(SE_SHUTDOWN_NAME);
  ASSERT_EQ(0u, PrivilegeAttributes(SE_SHUTDOWN_NAME) & SE_PRIVILEGE_ENABLED);
  ScopedSystemCalls seam(m_calls);

  m_harness.Engine().RestartSystem();

  EXPECT_NE(0u, PrivilegeAttributes(SE_SHUTDOWN_NAME) & SE_PRIVILEGE_ENABLED);
  EXPECT_EQ(1, m_calls.Count("LookupPrivilegeValueA"));
  EXPECT_EQ(1, m_calls.Count("AdjustTokenPrivileges"));
}

TEST_F(RestartSystemTest, TokenThatCannotBeOpenedStillRequestsTheRestart) {
  m_calls.FailCall("OpenProcessToken", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(m_calls);

  EXPECT_NE(0u, m_harness.Engine().RestartSystem());

  EXPECT_EQ(0, m_calls.Count("LookupPrivilegeValueA"));
  EXPECT_EQ(0, m_calls.Count("AdjustTokenPrivileges"));
  EXPECT_EQ(1u, m_calls.ExitRequests().size());
}

TEST_F(RestartSystemTest, FailedPrivilegeStepsAreIgnored) {
  m_calls.FailCall("LookupPrivilegeValueA", ERROR_NO_SUCH_PRIVILEGE);
  m_calls.FailCall("AdjustTokenPrivileges", ERROR_NOT_ALL_ASSIGNED);
  ScopedSystemCalls seam(m_calls);

  EXPECT_NE(0u, m_harness.Engine().RestartSystem());
  EXPECT_EQ(1u, m_calls.ExitRequests().size());
}

TEST_F(RestartSystemTest, RefusedRequestReturnsZero) {
  m_calls.FailCall("ExitWindowsEx", ERROR_PRIVILEGE_NOT_HELD);
  ScopedSystemCalls seam(m_calls);

  EXPECT_EQ(0u, m_harness.Engine().RestartSystem());
  EXPECT_TRUE(m_calls.ExitRequests().empty());
  EXPECT_EQ(std::vector<std::string>{"Restart System"}, m_harness.LogLines());
}

}  // namespace
