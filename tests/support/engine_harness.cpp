#include "tests/support/engine_harness.h"

#include "base/product.h"
#include "tests/support/test_registry.h"

EngineHarness::EngineHarness(RunOnceKey runOnce) : m_log(m_logFolder.File(product::kLogFileName)) {
  if (runOnce == RunOnceKey::Ensure) CreateRegistryKey(HKEY_LOCAL_MACHINE, kRunOnceKey);
  m_owner.m_destFolder = m_folder.File("Velmora");
  m_constructionFailure = CatchEngineFailure([this] {
    m_engine = std::make_unique<CProductInstallEngine>(m_log.Handle(), &m_owner);
  });
  if (m_engine) m_engine->m_pRestartRequired = &m_restartRequired;
}

EngineHarness::~EngineHarness() { m_engine.reset(); }
