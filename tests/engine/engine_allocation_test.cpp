// Construction failures that only an exhausted heap produces: the log
// writer, the package store or the store's work buffer cannot be allocated.
// This program replaces the non-throwing operator new so that one chosen
// allocation fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"

namespace {

// The next non-throwing allocation of exactly this size fails (0: none).
size_t g_failSingleSize = 0;
size_t g_failArraySize = 0;
int g_failedAllocations = 0;

void* Allocate(std::size_t size, size_t* failSize) noexcept {
  if (*failSize != 0 && size == *failSize) {
    *failSize = 0;
    ++g_failedAllocations;
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, &g_failSingleSize); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, &g_failArraySize); }

namespace {

class EngineAllocation : public ::testing::Test {
 protected:
  void SetUp() override { g_failedAllocations = 0; }
  void TearDown() override {
    g_failSingleSize = 0;
    g_failArraySize = 0;
  }
};

TEST_F(EngineAllocation, LogWriterNotCreatedIsCode49WithoutALine) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  g_failSingleSize = sizeof(CInstallLog);
  EngineHarness harness;

  ASSERT_EQ(1, g_failedAllocations);
  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(49, harness.m_constructionFailure->m_code);
  EXPECT_EQ(19, harness.m_constructionFailure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY), harness.m_constructionFailure->m_arg0);
  EXPECT_EQ("", harness.m_log.Text());
  EXPECT_EQ(0, calls.Count("OpenSCManagerA"));
}

TEST_F(EngineAllocation, PackageStoreNotCreatedIsCode99AndReleasesTheServiceManager) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  g_failSingleSize = sizeof(CPackageFileStore);
  EngineHarness harness;

  ASSERT_EQ(1, g_failedAllocations);
  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(99, harness.m_constructionFailure->m_code);
  EXPECT_EQ(19, harness.m_constructionFailure->m_module);
  EXPECT_EQ(static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY), harness.m_constructionFailure->m_arg0);
  EXPECT_EQ(std::vector<std::string>{"Error: Init installer"}, harness.LogLines());
  EXPECT_EQ(1, calls.Count("OpenSCManagerA"));
  EXPECT_EQ(1, calls.Count("CloseServiceHandle"));
  EXPECT_EQ(0, calls.Count("RegCreateKeyExA"));
}

TEST_F(EngineAllocation, StoreWithoutItsWorkBufferIsCode105WithItsStatus) {
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);
  g_failArraySize = CPackageFileStore::kInflateBufferSize;
  EngineHarness harness;

  ASSERT_EQ(1, g_failedAllocations);
  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(105, harness.m_constructionFailure->m_code);
  EXPECT_EQ(19, harness.m_constructionFailure->m_module);
  EXPECT_EQ(0xFFFFFFFDu, harness.m_constructionFailure->m_arg0);
  EXPECT_EQ("", harness.m_log.Text());
  EXPECT_EQ(1, calls.Count("CloseServiceHandle"));
  EXPECT_EQ(0, calls.Count("RegCreateKeyExA"));
}

TEST_F(EngineAllocation, NoRoomForTheTokenGroupsMeansNoAdministrator) {
  g_failArraySize = 65536;
  EngineHarness harness;

  ASSERT_EQ(1, g_failedAllocations);
  ASSERT_NE(nullptr, harness.m_constructionFailure);
  EXPECT_EQ(61, harness.m_constructionFailure->m_code);
  EXPECT_EQ(1313u, harness.m_constructionFailure->m_arg0);
  EXPECT_EQ(std::vector<std::string>{"Error: No such admin privilege"}, harness.LogLines());
}

}  // namespace
