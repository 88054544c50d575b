#include "app/single_instance.h"

#include <string>

#include "base/product.h"

const char* CSingleInstance::MutexName() {
  static const std::string name = std::string("Global\\") + product::kName + " Setup " + product::kUninstallKeyName;
  return name.c_str();
}

bool CSingleInstance::Acquire() {
  m_mutex.reset(::CreateMutexA(nullptr, TRUE, MutexName()));
  // Another copy's mutex: created there, so this handle does not own it.
  // Denied access means another account's copy created it.
  const DWORD error = ::GetLastError();
  if (!m_mutex) return error != ERROR_ACCESS_DENIED;
  if (error == ERROR_ALREADY_EXISTS) {
    m_mutex.reset();
    return false;
  }
  return true;
}

void CSingleInstance::Release() {
  if (!m_mutex) return;
  ::ReleaseMutex(m_mutex.get());
  m_mutex.reset();
}
