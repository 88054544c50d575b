#include "log/install_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

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

// A message pipe whose other end takes the first write (one message) and
// then closes, so that every later write fails.
class OneWritePipe {
 public:
  OneWritePipe() {
    const std::string name = "\\\\.\\pipe\\velmora-log-test-" + std::to_string(GetCurrentProcessId());
    m_server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND,
                                PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    m_writer = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Ready()) m_reader = std::thread([this] { TakeFirstWrite(); });
  }
  ~OneWritePipe() {
    if (m_writer != INVALID_HANDLE_VALUE) CloseHandle(m_writer);
    if (m_reader.joinable()) m_reader.join();
    if (m_server != INVALID_HANDLE_VALUE) CloseHandle(m_server);
  }
  bool Ready() const { return m_server != INVALID_HANDLE_VALUE && m_writer != INVALID_HANDLE_VALUE; }
  HANDLE Writer() const { return m_writer; }
  // The first write, as the other end read it.
  std::string Received() {
    if (m_reader.joinable()) m_reader.join();
    return m_received;
  }

 private:
  void TakeFirstWrite() {
    char buffer[1024];
    DWORD read = 0;
    if (ReadFile(m_server, buffer, sizeof buffer, &read, nullptr)) m_received.assign(buffer, read);
    DisconnectNamedPipe(m_server);
  }

  HANDLE m_server = INVALID_HANDLE_VALUE;
  HANDLE m_writer = INVALID_HANDLE_VALUE;
  std::thread m_reader;
  std::string m_received;
};

TEST(InstallLogFailures, FailedWriteLeavesPartialLineWithoutLineEnd) {
  // The message is taken; the argument's write fails: the line stays as
  // far as it got, a line written in one piece would not.
  OneWritePipe pipe;
  ASSERT_TRUE(pipe.Ready());
  {
    CInstallLog log(pipe.Writer());
    log.WriteLine("Install File: ", "C:\\Program Files\\Velmora\\velmora.exe");
    log.WriteLine("Restart System", nullptr);
  }
  EXPECT_EQ("Install File: ", pipe.Received());
}

}  // namespace
