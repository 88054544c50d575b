#pragma once
// What most engine tests need: a temporary folder, a log file, a recording
// owner, a restart flag and a constructed engine wired to them.

#include <memory>
#include <string>
#include <vector>

#include "engine/product_install_engine.h"
#include "tests/support/recording_owner.h"
#include "tests/support/test_files.h"
#include "tests/support/test_log.h"

// Runs the action and returns the engine exception it threw (owned), or null.
template <typename Action>
std::unique_ptr<CExceptionEx> CatchEngineFailure(Action&& action) {
  try {
    action();
  } catch (CExceptionEx* failure) {
    return std::unique_ptr<CExceptionEx>(failure);
  }
  return nullptr;
}

class EngineHarness {
 public:
  enum class RunOnceKey { Ensure, AsItIs };

  // Builds the engine at once; a construction failure is kept in
  // m_constructionFailure and m_engine stays empty. The destination folder
  // is set to a not yet existing "Velmora" inside m_folder. By default the
  // RunOnce key is made to exist first, so the log starts empty.
  explicit EngineHarness(RunOnceKey runOnce = RunOnceKey::Ensure);
  ~EngineHarness();

  CProductInstallEngine& Engine() { return *m_engine; }
  std::vector<std::string> LogLines() const { return m_log.Lines(); }
  // Destroys the engine (its teardown flushes the log).
  void DestroyEngine() { m_engine.reset(); }

  TempFolder m_folder;     // the test's own files
  TempFolder m_logFolder;  // holds only the log
  TestLogFile m_log;
  RecordingOwner m_owner;
  volatile LONG m_restartRequired = 0;
  std::unique_ptr<CExceptionEx> m_constructionFailure;
  std::unique_ptr<CProductInstallEngine> m_engine;
};
