#include "engine/system_calls.h"

#include <shlobj.h>

#include "base/system_library.h"

namespace {

// The address of a kernel32 export, or null where this Windows lacks it.
template <typename Function>
Function Kernel32Export(const char* name) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  return kernel32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel32, name)))
                             : nullptr;
}

// The address of a Restart Manager export, or null where the system has no
// such library. Loaded by full path from the system directory: the setup
// runs elevated from folders anyone may drop a planted copy into.
HMODULE RestartManagerLibrary() {
  static const HMODULE library = LoadSystemLibrary("rstrtmgr.dll");
  return library;
}

template <typename Function>
Function RestartManagerExport(const char* name) {
  const HMODULE library = RestartManagerLibrary();
  return library != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)))
                            : nullptr;
}

// Forwards every call to Win32 unchanged.
class CRealSystemCalls final : public ISystemCalls {
 public:
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE templateFile) override {
    return ::CreateFileA(path, access, share, security, disposition, flags, templateFile);
  }
  BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) override {
    return ::WriteFile(file, data, size, written, overlapped);
  }
  BOOL ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override {
    return ::ReadFile(file, data, size, read, overlapped);
  }
  BOOL SetEndOfFile(HANDLE file) override { return ::SetEndOfFile(file); }
  HANDLE FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) override { return ::FindFirstFileA(path, data); }
  BOOL FindClose(HANDLE find) override { return ::FindClose(find); }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) override { return ::CopyFileA(from, to, failIfExists); }
  BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) override { return ::MoveFileExA(from, to, flags); }
  BOOL DeleteFileA(LPCSTR path) override { return ::DeleteFileA(path); }
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override { return ::SetFileAttributesA(path, attributes); }
  BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) override {
    return ::CreateDirectoryA(path, security);
  }
  BOOL RemoveDirectoryA(LPCSTR path) override { return ::RemoveDirectoryA(path); }
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size) override { return ::GetSystemDirectoryA(buffer, size); }
  BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) override {
    return ::SHGetSpecialFolderPathA(owner, path, csidl, create);
  }

  HRESULT CoInitialize(LPVOID reserved) override { return ::CoInitialize(reserved); }
  void CoUninitialize() override { ::CoUninitialize(); }
  HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) override {
    return ::CoCreateInstance(clsid, outer, context, iid, object);
  }

  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override {
    return ::OpenSCManagerA(machine, database, access);
  }
  SC_HANDLE OpenServiceA(SC_HANDLE scm, LPCSTR name, DWORD access) override {
    return ::OpenServiceA(scm, name, access);
  }
  SC_HANDLE CreateServiceA(SC_HANDLE scm, LPCSTR name, LPCSTR displayName, DWORD access, DWORD type,
                           DWORD startType, DWORD errorControl, LPCSTR imagePath, LPCSTR loadOrderGroup,
                           LPDWORD tagId, LPCSTR dependencies, LPCSTR account, LPCSTR password) override {
    return ::CreateServiceA(scm, name, displayName, access, type, startType, errorControl, imagePath, loadOrderGroup,
                            tagId, dependencies, account, password);
  }
  BOOL ChangeServiceConfigA(SC_HANDLE service, DWORD type, DWORD startType, DWORD errorControl, LPCSTR imagePath,
                            LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR account,
                            LPCSTR password, LPCSTR displayName) override {
    return ::ChangeServiceConfigA(service, type, startType, errorControl, imagePath, loadOrderGroup, tagId,
                                  dependencies, account, password, displayName);
  }
  SC_LOCK LockServiceDatabase(SC_HANDLE scm) override { return ::LockServiceDatabase(scm); }
  BOOL UnlockServiceDatabase(SC_LOCK lock) override { return ::UnlockServiceDatabase(lock); }
  BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) override {
    return ::QueryServiceStatus(service, status);
  }
  BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) override {
    return ::StartServiceA(service, argc, argv);
  }
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override {
    return ::ControlService(service, control, status);
  }
  BOOL DeleteService(SC_HANDLE service) override { return ::DeleteService(service); }
  BOOL CloseServiceHandle(SC_HANDLE handle) override { return ::CloseServiceHandle(handle); }

  LONG RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                       LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) override {
    return ::RegCreateKeyExA(parent, subKey, reserved, className, options, access, security, result, disposition);
  }
  LONG RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override {
    return ::RegOpenKeyExA(parent, subKey, options, access, result);
  }
  LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                        LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                        LPDWORD maxValueLength, LPDWORD securityLength, PFILETIME lastWrite) override {
    return ::RegQueryInfoKeyA(key, className, classLength, reserved, subKeys, maxSubKeyLength, maxClassLength, values,
                              maxValueNameLength, maxValueLength, securityLength, lastWrite);
  }
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataLength) override {
    return ::RegEnumValueA(key, index, name, nameLength, reserved, type, data, dataLength);
  }
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataLength) override {
    return ::RegQueryValueExA(key, name, reserved, type, data, dataLength);
  }
  LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD dataLength) override {
    return ::RegSetValueExA(key, name, reserved, type, data, dataLength);
  }
  LONG RegDeleteValueA(HKEY key, LPCSTR name) override { return ::RegDeleteValueA(key, name); }
  LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataLength) override {
    return ::RegQueryValueExW(key, name, reserved, type, data, dataLength);
  }
  LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD dataLength) override {
    return ::RegSetValueExW(key, name, reserved, type, data, dataLength);
  }
  LONG RegCloseKey(HKEY key) override { return ::RegCloseKey(key); }

  BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) override {
    return ::OpenProcessToken(process, access, token);
  }
  BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                           PDWORD returnLength) override {
    return ::GetTokenInformation(token, infoClass, info, length, returnLength);
  }
  BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0, DWORD sub1, DWORD sub2,
                                DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6, DWORD sub7, PSID* sid) override {
    return ::AllocateAndInitializeSid(authority, count, sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7, sid);
  }
  BOOL EqualSid(PSID a, PSID b) override { return ::EqualSid(a, b); }
  PVOID FreeSid(PSID sid) override { return ::FreeSid(sid); }
  BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) override {
    return ::LookupPrivilegeValueA(system, name, luid);
  }
  BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length,
                             PTOKEN_PRIVILEGES previous, PDWORD returnLength) override {
    return ::AdjustTokenPrivileges(token, disableAll, newState, length, previous, returnLength);
  }
  BOOL ExitWindowsEx(UINT flags, DWORD reason) override { return ::ExitWindowsEx(flags, reason); }

  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
  DWORD GetTickCount() override { return ::GetTickCount(); }

  BOOL IsWow64Process(HANDLE process, PBOOL wow64) override {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const auto isWow64Process = Kernel32Export<IsWow64ProcessFunction>("IsWow64Process");
    if (isWow64Process == nullptr) {
      *wow64 = FALSE;
      return TRUE;
    }
    return isWow64Process(process, wow64);
  }
  BOOL IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine) override {
    using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    static const auto isWow64Process2 = Kernel32Export<IsWow64Process2Function>("IsWow64Process2");
    if (isWow64Process2 == nullptr) {
      ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    return isWow64Process2(process, processMachine, nativeMachine);
  }
  BOOL Wow64DisableWow64FsRedirection(PVOID* previous) override {
    using DisableFunction = BOOL(WINAPI*)(PVOID*);
    static const auto disable = Kernel32Export<DisableFunction>("Wow64DisableWow64FsRedirection");
    if (disable == nullptr) {
      ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    return disable(previous);
  }
  BOOL Wow64RevertWow64FsRedirection(PVOID previous) override {
    using RevertFunction = BOOL(WINAPI*)(PVOID);
    static const auto revert = Kernel32Export<RevertFunction>("Wow64RevertWow64FsRedirection");
    if (revert == nullptr) {
      ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    return revert(previous);
  }

  DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* sessionKey) override {
    using Function = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
    static const auto start = RestartManagerExport<Function>("RmStartSession");
    return start != nullptr ? start(session, flags, sessionKey) : ERROR_CALL_NOT_IMPLEMENTED;
  }
  DWORD RmRegisterResources(DWORD session, UINT fileCount, LPCWSTR* files, UINT processCount,
                            RM_UNIQUE_PROCESS* processes, UINT serviceCount, LPCWSTR* services) override {
    using Function = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
    static const auto registerResources = RestartManagerExport<Function>("RmRegisterResources");
    return registerResources != nullptr
               ? registerResources(session, fileCount, files, processCount, processes, serviceCount, services)
               : ERROR_CALL_NOT_IMPLEMENTED;
  }
  DWORD RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO* programs,
                  DWORD* rebootReasons) override {
    using Function = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
    static const auto getList = RestartManagerExport<Function>("RmGetList");
    return getList != nullptr ? getList(session, needed, count, programs, rebootReasons) : ERROR_CALL_NOT_IMPLEMENTED;
  }
  DWORD RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK status) override {
    using Function = DWORD(WINAPI*)(DWORD, ULONG, RM_WRITE_STATUS_CALLBACK);
    static const auto shutdown = RestartManagerExport<Function>("RmShutdown");
    return shutdown != nullptr ? shutdown(session, flags, status) : ERROR_CALL_NOT_IMPLEMENTED;
  }
  DWORD RmEndSession(DWORD session) override {
    using Function = DWORD(WINAPI*)(DWORD);
    static const auto end = RestartManagerExport<Function>("RmEndSession");
    return end != nullptr ? end(session) : ERROR_CALL_NOT_IMPLEMENTED;
  }

  HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) override {
    return ::CreateToolhelp32Snapshot(flags, processId);
  }
  BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry) override { return ::Process32First(snapshot, entry); }
  BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry) override { return ::Process32Next(snapshot, entry); }
  HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override {
    return ::OpenProcess(access, inherit, processId);
  }
  BOOL QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR path, PDWORD size) override {
    return ::QueryFullProcessImageNameA(process, flags, path, size);
  }
  DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) override {
    return ::WaitForSingleObject(object, milliseconds);
  }
  BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override { return ::EnumWindows(callback, parameter); }
  DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) override {
    return ::GetWindowThreadProcessId(window, processId);
  }
  BOOL IsWindowVisible(HWND window) override { return ::IsWindowVisible(window); }
  BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    return ::PostMessageA(window, message, wParam, lParam);
  }
};

ISystemCalls* g_current = nullptr;

}  // namespace

ISystemCalls& RealSystemCalls() {
  static CRealSystemCalls real;
  return real;
}

ISystemCalls& SystemCalls() { return g_current != nullptr ? *g_current : RealSystemCalls(); }

void SetSystemCalls(ISystemCalls* calls) { g_current = calls; }
