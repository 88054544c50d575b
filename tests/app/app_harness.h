#pragma once
// A CSetupApp brought up the way InitInstance brings it up before the walk
// (flags, log file, engine, rich edit library, title font, default
// folders), with the application's and the engine's seams in place: boxes
// are answered at once, sleeps are instant, nothing restarts the machine.

#include <string>

#include "app/setup_app.h"
#include "tests/app/recording_app_calls.h"
#include "tests/support/system_call_faults.h"

class AppHarness {
 public:
  enum class StartUp { Full, None };

  explicit AppHarness(StartUp startUp = StartUp::Full);

  // The log file's content as it is now.
  std::string LogText() const;

  RecordingAppCalls m_calls;
  FaultyCalls m_faults;
  ScopedSystemCalls m_seam{m_faults};
  CSetupApp m_app;
};

// The string-table text `id`, formatted with the product name where it has a %s.
std::string ProductText(unsigned id);
// A build-tree path as the Windows side sees it (Wine's Z: drive is /).
std::string WindowsPathOf(const std::string& unixPath);
