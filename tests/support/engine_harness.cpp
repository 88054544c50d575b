#include "tests/support/engine_harness.h"

#include "engine/product.h"

EngineHarness::EngineHarness() : m_log(m_logFolder.File(product::kLogFileName)) {
  m_owner.m_destFolder = m_folder.File("Velmora");
  m_constructionFailure = CatchEngineFailure([this] {
    m_engine = std::make_unique<CProductInstallEngine>(m_log.Handle(), &m_owner);
  });
  if (m_engine) m_engine->m_pRestartRequired = &m_restartRequired;
}

EngineHarness::~EngineHarness() { m_engine.reset(); }
