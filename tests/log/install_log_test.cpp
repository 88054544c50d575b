#include "log/install_log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A real file in the prefix's temporary folder, read back after the writer
// is done with it.
class InstallLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, dir));
    m_path = std::string(dir) + "velmora-log-test.log";
    m_file = CreateFileA(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, m_file);
  }
  void TearDown() override {
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    DeleteFileA(m_path.c_str());
  }
  std::string Contents() {
    HANDLE f = CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(f);
    return text;
  }

  std::string m_path;
  HANDLE m_file = INVALID_HANDLE_VALUE;
};

TEST_F(InstallLogTest, MessageWithArgumentIsOneLine) {
  {
    CInstallLog log(m_file);
    log.WriteLine("Install File: ", "C:\\Program Files\\Velmora\\velmora.exe");
  }
  EXPECT_EQ("Install File: C:\\Program Files\\Velmora\\velmora.exe\r\n", Contents());
}

TEST_F(InstallLogTest, MessageWithoutArgument) {
  {
    CInstallLog log(m_file);
    log.WriteLine("Restart System", nullptr);
    log.WriteLine("Create 'RunOnce' registry key entry", nullptr);
  }
  EXPECT_EQ("Restart System\r\nCreate 'RunOnce' registry key entry\r\n", Contents());
}

TEST_F(InstallLogTest, NullMessageWritesNothing) {
  {
    CInstallLog log(m_file);
    log.WriteLine(nullptr, "ignored");
  }
  EXPECT_EQ("", Contents());
}

TEST_F(InstallLogTest, InvalidHandleWritesNothingAndRaisesNothing) {
  CInstallLog log(INVALID_HANDLE_VALUE);
  SetLastError(0);
  log.WriteLine("Restart System", nullptr);
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ("", Contents());
}

TEST_F(InstallLogTest, WriterNeverClosesTheHandle) {
  { CInstallLog log(m_file); }
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(m_file, "x", 1, &written, nullptr));
  EXPECT_EQ(1u, written);
}

TEST_F(InstallLogTest, FailedWriteLeavesPartialLineWithoutLineEnd) {
  // A handle without write access makes every WriteFile fail: nothing lands.
  HANDLE readOnly = CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, readOnly);
  {
    CInstallLog log(readOnly);
    log.WriteLine("Install File: ", "C:\\x");
  }
  CloseHandle(readOnly);
  EXPECT_EQ("", Contents());
}

}  // namespace
