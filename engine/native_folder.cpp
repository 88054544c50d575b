// Which files the engine reaches in the 64-bit system's own view.

#include "engine/install_engine.h"
#include "engine/system_calls.h"

bool CInstallEngine::RunsOn64BitWindows() {
  BOOL wow64 = FALSE;
  return SystemCalls().IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

bool CInstallEngine::RunsOnArm64() {
  USHORT processMachine = 0;
  USHORT nativeMachine = 0;
  // Systems without IsWow64Process2 predate Windows on ARM64.
  return SystemCalls().IsWow64Process2(::GetCurrentProcess(), &processMachine, &nativeMachine) &&
         nativeMachine == IMAGE_FILE_MACHINE_ARM64;
}

void CInstallEngine::UseNativeView(const std::string& folder) { m_nativeFolder = folder; }

bool CInstallEngine::InNativeFolder(const std::string& path) const {
  // The engine builds every path of a folder from the same folder text, so
  // a plain prefix test finds them all.
  return !m_nativeFolder.empty() && path.size() > m_nativeFolder.size() &&
         path.compare(0, m_nativeFolder.size(), m_nativeFolder) == 0 && path[m_nativeFolder.size()] == '\\';
}
