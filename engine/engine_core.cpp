// Construction, teardown, logging, the administrator check and the package.

#include <cstdlib>
#include <new>

#include "base/handles.h"
#include "engine/install_engine.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

constexpr DWORD kTokenGroupsBufferSize = 65536;
constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

CInstallEngine::CInstallEngine(HANDLE hLogFile) {
  try {
    // Backup and temporary names draw their digits from rand().
    std::srand(SystemCalls().GetTickCount());

    m_log.reset(new (std::nothrow) CInstallLog(hLogFile));
    if (!m_log) Throw(49, kModuleEngine, ::GetLastError());

    if (!IsAdministrator()) {
      Log("Error: No such admin privilege");
      Throw(61, kModuleEngine, ERROR_NO_SUCH_PRIVILEGE);
    }

    m_scm.reset(SystemCalls().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!m_scm) {
      const DWORD error = ::GetLastError();
      Log("Error: Init Service Control Manager");
      Throw(70, kModuleEngine, error);
    }

    m_store.reset(new (std::nothrow) CPackageFileStore());
    if (!m_store) {
      const DWORD error = ::GetLastError();
      Log("Error: Init installer");
      Throw(99, kModuleEngine, error);
    }
    if (m_store->Status() != CPackageFileStore::kOk) {
      Throw(105, kModuleEngine, static_cast<uint32_t>(m_store->Status()));
    }

    EnsureRunOnceKey();
  } catch (CExceptionEx*) {
    // Release what was built, in reverse order, before the exception leaves.
    m_scm.reset();
    m_serviceCapture.clear();
    m_backups.clear();
    m_startedServices.clear();
    m_created.clear();
    m_log.reset();
    m_store.reset();
    throw;
  }
}

CInstallEngine::~CInstallEngine() {
  // Backup files stay on disk: only DiscardBackups deletes them.
  m_backups.clear();
  m_serviceCapture.clear();
  m_scm.reset();
  m_created.clear();
  m_startedServices.clear();
  m_log.reset();
  m_store.reset();
}

void CInstallEngine::EnsureRunOnceKey() {
  seam_hkey currentVersion;
  if (SystemCalls().RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                    currentVersion.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  seam_hkey runOnce;
  DWORD disposition = 0;
  if (SystemCalls().RegCreateKeyExA(currentVersion.get(), "RunOnce", 0, nullptr, 0, KEY_WRITE, nullptr,
                                    runOnce.put(), &disposition) == ERROR_SUCCESS &&
      disposition == REG_CREATED_NEW_KEY) {
    Log("Create 'RunOnce' registry key entry");
  }
}

int32_t CInstallEngine::OpenPackage() { return m_store->Open(); }

void CInstallEngine::Log(const char* label, const char* argument) {
  if (m_log) m_log->WriteLine(label, argument);
}

bool CInstallEngine::IsAdministrator() {
  seam_handle token;
  if (!SystemCalls().OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;

  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kTokenGroupsBufferSize]);
  if (!buffer) return false;

  DWORD returned = 0;
  const BOOL gotGroups = SystemCalls().GetTokenInformation(token.get(), TokenGroups, buffer.get(),
                                                           kTokenGroupsBufferSize, &returned);
  token.reset();
  if (!gotGroups) return false;

  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!SystemCalls().AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                              0, 0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  // Membership alone counts; the group's attribute bits are not examined.
  const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
  bool member = false;
  for (DWORD i = 0; i < groups->GroupCount && !member; ++i) {
    member = SystemCalls().EqualSid(groups->Groups[i].Sid, administrators) != FALSE;
  }
  SystemCalls().FreeSid(administrators);
  return member;
}

void CInstallEngine::RequireRestart() {
  if (m_pRestartRequired != nullptr) ::InterlockedExchange(m_pRestartRequired, 1);
  Log(kRebootWarning);
}

void CInstallEngine::Throw(uint16_t code, uint16_t module, uint32_t arg0) {
  throw new CExceptionEx(code, module, arg0);
}
