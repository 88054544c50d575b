// The product's driver files going from the package into the system's
// Drivers folder.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "package/package_writer.h"
#include "tests/engine/driver_services.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"

namespace {

using Journal = std::map<std::string, JournalKind>;

// A system directory longer than any path buffer: the call only reports the
// size it would need and fills nothing.
class OverlongSystemDirectoryCalls : public FaultyCalls {
 public:
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size) override {
    FaultyCalls::GetSystemDirectoryA(buffer, size);
    if (size > 0) buffer[0] = '\0';
    return 300;
  }
};

std::vector<uint8_t> BuiltDriver(const std::string& file) {
  std::string content = ReadWholeFile(BuiltDriverFile(file));
  return std::vector<uint8_t>(content.begin(), content.end());
}

class DriverFiles : public DriverEngineTest {
 protected:
  // Fills the engine's store with a package of the named driver files.
  void OpenPackageOf(const std::vector<std::string>& files) {
    std::vector<PackageItem> items;
    for (const std::string& file : files) {
      std::vector<uint8_t> content = BuiltDriver(file);
      ASSERT_FALSE(content.empty()) << file;
      items.push_back(MakePackageItem(file, content));
    }
    std::vector<uint8_t> image = BuildPackage(items, 0x5a);
    ASSERT_EQ(Engine().Store().ParseImage(image.data(), static_cast<uint32_t>(image.size())), 0);
  }
};

TEST_F(DriverFiles, BothDriversAreWrittenIntoTheDriversFolder) {
  OpenPackageOf({"velctl.sys", "velmon.sys"});

  Engine().InstallDriverFiles();

  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velctl.sys")), ReadWholeFile(BuiltDriverFile("velctl.sys")));
  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velmon.sys")), ReadWholeFile(BuiltDriverFile("velmon.sys")));
  EXPECT_EQ(Engine().m_created,
            (Journal{{SystemDriverPath("velctl.sys"), KindFile}, {SystemDriverPath("velmon.sys"), KindFile}}));
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Install File: " + SystemDriverPath("velctl.sys"),
                                                     "Install File: " + SystemDriverPath("velmon.sys")}));
}

TEST_F(DriverFiles, MissingSystemDirectoryFailsWith96BeforeAnyFile) {
  OpenPackageOf({"velctl.sys", "velmon.sys"});
  FaultyCalls calls;
  calls.FailCall("GetSystemDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 96);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_EQ(failure->m_arg0, static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(calls.MutatingCount(), 0) << calls.DescribeMutatingCalls();
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(DriverFiles, SystemDirectoryTooLongForItsBufferFailsWith96) {
  OpenPackageOf({"velctl.sys", "velmon.sys"});
  OverlongSystemDirectoryCalls calls;
  ScopedSystemCalls seam(calls);

  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 96);
  EXPECT_EQ(calls.MutatingCount(), 0) << calls.DescribeMutatingCalls();
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(DriverFiles, PackageWithoutTheControlDriverFailsWith101BeforeAnyFile) {
  OpenPackageOf({"velmon.sys"});

  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 101);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_FALSE(FileExists(SystemDriverPath("velctl.sys")));
  EXPECT_FALSE(FileExists(SystemDriverPath("velmon.sys")));
  EXPECT_TRUE(Engine().m_created.empty());
  EXPECT_TRUE(NewLogLines().empty());
}

TEST_F(DriverFiles, PackageWithoutTheMonitorDriverFailsWith106AfterTheControlDriver) {
  OpenPackageOf({"velctl.sys"});

  auto failure = CatchEngineFailure([&] { Engine().InstallDriverFiles(); });

  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->m_code, 106);
  EXPECT_EQ(failure->m_module, 1);
  EXPECT_TRUE(FileExists(SystemDriverPath("velctl.sys")));
  EXPECT_FALSE(FileExists(SystemDriverPath("velmon.sys")));
  // The control driver's file stays recorded, so the rollback deletes it.
  EXPECT_EQ(Engine().m_created, (Journal{{SystemDriverPath("velctl.sys"), KindFile}}));
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Install File: " + SystemDriverPath("velctl.sys")}));
}

TEST_F(DriverFiles, DriverOfAnEarlierInstallationIsBackedUpAndReplaced) {
  ASSERT_TRUE(WriteWholeFile(SystemDriverPath("velctl.sys"), "earlier driver"));
  OpenPackageOf({"velctl.sys", "velmon.sys"});

  Engine().InstallDriverFiles();

  EXPECT_EQ(ReadWholeFile(SystemDriverPath("velctl.sys")), ReadWholeFile(BuiltDriverFile("velctl.sys")));
  ASSERT_EQ(Engine().m_backups.count(SystemDriverPath("velctl.sys")), 1u);
  EXPECT_EQ(ReadWholeFile(Engine().m_backups[SystemDriverPath("velctl.sys")]), "earlier driver");
  EXPECT_EQ(Engine().m_created, (Journal{{SystemDriverPath("velmon.sys"), KindFile}}));
}

}  // namespace
