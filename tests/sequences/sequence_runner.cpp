// A Windows-side runner for the host-side scenarios and the rollback sweep:
// it runs the installation the way the setup's installation worker does
// (install; on an engine failure stop the started service, then roll back),
// optionally failing one call that changes the system, and prints what
// happened as tab-separated records (see state_report.h).

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/product.h"
#include "engine/installed_product.h"
#include "engine/product_install_engine.h"
#include "tests/sequences/runner_options.h"
#include "tests/sequences/state_report.h"
#include "tests/support/recording_owner.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_files.h"

namespace {

const std::vector<std::string>& ProductFileNames() {
  static const std::vector<std::string> names = {
      product::kControlDriverFile, product::kMonitorDriverFile, product::kProgramFile,
      std::string(product::kStubFilePrefix) + product::kStubFileSuffix, product::kUninstallerFile,
      product::kHelpFile,          product::kLicenseTextFile,   product::kLicenseRtfFile,
      product::kReadmeFile,        product::kControlDriver64Entry, product::kMonitorDriver64Entry,
  };
  return names;
}

std::string DefaultLogPath() {
  char folder[MAX_PATH];
  UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(folder) + "\\" + product::kLogFileName;
}

// An automatically started driver is started by the session's start-up in
// the background; waits until it runs, so that every run meets it running.
// A loaded machine (four sessions starting at once on two processors) has
// been seen to take more than ten seconds; a driver still not running after
// a minute is reported, rather than let the run meet a stopped driver and
// show differences that are not the installation's.
bool WaitUntilRunning(const std::string& serviceName) {
  constexpr DWORD kStep = 50;
  constexpr DWORD kLimit = 60000;
  unique_schandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  unique_schandle service(scm ? ::OpenServiceA(scm.get(), serviceName.c_str(), SERVICE_QUERY_STATUS) : nullptr);
  if (!service) return true;  // not installed: nothing to wait for
  SERVICE_STATUS status;
  for (DWORD waited = 0; waited < kLimit; waited += kStep) {
    if (::QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_RUNNING) return true;
    ::Sleep(kStep);
  }
  std::fprintf(stderr, "sequence_runner: %s is not running after %lu s\n", serviceName.c_str(), kLimit / 1000);
  return false;
}

// Wine starts its service manager with the session; a machine busy with
// several sessions starting at once has been seen to leave the first
// connection failing with RPC_S_SERVER_UNAVAILABLE. The engine connects
// once, at construction, so the runner waits until a connection succeeds
// (a minute at most) rather than report a failure that is not the
// installation's.
bool WaitForServiceManager() {
  constexpr DWORD kStep = 100;
  constexpr DWORD kLimit = 60000;
  DWORD error = 0;
  for (DWORD waited = 0; waited < kLimit; waited += kStep) {
    unique_schandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (scm) return true;
    error = ::GetLastError();
    ::Sleep(kStep);
  }
  std::fprintf(stderr, "sequence_runner: no service manager after %lu s (error %lu)\n", kLimit / 1000, error);
  return false;
}

// The fault-injecting seam that really waits: the installation's fixed
// pauses (which only pace the progress page) are skipped as in a quiet run,
// so what remains are the status polls of a service stop, which must give a
// driver its full time to stop on a busy machine. A driver stopped too late
// stays registered under Wine, which keeps no mark for deletion at restart.
class PollingCalls final : public FaultyCalls {
 public:
  void Sleep(DWORD milliseconds) override {
    FaultyCalls::Sleep(milliseconds);
    ::Sleep(milliseconds);
  }
};

int RunInstall(const RunnerOptions& options) {
  std::vector<std::unique_ptr<HeldFile>> held;
  for (const std::string& path : options.held) {
    held.push_back(std::make_unique<HeldFile>(path));
    if (!held.back()->Held()) {
      std::fprintf(stderr, "sequence_runner: cannot hold %s (error %lu)\n", path.c_str(), ::GetLastError());
      return 2;
    }
  }

  const std::string logPath = options.logFile.empty() ? DefaultLogPath() : options.logFile;
  unique_hfile log(::CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

  RecordingOwner owner;
  owner.m_destFolder = options.destFolder;
  owner.m_startMenuFolder = options.startMenuFolder;
  owner.m_desktopIcon = options.desktopIcon;
  owner.m_quickLaunchIcon = options.quickLaunchIcon;
  const InstalledProduct installed = ReadInstalledProduct();
  if (options.installed && installed.present) {
    owner.m_destFolder = installed.installLocation;
    owner.m_startMenuFolder = installed.startMenuLocation;
    owner.m_desktopIcon = installed.desktopIcon;
    owner.m_quickLaunchIcon = installed.quickLaunchIcon;
  }

  std::unique_ptr<CProductInstallEngine> engine;
  try {
    engine = std::make_unique<CProductInstallEngine>(log.get(), &owner);
  } catch (CExceptionEx* failure) {
    std::printf("construction\t%u\t%lu\n", failure->m_code, static_cast<unsigned long>(failure->m_arg0));
    delete failure;
    return 2;
  }
  int32_t status = engine->Store().OpenPath(options.package.c_str());
  if (status != 0) {
    std::printf("package-status\t%ld\n", static_cast<long>(status));
    return 2;
  }

  volatile LONG restartRequired = 0;
  PollingCalls calls;
  if (options.failCall > 0) calls.FailMutatingCall(options.failCall, options.error);
  if (!options.failName.empty()) calls.FailCallsFrom(options.failName, options.error);
  calls.ChangeFileBytes(options.changeOffset, options.changedBytes);
  int installCalls = 0;
  {
    ScopedSystemCalls seam(calls);
    engine->m_pRestartRequired = &restartRequired;
    engine->m_skipPauses = true;
    std::srand(::GetTickCount());
    try {
      engine->Install();
      installCalls = calls.MutatingCount();
      std::printf("outcome\tcompleted\n");
    } catch (CExceptionEx* failure) {
      installCalls = calls.MutatingCount();
      std::printf("outcome\tfailed\t%u\t%u\t%lu\n", failure->m_code, failure->m_module,
                  static_cast<unsigned long>(failure->m_arg0));
      delete failure;
      // What the installation worker does after a failure, less the message box.
      engine->StopAfterFailure();
      engine->Rollback();
    }
  }

  std::printf("install-calls\t%d\n", installCalls);
  PrintMutatingCalls(calls, installCalls, stdout);
  std::printf("restart\t%ld\n", static_cast<long>(restartRequired));
  PrintProgress(owner.m_events, stdout);
  for (DWORD milliseconds : calls.Sleeps()) std::printf("sleep\t%lu\n", milliseconds);
  PrintJournal(*engine, stdout);
  PrintServices(stdout);
  engine.reset();
  log.reset();
  std::printf("log\t%s\n", logPath.c_str());
  std::fflush(stdout);
  return 0;
}

int RunQuietUninstall() {
  const std::string key = product::UninstallKeyPath();
  char command[1024] = {};
  DWORD size = sizeof(command) - 1;
  if (::RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "QuietUninstallString", RRF_RT_REG_SZ, nullptr, command,
                     &size) != ERROR_SUCCESS) {
    std::fprintf(stderr, "sequence_runner: no QuietUninstallString\n");
    return 2;
  }
  // From a folder of no product's, as a deployment tool runs it.
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  STARTUPINFOA startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, windows, &startup, &process)) {
    std::fprintf(stderr, "sequence_runner: cannot run %s (error %lu)\n", command, ::GetLastError());
    return 2;
  }
  unique_handle thread(process.hThread);
  unique_handle running(process.hProcess);
  ::WaitForSingleObject(running.get(), INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(running.get(), &exitCode);
  std::printf("command\t%s\nexit\t%lu\n", command, exitCode);
  return 0;
}

int RunServices() { return PrintServices(stdout) ? 0 : 2; }

int RunPackage(const RunnerOptions& options) {
  CPackageFileStore store;
  int32_t status = store.OpenPath(options.package.c_str());
  if (status != 0) {
    std::printf("package-status\t%ld\n", static_cast<long>(status));
    return 2;
  }
  PrintPackage(store, ProductFileNames(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  RunnerOptions options;
  if (!ParseRunnerOptions(argc, argv, &options)) return 2;
  if (!WaitForServiceManager()) return 2;
  if (!options.waitRunning.empty() && !WaitUntilRunning(options.waitRunning)) return 2;
  if (options.command == "install") return RunInstall(options);
  if (options.command == "services") return RunServices();
  if (options.command == "package") return RunPackage(options);
  if (options.command == "quiet-uninstall") return RunQuietUninstall();
  std::fprintf(stderr, "sequence_runner: unknown command %s\n", options.command.c_str());
  return 2;
}
