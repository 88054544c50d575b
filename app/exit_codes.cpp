#include "app/exit_codes.h"

#include <windows.h>

#include "package/package_status.h"

int ExitCodeFor(const RunOutcome& outcome) {
  if (outcome.commandLineInvalid) return exit_code::kInvalidCommandLine;
  if (outcome.anotherRunning) return exit_code::kAnotherRunning;
  if (outcome.notAdministrator) return exit_code::kNotAdministrator;
  if (outcome.windowsUnsupported) return exit_code::kWindowsUnsupported;
  if (outcome.newerInstalled) return exit_code::kNewerInstalled;
  if (outcome.startFailed || outcome.unexpectedFailure) return exit_code::kFailed;
  // Running short of memory says nothing about the package.
  if (outcome.packageStatus == kPackageNoMemory) return exit_code::kFailed;
  if (outcome.packageStatus != kPackageOk) return exit_code::kPackageDamaged;
  if (outcome.installFailed) return exit_code::kFailed;
  if (outcome.cancelled) return exit_code::kCancelled;
  if (outcome.restartStarted) return exit_code::kRestartStarted;
  if (outcome.restartRequired) return exit_code::kRestartNeeded;
  return exit_code::kInstalled;
}

void RecordStartFailure(uint32_t failureArgument, RunOutcome* outcome) {
  if (failureArgument == ERROR_NO_SUCH_PRIVILEGE) {
    outcome->notAdministrator = true;
  } else if (failureArgument == ERROR_OLD_WIN_VERSION || failureArgument == kWrongPlatformFailure) {
    outcome->windowsUnsupported = true;
  } else {
    outcome->startFailed = true;
  }
}
