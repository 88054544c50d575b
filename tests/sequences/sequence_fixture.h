#pragma once
// The installation and rollback sequences against the real system of a
// throwaway prefix: each test runs alone in a fresh copy of the pristine
// prefix (sequence_tests.py), with the demo package (and an earlier release
// of it) named on the command line.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/product_install_engine.h"
#include "tests/support/engine_harness.h"
#include "tests/support/recording_owner.h"
#include "tests/support/system_call_faults.h"

// The packages given as --demo-package=PATH and --earlier-package=PATH.
struct SequencePackages {
  static std::string s_demo;
  static std::string s_earlier;
};

// Full path of a shell folder (CSIDL), without creating it.
std::string ShellFolder(int csidl);
// "<all users' Programs>\Velmora", the Start Menu folder the tests choose.
std::string StartMenuFolder();
// Names in the folder that look like backup or temporary copies
// ("<name>_<eight digits>.tmp").
std::vector<std::string> TempCopies(const std::string& folder);
// Asks a running service to stop and waits until it has; true when stopped.
bool StopService(const std::string& name);

class SequenceTest : public ::testing::Test {
 protected:
  // The owner's choices: the Start Menu folder "Velmora", a desktop icon.
  SequenceTest();

  CProductInstallEngine& Engine() { return m_harness.Engine(); }
  std::string Dest() const { return m_harness.m_owner.m_destFolder; }
  // Opens the package file in the engine's store; false when it fails.
  bool OpenPackage(const std::string& path);
  // The content of a package entry, empty when missing.
  std::string PackageContent(const std::string& name);
  // Runs Install with the seam in place; the exception it threw, or null.
  std::unique_ptr<CExceptionEx> RunInstall();
  // What the installation worker does after a failure: the service stop and
  // the rollback, with the seam in place.
  void RunStopAndRollback();
  // Installs the earlier release into Dest() with an engine of its own, so
  // the test starts from an older installation; its control driver is then
  // stopped unless it is to keep running.
  void InstallEarlierRelease(bool keepDriverRunning = false);
  // Progress events from the given one on.
  std::vector<ProgressEvent> EventsFrom(size_t first) const;
  std::vector<std::string> LogLines() const { return m_harness.LogLines(); }

  EngineHarness m_harness;
  FaultyCalls m_calls;
};

// Progress events in test expectations.
ProgressEvent Report(int percent, int task);
ProgressEvent Position(int position);
