#include "tests/sequences/sequence_fixture.h"

#include <shlobj.h>

#include <algorithm>

#include "base/handles.h"
#include "base/product.h"
#include "tests/engine/driver_services.h"
#include "tests/support/test_files.h"

std::string SequencePackages::s_demo;
std::string SequencePackages::s_earlier;

namespace {

constexpr DWORD kStopWaitStep = 50;
constexpr DWORD kStopWaitLimit = 5000;

bool IsTempCopyName(const std::string& name) {
  const std::string suffix = ".tmp";
  if (name.size() < 9 + suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  const size_t digits = name.size() - suffix.size() - 8;
  if (name[digits - 1] != '_') return false;
  for (size_t i = digits; i < digits + 8; ++i) {
    if (name[i] < '1' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? std::string(path) : std::string();
}

std::string StartMenuFolder() { return ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Velmora"; }

std::vector<std::string> TempCopies(const std::string& folder) {
  std::vector<std::string> copies;
  for (const std::string& name : FolderEntries(folder)) {
    if (IsTempCopyName(name)) copies.push_back(name);
  }
  return copies;
}

bool StopService(const std::string& name) {
  unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  unique_schandle service(manager ? ::OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS) : nullptr);
  if (!service) return false;
  SERVICE_STATUS status;
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  for (DWORD waited = 0; waited < kStopWaitLimit; waited += kStopWaitStep) {
    if (ServiceState(name) == SERVICE_STOPPED) return true;
    ::Sleep(kStopWaitStep);
  }
  return ServiceState(name) == SERVICE_STOPPED;
}

SequenceTest::SequenceTest() {
  m_harness.m_owner.m_startMenuFolder = "Velmora";
  m_harness.m_owner.m_desktopIcon = 1;
}

bool SequenceTest::OpenPackage(const std::string& path) {
  return Engine().Store().OpenPath(path.c_str()) == CPackageFileStore::kOk;
}

std::string SequenceTest::PackageContent(const std::string& name) {
  const uint8_t* content = nullptr;
  uint32_t size = 0;
  if (!Engine().Store().Lookup(name, &content, &size)) return std::string();
  return std::string(reinterpret_cast<const char*>(content), size);
}

std::unique_ptr<CExceptionEx> SequenceTest::RunInstall() {
  ScopedSystemCalls seam(m_calls);
  return CatchEngineFailure([this] { Engine().Install(); });
}

void SequenceTest::RunStopAndRollback() {
  ScopedSystemCalls seam(m_calls);
  Engine().StopServices();
  Engine().Rollback();
}

void SequenceTest::InstallEarlierRelease(bool keepDriverRunning) {
  RecordingOwner owner = m_harness.m_owner;
  TestLogFile log(m_harness.m_logFolder.File("earlier-install.log"));
  volatile LONG restartRequired = 0;
  CProductInstallEngine earlier(log.Handle(), &owner);
  earlier.m_pRestartRequired = &restartRequired;
  ASSERT_EQ(CPackageFileStore::kOk, earlier.Store().OpenPath(SequencePackages::s_earlier.c_str()));
  FaultyCalls calls;  // instant pauses
  ScopedSystemCalls seam(calls);
  ASSERT_EQ(nullptr, CatchEngineFailure([&] { earlier.Install(); }));
  ASSERT_EQ(0, restartRequired);
  const std::string controlService = CProductInstallEngine::ServiceNameOf(product::kControlDriverFile);
  ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(controlService));
  if (!keepDriverRunning) {
    ASSERT_TRUE(StopService(controlService));
  }
}

std::vector<ProgressEvent> SequenceTest::EventsFrom(size_t first) const {
  const std::vector<ProgressEvent>& events = m_harness.m_owner.m_events;
  return std::vector<ProgressEvent>(events.begin() + static_cast<std::ptrdiff_t>(std::min(first, events.size())),
                                    events.end());
}

ProgressEvent Report(int percent, int task) { return ProgressEvent::MakeReport(percent, task); }
ProgressEvent Position(int position) { return ProgressEvent::MakePosition(position); }
