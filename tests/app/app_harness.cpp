#include "tests/app/app_harness.h"

#include "app/text_ids.h"
#include "base/product.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

AppHarness::AppHarness(StartUp startUp) {
  // The test program's own switches are not the setup's.
  m_app.m_commandLine = "setup.exe";
  if (startUp == StartUp::None) return;
  // An existing RunOnce key keeps the engine's construction out of the log.
  CreateRegistryKey(HKEY_LOCAL_MACHINE, kRunOnceKey);
  m_app.SetInitialFlags();
  m_app.CreateLogFile();
  m_app.ConstructEngine();
  m_app.LoadRichEditLibrary();
  m_app.CreateTitleFont();
  m_app.SetDefaultFolders();
}

std::string AppHarness::LogText() const { return ReadWholeFile(m_app.LogFilePath().str()); }

std::string ProductText(unsigned id) {
  CString text;
  text.Format(id, product::kName, product::kName);
  return text.str();
}

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& ch : path) {
    if (ch == '/') ch = '\\';
  }
  return path;
}
