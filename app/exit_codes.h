#pragma once
// The setup's exit codes: the numbers software-deployment tools already
// understand, and how a run's outcome selects one.

#include <cstdint>

namespace exit_code {
// The tag after "manifest:" is the response the package-manager manifest
// gives each code; the build writes the manifest's list from these lines.
constexpr int kInstalled = 0;
constexpr int kNotAdministrator = 740;             // ERROR_ELEVATION_REQUIRED; manifest: blockedByPolicy
constexpr int kCancelled = 1602;                   // ERROR_INSTALL_USEREXIT; manifest: cancelledByUser
constexpr int kFailed = 1603;                      // ERROR_INSTALL_FAILURE; manifest: contactSupport
constexpr int kAnotherRunning = 1618;              // ERROR_INSTALL_ALREADY_RUNNING; manifest: installInProgress
constexpr int kPackageDamaged = 1620;              // ERROR_INSTALL_PACKAGE_INVALID; manifest: contactSupport
constexpr int kWindowsUnsupported = 1633;          // ERROR_INSTALL_PLATFORM_UNSUPPORTED; manifest: systemNotSupported
constexpr int kNewerInstalled = 1638;              // ERROR_PRODUCT_VERSION; manifest: downgrade
constexpr int kInvalidCommandLine = 1639;          // ERROR_INVALID_COMMAND_LINE; manifest: invalidParameter
constexpr int kRestartStarted = 1641;              // ERROR_SUCCESS_REBOOT_INITIATED; manifest: rebootInitiated
constexpr int kRestartNeeded = 3010;               // ERROR_SUCCESS_REBOOT_REQUIRED; manifest: rebootRequiredToFinish
}  // namespace exit_code

// The engine's construction failure for a Windows the product cannot run
// on (message 54, exit code 1633).
constexpr uint32_t kWrongPlatformFailure = 0xE0000233;

// What happened in a run, as far as its exit code is concerned.
struct RunOutcome {
  bool commandLineInvalid = false;
  bool anotherRunning = false;
  bool notAdministrator = false;
  bool windowsUnsupported = false;
  bool newerInstalled = false;     // a newer version is installed: no downgrade
  bool startFailed = false;        // the engine could not start for another reason
  bool unexpectedFailure = false;  // an exception nobody expected ended the run
  int32_t packageStatus = 0;       // the package store's status (0: opened)
  bool cancelled = false;
  bool installFailed = false;
  bool restartStarted = false;
  bool restartRequired = false;
};

// The exit code of a run, the weightiest outcome first: the command line,
// another setup running, the start-up refusals, a newer version installed, failures, a damaged package,
// the user's cancel, then success with or without a restart.
int ExitCodeFor(const RunOutcome& outcome);
// The constructor failure's argument as an outcome: not an administrator,
// Windows not supported, or any other start failure.
void RecordStartFailure(uint32_t failureArgument, RunOutcome* outcome);
