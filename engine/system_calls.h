#pragma once
// The engine's one door to the operating system. Every Win32 call the engine
// makes goes through the current ISystemCalls; the production implementation
// forwards each call to Win32 unchanged. Tests install a wrapper around the
// real implementation to fail a chosen call with a chosen last error, count
// calls, or make Sleep instant: the real system stays underneath.

#include <windows.h>
#include <objbase.h>
#include <winsvc.h>
#include <restartmanager.h>
#include <tlhelp32.h>

class ISystemCalls {
 public:
  virtual ~ISystemCalls() = default;

  // Files and folders
  virtual HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
  virtual BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) = 0;
  virtual BOOL ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) = 0;
  virtual BOOL SetEndOfFile(HANDLE file) = 0;
  virtual HANDLE FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) = 0;
  virtual BOOL FindClose(HANDLE find) = 0;
  // Files, tokens and other kernel handles.
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) = 0;
  virtual BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) = 0;
  virtual BOOL DeleteFileA(LPCSTR path) = 0;
  virtual BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) = 0;
  virtual BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) = 0;
  virtual BOOL RemoveDirectoryA(LPCSTR path) = 0;
  virtual UINT GetSystemDirectoryA(LPSTR buffer, UINT size) = 0;
  virtual BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) = 0;

  // COM (shell links)
  virtual HRESULT CoInitialize(LPVOID reserved) = 0;
  virtual void CoUninitialize() = 0;
  virtual HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) = 0;

  // Service control manager
  virtual SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) = 0;
  virtual SC_HANDLE OpenServiceA(SC_HANDLE scm, LPCSTR name, DWORD access) = 0;
  virtual SC_HANDLE CreateServiceA(SC_HANDLE scm, LPCSTR name, LPCSTR displayName, DWORD access, DWORD type,
                                   DWORD startType, DWORD errorControl, LPCSTR imagePath, LPCSTR loadOrderGroup,
                                   LPDWORD tagId, LPCSTR dependencies, LPCSTR account, LPCSTR password) = 0;
  virtual BOOL ChangeServiceConfigA(SC_HANDLE service, DWORD type, DWORD startType, DWORD errorControl,
                                    LPCSTR imagePath, LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies,
                                    LPCSTR account, LPCSTR password, LPCSTR displayName) = 0;
  virtual SC_LOCK LockServiceDatabase(SC_HANDLE scm) = 0;
  virtual BOOL UnlockServiceDatabase(SC_LOCK lock) = 0;
  virtual BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) = 0;
  virtual BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) = 0;
  virtual BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) = 0;
  virtual BOOL DeleteService(SC_HANDLE service) = 0;
  virtual BOOL CloseServiceHandle(SC_HANDLE handle) = 0;

  // Registry
  virtual LONG RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                               REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) = 0;
  virtual LONG RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) = 0;
  virtual LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                                LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                                LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityLength,
                                PFILETIME lastWrite) = 0;
  virtual LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                             LPDWORD type, LPBYTE data, LPDWORD dataLength) = 0;
  virtual LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD dataLength) = 0;
  virtual LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD dataLength) = 0;
  virtual LONG RegDeleteValueA(HKEY key, LPCSTR name) = 0;
  // Wide forms, for values whose text must not pass through the ANSI code
  // page (other programs' paths in PendingFileRenameOperations).
  virtual LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD dataLength) = 0;
  virtual LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD dataLength) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;

  // Security and shutdown
  virtual BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) = 0;
  virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                                   PDWORD returnLength) = 0;
  virtual BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0, DWORD sub1,
                                        DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6, DWORD sub7,
                                        PSID* sid) = 0;
  virtual BOOL EqualSid(PSID a, PSID b) = 0;
  virtual PVOID FreeSid(PSID sid) = 0;
  virtual BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) = 0;
  virtual BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length,
                                     PTOKEN_PRIVILEGES previous, PDWORD returnLength) = 0;
  virtual BOOL ExitWindowsEx(UINT flags, DWORD reason) = 0;

  // Time
  virtual void Sleep(DWORD milliseconds) = 0;
  virtual DWORD GetTickCount() = 0;

  // A 32-bit program on 64-bit Windows (WOW64). The real calls are found at
  // run time, since older 32-bit systems have none of them: there
  // IsWow64Process succeeds with FALSE and the redirection calls fail with
  // ERROR_CALL_NOT_IMPLEMENTED.
  virtual BOOL IsWow64Process(HANDLE process, PBOOL wow64) = 0;
  // The process's and the system's own processor (IMAGE_FILE_MACHINE_*);
  // fails with ERROR_CALL_NOT_IMPLEMENTED where the system lacks the call.
  virtual BOOL IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine) = 0;
  virtual BOOL Wow64DisableWow64FsRedirection(PVOID* previous) = 0;
  virtual BOOL Wow64RevertWow64FsRedirection(PVOID previous) = 0;

  // The Restart Manager (rstrtmgr.dll, loaded from the system directory
  // when first needed). Each returns a Win32 error code;
  // ERROR_CALL_NOT_IMPLEMENTED where the system lacks the library.
  virtual DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* sessionKey) = 0;
  virtual DWORD RmRegisterResources(DWORD session, UINT fileCount, LPCWSTR* files, UINT processCount,
                                    RM_UNIQUE_PROCESS* processes, UINT serviceCount, LPCWSTR* services) = 0;
  virtual DWORD RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO* programs,
                          DWORD* rebootReasons) = 0;
  virtual DWORD RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK status) = 0;
  virtual DWORD RmEndSession(DWORD session) = 0;

  // Processes and their windows
  virtual HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) = 0;
  virtual BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry) = 0;
  virtual BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry) = 0;
  virtual HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) = 0;
  virtual BOOL QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR path, PDWORD size) = 0;
  virtual DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) = 0;
  virtual BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) = 0;
  virtual DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) = 0;
  virtual BOOL IsWindowVisible(HWND window) = 0;
  virtual BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The implementation that forwards to Win32.
ISystemCalls& RealSystemCalls();
// The implementation the engine uses now: the real one unless a test
// installed another.
ISystemCalls& SystemCalls();
// Installs an implementation (not owned); null restores the real one.
void SetSystemCalls(ISystemCalls* calls);
