#include "tests/support/system_call_faults.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <climits>
#include <sstream>

namespace {

HRESULT FailureResult(DWORD error) { return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL; }

std::string Narrow(LPCOLESTR text) {
  if (text == nullptr) return std::string();
  int length = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string result(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], length, nullptr, nullptr);
  result.resize(static_cast<size_t>(length - 1));
  return result;
}

std::string Text(LPCSTR text) { return text != nullptr ? std::string(text) : std::string("(null)"); }

bool ChangesFile(DWORD access, DWORD disposition) {
  const DWORD writeAccess =
      GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA | DELETE;
  return (access & writeAccess) != 0 || disposition != OPEN_EXISTING;
}

// The shell-link object with every call passed to the real one, except that
// the seam can fail the setters, the IPersistFile query and Save by name.
class FaultyShellLink final : public IShellLinkA, public IPersistFile {
 public:
  FaultyShellLink(FaultyCalls& calls, IShellLinkA* inner) : m_calls(calls), m_inner(inner) { m_calls.ShellLinkMade(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellLinkA)) {
      *object = static_cast<IShellLinkA*>(this);
    } else if (IsEqualIID(iid, IID_IPersistFile) || IsEqualIID(iid, IID_IPersist)) {
      if (m_calls.Enter("IShellLinkA::QueryInterface(IPersistFile)")) return E_NOINTERFACE;
      if (m_persist == nullptr) {
        HRESULT result = m_inner->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&m_persist));
        if (FAILED(result)) return result;
      }
      *object = static_cast<IPersistFile*>(this);
    } else {
      return m_inner->QueryInterface(iid, object);
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --m_references;
    if (left == 0) {
      if (m_persist != nullptr) m_persist->Release();
      m_inner->Release();
      delete this;
    }
    return left;
  }

  // IShellLinkA
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int length, WIN32_FIND_DATAA* data, DWORD flags) override {
    return m_inner->GetPath(file, length, data, flags);
  }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* list) override { return m_inner->GetIDList(list); }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE list) override { return m_inner->SetIDList(list); }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int length) override {
    return m_inner->GetDescription(name, length);
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) override {
    if (m_calls.Enter("IShellLinkA::SetDescription")) return FailureResult(::GetLastError());
    return m_inner->SetDescription(name);
  }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR folder, int length) override {
    return m_inner->GetWorkingDirectory(folder, length);
  }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR folder) override {
    if (m_calls.Enter("IShellLinkA::SetWorkingDirectory")) return FailureResult(::GetLastError());
    return m_inner->SetWorkingDirectory(folder);
  }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR arguments, int length) override {
    return m_inner->GetArguments(arguments, length);
  }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR arguments) override {
    if (m_calls.Enter("IShellLinkA::SetArguments")) return FailureResult(::GetLastError());
    return m_inner->SetArguments(arguments);
  }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) override { return m_inner->GetHotkey(hotkey); }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) override { return m_inner->SetHotkey(hotkey); }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int* show) override { return m_inner->GetShowCmd(show); }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int show) override { return m_inner->SetShowCmd(show); }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR path, int length, int* index) override {
    return m_inner->GetIconLocation(path, length, index);
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR path, int index) override {
    if (m_calls.Enter("IShellLinkA::SetIconLocation")) return FailureResult(::GetLastError());
    return m_inner->SetIconLocation(path, index);
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR path, DWORD reserved) override {
    return m_inner->SetRelativePath(path, reserved);
  }
  HRESULT STDMETHODCALLTYPE Resolve(HWND window, DWORD flags) override { return m_inner->Resolve(window, flags); }
  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) override {
    if (m_calls.Enter("IShellLinkA::SetPath")) return FailureResult(::GetLastError());
    return m_inner->SetPath(file);
  }

  // IPersistFile
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return m_persist->GetClassID(clsid); }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return m_persist->IsDirty(); }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR file, DWORD mode) override { return m_persist->Load(file, mode); }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR file, WINBOOL remember) override {
    if (m_calls.EnterMutating("IPersistFile::Save", Narrow(file))) return FailureResult(::GetLastError());
    return m_persist->Save(file, remember);
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR file) override { return m_persist->SaveCompleted(file); }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file) override { return m_persist->GetCurFile(file); }

 private:
  ~FaultyShellLink() { m_calls.ShellLinkGone(); }

  FaultyCalls& m_calls;
  IShellLinkA* m_inner;
  IPersistFile* m_persist = nullptr;
  ULONG m_references = 1;
};

// Where a read starts: at its explicit offset, or where the file pointer
// stands, which the read is about to move.
bool ReadStart(HANDLE file, const OVERLAPPED* overlapped, LARGE_INTEGER* start) {
  if (overlapped == nullptr) return ::SetFilePointerEx(file, LARGE_INTEGER{}, start, FILE_CURRENT) != FALSE;
  start->LowPart = overlapped->Offset;
  start->HighPart = static_cast<LONG>(overlapped->OffsetHigh);
  return true;
}

}  // namespace

FaultyCalls::FaultyCalls() : m_real(RealSystemCalls()) {}

FaultyCalls::~FaultyCalls() = default;

void FaultyCalls::FailCall(const std::string& name, DWORD error, int occurrence) {
  m_faults.emplace(name, Fault{occurrence, occurrence, error});
}

void FaultyCalls::FailCallsFrom(const std::string& name, DWORD error, int occurrence) {
  m_faults.emplace(name, Fault{occurrence, INT_MAX, error});
}

void FaultyCalls::FailMutatingCall(int n, DWORD error) { m_mutatingFaults[n] = error; }

int FaultyCalls::Count(const std::string& name) const {
  auto found = m_counts.find(name);
  return found == m_counts.end() ? 0 : found->second;
}

std::string FaultyCalls::DescribeMutatingCalls() const {
  std::ostringstream text;
  int index = 1;
  for (const MutatingCall& call : m_mutating) {
    text << index++ << ". " << call.name << "(" << call.argument << ")" << (call.failed ? " failed" : "") << "\n";
  }
  return text.str();
}

bool FaultyCalls::Fails(const std::string& name, int count, DWORD* error) const {
  auto range = m_faults.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) {
    if (count >= it->second.from && count <= it->second.to) {
      *error = it->second.error;
      return true;
    }
  }
  return false;
}

bool FaultyCalls::Enter(const char* name) {
  int count = ++m_counts[name];
  DWORD error = 0;
  if (!Fails(name, count, &error)) return false;
  ::SetLastError(error);
  return true;
}

bool FaultyCalls::EnterMutating(const char* name, const std::string& argument) {
  int count = ++m_counts[name];
  int index = static_cast<int>(m_mutating.size()) + 1;
  DWORD error = 0;
  bool fail = Fails(name, count, &error);
  if (!fail) {
    auto found = m_mutatingFaults.find(index);
    if (found != m_mutatingFaults.end()) {
      fail = true;
      error = found->second;
    }
  }
  m_mutating.push_back(MutatingCall{name, argument, fail});
  if (fail) ::SetLastError(error);
  return fail;
}

void FaultyCalls::NotePathCall(const char* name, LPCSTR path) {
  m_pathCalls.push_back(PathCall{name, Text(path), m_nativeViewDepth > 0});
}

std::string FaultyCalls::FileName(HANDLE file) const {
  auto found = m_files.find(file);
  return found == m_files.end() ? std::string("?") : found->second;
}

std::string FaultyCalls::ServiceName(SC_HANDLE service) const {
  auto found = m_services.find(service);
  return found == m_services.end() ? std::string("?") : found->second;
}

std::string FaultyCalls::KeyName(HKEY key) const {
  auto found = m_keys.find(key);
  return found == m_keys.end() ? std::string("?") : found->second;
}

// Files and folders

HANDLE FaultyCalls::CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile) {
  NotePathCall("CreateFileA", path);
  bool fail = ChangesFile(access, disposition) ? EnterMutating("CreateFileA", Text(path)) : Enter("CreateFileA");
  if (fail) return INVALID_HANDLE_VALUE;
  HANDLE file = m_real.CreateFileA(path, access, share, security, disposition, flags, templateFile);
  DWORD error = ::GetLastError();
  if (file != INVALID_HANDLE_VALUE) m_files[file] = Text(path);
  ::SetLastError(error);
  return file;
}

BOOL FaultyCalls::WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (EnterMutating("WriteFile", FileName(file))) {
    if (written != nullptr) *written = 0;
    return FALSE;
  }
  return m_real.WriteFile(file, data, size, written, overlapped);
}

BOOL FaultyCalls::ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  if (Enter("ReadFile")) {
    if (read != nullptr) *read = 0;
    return FALSE;
  }
  LARGE_INTEGER start = {};
  const bool located = !m_changedBytes.empty() && ReadStart(file, overlapped, &start);
  const BOOL ok = m_real.ReadFile(file, data, size, read, overlapped);
  if (!ok || read == nullptr || !located || start.HighPart != 0) return ok;
  // The part of the changed bytes this read covers.
  for (DWORD at = 0; at < m_changedBytes.size(); ++at) {
    const DWORD offset = m_changedOffset + at;
    if (offset >= start.LowPart && offset - start.LowPart < *read)
      static_cast<char*>(data)[offset - start.LowPart] = m_changedBytes[at];
  }
  return ok;
}

BOOL FaultyCalls::SetEndOfFile(HANDLE file) {
  if (EnterMutating("SetEndOfFile", FileName(file))) return FALSE;
  return m_real.SetEndOfFile(file);
}

HANDLE FaultyCalls::FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) {
  NotePathCall("FindFirstFileA", path);
  if (Enter("FindFirstFileA")) return INVALID_HANDLE_VALUE;
  return m_real.FindFirstFileA(path, data);
}

BOOL FaultyCalls::FindClose(HANDLE find) {
  if (Enter("FindClose")) return FALSE;
  return m_real.FindClose(find);
}

BOOL FaultyCalls::CloseHandle(HANDLE handle) {
  if (Enter("CloseHandle")) return FALSE;
  m_files.erase(handle);
  return m_real.CloseHandle(handle);
}

BOOL FaultyCalls::CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  NotePathCall("CopyFileA", from);
  if (EnterMutating("CopyFileA", Text(from) + " -> " + Text(to))) return FALSE;
  return m_real.CopyFileA(from, to, failIfExists);
}

BOOL FaultyCalls::MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  NotePathCall("MoveFileExA", from);
  if (EnterMutating("MoveFileExA", Text(from) + " -> " + Text(to))) return FALSE;
  return m_real.MoveFileExA(from, to, flags);
}

BOOL FaultyCalls::DeleteFileA(LPCSTR path) {
  NotePathCall("DeleteFileA", path);
  if (EnterMutating("DeleteFileA", Text(path))) return FALSE;
  return m_real.DeleteFileA(path);
}

BOOL FaultyCalls::SetFileAttributesA(LPCSTR path, DWORD attributes) {
  if (EnterMutating("SetFileAttributesA", Text(path))) return FALSE;
  return m_real.SetFileAttributesA(path, attributes);
}

BOOL FaultyCalls::CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
  NotePathCall("CreateDirectoryA", path);
  if (EnterMutating("CreateDirectoryA", Text(path))) return FALSE;
  return m_real.CreateDirectoryA(path, security);
}

BOOL FaultyCalls::RemoveDirectoryA(LPCSTR path) {
  NotePathCall("RemoveDirectoryA", path);
  if (EnterMutating("RemoveDirectoryA", Text(path))) return FALSE;
  return m_real.RemoveDirectoryA(path);
}

UINT FaultyCalls::GetSystemDirectoryA(LPSTR buffer, UINT size) {
  if (Enter("GetSystemDirectoryA")) return 0;
  return m_real.GetSystemDirectoryA(buffer, size);
}

BOOL FaultyCalls::SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) {
  if (Enter("SHGetSpecialFolderPathA")) return FALSE;
  return m_real.SHGetSpecialFolderPathA(owner, path, csidl, create);
}

// COM

HRESULT FaultyCalls::CoInitialize(LPVOID reserved) {
  if (Enter("CoInitialize")) return FailureResult(::GetLastError());
  return m_real.CoInitialize(reserved);
}

void FaultyCalls::CoUninitialize() {
  Enter("CoUninitialize");
  m_real.CoUninitialize();
}

HRESULT FaultyCalls::CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
  if (Enter("CoCreateInstance")) {
    if (object != nullptr) *object = nullptr;
    return FailureResult(::GetLastError());
  }
  HRESULT result = m_real.CoCreateInstance(clsid, outer, context, iid, object);
  if (SUCCEEDED(result) && IsEqualCLSID(clsid, CLSID_ShellLink) && IsEqualIID(iid, IID_IShellLinkA)) {
    *object = static_cast<IShellLinkA*>(new FaultyShellLink(*this, static_cast<IShellLinkA*>(*object)));
  }
  return result;
}

// Service control manager

SC_HANDLE FaultyCalls::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  if (Enter("OpenSCManagerA")) return nullptr;
  return m_real.OpenSCManagerA(machine, database, access);
}

SC_HANDLE FaultyCalls::OpenServiceA(SC_HANDLE scm, LPCSTR name, DWORD access) {
  if (Enter("OpenServiceA")) return nullptr;
  SC_HANDLE service = m_real.OpenServiceA(scm, name, access);
  DWORD error = ::GetLastError();
  if (service != nullptr) m_services[service] = Text(name);
  ::SetLastError(error);
  return service;
}

SC_HANDLE FaultyCalls::CreateServiceA(SC_HANDLE scm, LPCSTR name, LPCSTR displayName, DWORD access, DWORD type,
                                      DWORD startType, DWORD errorControl, LPCSTR imagePath, LPCSTR loadOrderGroup,
                                      LPDWORD tagId, LPCSTR dependencies, LPCSTR account, LPCSTR password) {
  if (EnterMutating("CreateServiceA", Text(name))) return nullptr;
  SC_HANDLE service = m_real.CreateServiceA(scm, name, displayName, access, type, startType, errorControl, imagePath,
                                            loadOrderGroup, tagId, dependencies, account, password);
  DWORD error = ::GetLastError();
  if (service != nullptr) m_services[service] = Text(name);
  ::SetLastError(error);
  return service;
}

BOOL FaultyCalls::ChangeServiceConfigA(SC_HANDLE service, DWORD type, DWORD startType, DWORD errorControl,
                                       LPCSTR imagePath, LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies,
                                       LPCSTR account, LPCSTR password, LPCSTR displayName) {
  if (EnterMutating("ChangeServiceConfigA", ServiceName(service))) return FALSE;
  return m_real.ChangeServiceConfigA(service, type, startType, errorControl, imagePath, loadOrderGroup, tagId,
                                     dependencies, account, password, displayName);
}

SC_LOCK FaultyCalls::LockServiceDatabase(SC_HANDLE scm) {
  if (Enter("LockServiceDatabase")) return nullptr;
  return m_real.LockServiceDatabase(scm);
}

BOOL FaultyCalls::UnlockServiceDatabase(SC_LOCK lock) {
  if (Enter("UnlockServiceDatabase")) return FALSE;
  return m_real.UnlockServiceDatabase(lock);
}

BOOL FaultyCalls::QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  if (Enter("QueryServiceStatus")) return FALSE;
  return m_real.QueryServiceStatus(service, status);
}

BOOL FaultyCalls::StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) {
  if (EnterMutating("StartServiceA", ServiceName(service))) return FALSE;
  return m_real.StartServiceA(service, argc, argv);
}

BOOL FaultyCalls::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  if (EnterMutating("ControlService", ServiceName(service))) return FALSE;
  return m_real.ControlService(service, control, status);
}

BOOL FaultyCalls::DeleteService(SC_HANDLE service) {
  if (EnterMutating("DeleteService", ServiceName(service))) return FALSE;
  return m_real.DeleteService(service);
}

BOOL FaultyCalls::CloseServiceHandle(SC_HANDLE handle) {
  if (Enter("CloseServiceHandle")) return FALSE;
  m_services.erase(handle);
  return m_real.CloseServiceHandle(handle);
}

// Registry

LONG FaultyCalls::RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                                  REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
  if (EnterMutating("RegCreateKeyExA", Text(subKey))) return static_cast<LONG>(::GetLastError());
  LONG status =
      m_real.RegCreateKeyExA(parent, subKey, reserved, className, options, access, security, result, disposition);
  if (status == ERROR_SUCCESS && result != nullptr) m_keys[*result] = Text(subKey);
  return status;
}

LONG FaultyCalls::RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  if (Enter("RegOpenKeyExA")) return static_cast<LONG>(::GetLastError());
  LONG status = m_real.RegOpenKeyExA(parent, subKey, options, access, result);
  if (status == ERROR_SUCCESS && result != nullptr) m_keys[*result] = Text(subKey);
  return status;
}

LONG FaultyCalls::RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classLength, LPDWORD reserved,
                                   LPDWORD subKeys, LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                                   LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityLength,
                                   PFILETIME lastWrite) {
  if (Enter("RegQueryInfoKeyA")) return static_cast<LONG>(::GetLastError());
  return m_real.RegQueryInfoKeyA(key, className, classLength, reserved, subKeys, maxSubKeyLength, maxClassLength,
                                 values, maxValueNameLength, maxValueLength, securityLength, lastWrite);
}

LONG FaultyCalls::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                                LPDWORD type, LPBYTE data, LPDWORD dataLength) {
  if (Enter("RegEnumValueA")) return static_cast<LONG>(::GetLastError());
  return m_real.RegEnumValueA(key, index, name, nameLength, reserved, type, data, dataLength);
}

LONG FaultyCalls::RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                   LPDWORD dataLength) {
  if (Enter("RegQueryValueExA")) return static_cast<LONG>(::GetLastError());
  return m_real.RegQueryValueExA(key, name, reserved, type, data, dataLength);
}

LONG FaultyCalls::RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                 DWORD dataLength) {
  std::string argument = KeyName(key) + "\\" + (name != nullptr ? std::string(name) : std::string("(default)"));
  if (EnterMutating("RegSetValueExA", argument)) return static_cast<LONG>(::GetLastError());
  return m_real.RegSetValueExA(key, name, reserved, type, data, dataLength);
}

LONG FaultyCalls::RegDeleteValueA(HKEY key, LPCSTR name) {
  std::string argument = KeyName(key) + "\\" + (name != nullptr ? std::string(name) : std::string("(default)"));
  if (EnterMutating("RegDeleteValueA", argument)) return static_cast<LONG>(::GetLastError());
  return m_real.RegDeleteValueA(key, name);
}

LONG FaultyCalls::RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                   LPDWORD dataLength) {
  if (Enter("RegQueryValueExW")) return static_cast<LONG>(::GetLastError());
  return m_real.RegQueryValueExW(key, name, reserved, type, data, dataLength);
}

LONG FaultyCalls::RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                 DWORD dataLength) {
  std::string argument = KeyName(key) + "\\" + (name != nullptr ? Narrow(name) : std::string("(default)"));
  if (EnterMutating("RegSetValueExW", argument)) return static_cast<LONG>(::GetLastError());
  return m_real.RegSetValueExW(key, name, reserved, type, data, dataLength);
}

LONG FaultyCalls::RegCloseKey(HKEY key) {
  if (Enter("RegCloseKey")) return static_cast<LONG>(::GetLastError());
  m_keys.erase(key);
  return m_real.RegCloseKey(key);
}

// Security and shutdown

BOOL FaultyCalls::OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  if (Enter("OpenProcessToken")) return FALSE;
  return m_real.OpenProcessToken(process, access, token);
}

BOOL FaultyCalls::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                                      PDWORD returnLength) {
  if (Enter("GetTokenInformation")) return FALSE;
  return m_real.GetTokenInformation(token, infoClass, info, length, returnLength);
}

BOOL FaultyCalls::AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0, DWORD sub1,
                                           DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6, DWORD sub7,
                                           PSID* sid) {
  if (Enter("AllocateAndInitializeSid")) return FALSE;
  return m_real.AllocateAndInitializeSid(authority, count, sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7, sid);
}

BOOL FaultyCalls::EqualSid(PSID a, PSID b) {
  if (Enter("EqualSid")) return FALSE;
  return m_real.EqualSid(a, b);
}

PVOID FaultyCalls::FreeSid(PSID sid) {
  Enter("FreeSid");
  return m_real.FreeSid(sid);
}

BOOL FaultyCalls::LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) {
  if (Enter("LookupPrivilegeValueA")) return FALSE;
  return m_real.LookupPrivilegeValueA(system, name, luid);
}

BOOL FaultyCalls::AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length,
                                        PTOKEN_PRIVILEGES previous, PDWORD returnLength) {
  if (Enter("AdjustTokenPrivileges")) return FALSE;
  return m_real.AdjustTokenPrivileges(token, disableAll, newState, length, previous, returnLength);
}

BOOL FaultyCalls::ExitWindowsEx(UINT flags, DWORD reason) {
  std::ostringstream argument;
  argument << "flags " << flags << ", reason " << reason;
  if (EnterMutating("ExitWindowsEx", argument.str())) return FALSE;
  m_exitRequests.push_back(ExitRequest{flags, reason});
  ::SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// Time

void FaultyCalls::Sleep(DWORD milliseconds) {
  Enter("Sleep");
  m_sleeps.push_back(milliseconds);
  if (m_realSleep) m_real.Sleep(milliseconds);
}

DWORD FaultyCalls::GetTickCount() {
  Enter("GetTickCount");
  return m_real.GetTickCount();
}

// WOW64

bool FaultyCalls::ReallyWow64() {
  BOOL wow64 = FALSE;
  return m_real.IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

BOOL FaultyCalls::IsWow64Process(HANDLE process, PBOOL wow64) {
  if (Enter("IsWow64Process")) return FALSE;
  if (m_pretendedWow64 >= 0) {
    *wow64 = m_pretendedWow64 != 0 ? TRUE : FALSE;
    return TRUE;
  }
  return m_real.IsWow64Process(process, wow64);
}

BOOL FaultyCalls::IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine) {
  if (Enter("IsWow64Process2")) return FALSE;
  if (m_pretendedMachine != 0) {
    *processMachine = IMAGE_FILE_MACHINE_I386;
    *nativeMachine = m_pretendedMachine;
    return TRUE;
  }
  return m_real.IsWow64Process2(process, processMachine, nativeMachine);
}

BOOL FaultyCalls::Wow64DisableWow64FsRedirection(PVOID* previous) {
  if (Enter("Wow64DisableWow64FsRedirection")) return FALSE;
  if (m_pretendedWow64 >= 0 && !ReallyWow64()) {
    *previous = nullptr;
  } else if (!m_real.Wow64DisableWow64FsRedirection(previous)) {
    return FALSE;
  }
  ++m_nativeViewDepth;
  return TRUE;
}

BOOL FaultyCalls::Wow64RevertWow64FsRedirection(PVOID previous) {
  if (Enter("Wow64RevertWow64FsRedirection")) return FALSE;
  if (!(m_pretendedWow64 >= 0 && !ReallyWow64()) && !m_real.Wow64RevertWow64FsRedirection(previous)) return FALSE;
  --m_nativeViewDepth;
  return TRUE;
}

// Restart Manager

DWORD FaultyCalls::RmStartSession(DWORD* session, DWORD flags, WCHAR* sessionKey) {
  if (Enter("RmStartSession")) return ::GetLastError();
  return m_real.RmStartSession(session, flags, sessionKey);
}

DWORD FaultyCalls::RmRegisterResources(DWORD session, UINT fileCount, LPCWSTR* files, UINT processCount,
                                       RM_UNIQUE_PROCESS* processes, UINT serviceCount, LPCWSTR* services) {
  if (Enter("RmRegisterResources")) return ::GetLastError();
  return m_real.RmRegisterResources(session, fileCount, files, processCount, processes, serviceCount, services);
}

DWORD FaultyCalls::RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO* programs,
                             DWORD* rebootReasons) {
  if (Enter("RmGetList")) return ::GetLastError();
  if (m_restartManagerList.empty()) return m_real.RmGetList(session, needed, count, programs, rebootReasons);
  *needed = static_cast<UINT>(m_restartManagerList.size());
  *rebootReasons = RmRebootReasonNone;
  if (programs == nullptr || *count < *needed) {
    *count = 0;
    return ERROR_MORE_DATA;
  }
  *count = *needed;
  for (size_t i = 0; i < m_restartManagerList.size(); ++i) {
    RM_PROCESS_INFO info = {};
    info.Process.dwProcessId = m_restartManagerList[i].processId;
    info.ApplicationType = RmMainWindow;
    lstrcpynW(info.strAppName, m_restartManagerList[i].appName.c_str(), CCH_RM_MAX_APP_NAME);
    programs[i] = info;
  }
  return ERROR_SUCCESS;
}

DWORD FaultyCalls::RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK status) {
  if (EnterMutating("RmShutdown", flags == 0 ? "" : "forced")) return ::GetLastError();
  return m_real.RmShutdown(session, flags, status);
}

DWORD FaultyCalls::RmEndSession(DWORD session) {
  if (Enter("RmEndSession")) return ::GetLastError();
  return m_real.RmEndSession(session);
}

// Processes and windows

HANDLE FaultyCalls::CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
  if (Enter("CreateToolhelp32Snapshot")) return INVALID_HANDLE_VALUE;
  return m_real.CreateToolhelp32Snapshot(flags, processId);
}

BOOL FaultyCalls::Process32First(HANDLE snapshot, PROCESSENTRY32* entry) {
  if (Enter("Process32First")) return FALSE;
  return m_real.Process32First(snapshot, entry);
}

BOOL FaultyCalls::Process32Next(HANDLE snapshot, PROCESSENTRY32* entry) {
  if (Enter("Process32Next")) return FALSE;
  return m_real.Process32Next(snapshot, entry);
}

HANDLE FaultyCalls::OpenProcess(DWORD access, BOOL inherit, DWORD processId) {
  if (Enter("OpenProcess")) return nullptr;
  return m_real.OpenProcess(access, inherit, processId);
}

BOOL FaultyCalls::QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR path, PDWORD size) {
  if (Enter("QueryFullProcessImageNameA")) return FALSE;
  return m_real.QueryFullProcessImageNameA(process, flags, path, size);
}

DWORD FaultyCalls::WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  if (Enter("WaitForSingleObject")) return WAIT_FAILED;
  return m_real.WaitForSingleObject(object, milliseconds);
}

BOOL FaultyCalls::EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
  if (Enter("EnumWindows")) return FALSE;
  return m_real.EnumWindows(callback, parameter);
}

DWORD FaultyCalls::GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  if (Enter("GetWindowThreadProcessId")) return 0;
  return m_real.GetWindowThreadProcessId(window, processId);
}

BOOL FaultyCalls::IsWindowVisible(HWND window) {
  if (Enter("IsWindowVisible")) return FALSE;
  return m_real.IsWindowVisible(window);
}

BOOL FaultyCalls::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool failed = message == WM_CLOSE ? EnterMutating("PostMessageA", "WM_CLOSE") : Enter("PostMessageA");
  if (failed) return FALSE;
  return m_real.PostMessageA(window, message, wParam, lParam);
}
