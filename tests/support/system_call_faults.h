#pragma once
// A seam for tests: wraps the real system calls, counts every call by name,
// fails a chosen call with a chosen last error, lists the calls that change
// the system, makes Sleep instant and never lets ExitWindowsEx through.
//
// Call names are the ISystemCalls method names ("CreateFileA", "DeleteFileA",
// ...). The shell-link object made by CoCreateInstance(IID_IShellLinkA) is
// wrapped too; its methods count and fail under the names
//   "IShellLinkA::SetPath", "IShellLinkA::SetDescription",
//   "IShellLinkA::SetArguments", "IShellLinkA::SetWorkingDirectory",
//   "IShellLinkA::SetIconLocation", "IShellLinkA::QueryInterface(IPersistFile)",
//   "IPersistFile::Save" (the last one is a mutating call).

#include <map>
#include <string>
#include <vector>

#include "engine/system_calls.h"

class FaultyCalls : public ISystemCalls {
 public:
  // One call that changed (or would have changed) the system.
  struct MutatingCall {
    std::string name;
    std::string argument;  // path, service or value name, as far as known
    bool failed = false;   // failed by this seam, the real call never made
  };
  // One file-system call on a path, and whether it was made in the 64-bit
  // system's own view (redirection turned off through this seam).
  struct PathCall {
    std::string name;
    std::string path;  // the first path of a copy or move
    bool nativeView = false;
  };
  // One ExitWindowsEx request; it never reaches the system.
  struct ExitRequest {
    UINT flags;
    DWORD reason;
  };

  FaultyCalls();
  ~FaultyCalls() override;

  // Fails the occurrence-th call of that name (counting from 1) with the
  // last error `error`, returning the call's failure value without calling
  // the real one.
  void FailCall(const std::string& name, DWORD error, int occurrence = 1);
  // Fails every call of that name from the occurrence-th on.
  void FailCallsFrom(const std::string& name, DWORD error, int occurrence = 1);
  // Fails the n-th call (counting from 1) that changes the system.
  void FailMutatingCall(int n, DWORD error);
  // Makes the bytes from `offset` of whatever file a ReadFile call reads read
  // as `bytes`, as if the file had changed on disk since it was checked.
  void ChangeFileBytes(DWORD offset, const std::string& bytes) {
    m_changedOffset = offset;
    m_changedBytes = bytes;
  }
  // Makes Sleep really sleep again (it is instant by default).
  void UseRealSleep(bool real) { m_realSleep = real; }
  // Makes the process look like a 32-bit program on 64-bit Windows (or,
  // with false, on 32-bit Windows): IsWow64Process answers so. Where the
  // real system has no redirection, turning it off and back on is only
  // recorded, so the files stay where the real system puts them.
  void PretendWow64(bool wow64 = true) { m_pretendedWow64 = wow64 ? 1 : 0; }
  // Makes IsWow64Process2 name `machine` (IMAGE_FILE_MACHINE_*) as the
  // system's own processor, and IsWow64Process answer as emulation there does.
  void PretendNativeMachine(USHORT machine) {
    m_pretendedMachine = machine;
    PretendWow64(true);
  }

  // Makes the Restart Manager list the process `processId` under the name
  // `appName` as holding the registered files (Wine's lists nothing); its
  // shutdown is left to the real one.
  void PretendRestartManagerLists(DWORD processId, const std::wstring& appName) {
    m_restartManagerList.push_back({processId, appName});
  }

  // Every file-system call on a path, in order.
  const std::vector<PathCall>& PathCalls() const { return m_pathCalls; }
  // True while redirection is off through this seam (not yet restored).
  bool InNativeView() const { return m_nativeViewDepth > 0; }

  // How often a call of that name was made, failed ones included.
  int Count(const std::string& name) const;
  int MutatingCount() const { return static_cast<int>(m_mutating.size()); }
  const std::vector<MutatingCall>& MutatingCalls() const { return m_mutating; }
  // The mutating calls, one "name(argument)" a line, for failure messages.
  std::string DescribeMutatingCalls() const;
  const std::vector<DWORD>& Sleeps() const { return m_sleeps; }
  const std::vector<ExitRequest>& ExitRequests() const { return m_exitRequests; }
  // Shell-link objects made through this seam and not yet released.
  int LiveShellLinks() const { return m_liveShellLinks; }

  // Counts the call and says whether it is to fail; when it is, the last
  // error is already set. For the shell-link wrapper.
  bool Enter(const char* name);
  bool EnterMutating(const char* name, const std::string& argument);
  void ShellLinkMade() { ++m_liveShellLinks; }
  void ShellLinkGone() { --m_liveShellLinks; }

  // ISystemCalls
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE templateFile) override;
  BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) override;
  BOOL ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override;
  BOOL SetEndOfFile(HANDLE file) override;
  HANDLE FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) override;
  BOOL FindClose(HANDLE find) override;
  BOOL CloseHandle(HANDLE handle) override;
  BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) override;
  BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) override;
  BOOL DeleteFileA(LPCSTR path) override;
  BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) override;
  BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) override;
  BOOL RemoveDirectoryA(LPCSTR path) override;
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size) override;
  BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) override;

  HRESULT CoInitialize(LPVOID reserved) override;
  void CoUninitialize() override;
  HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) override;

  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override;
  SC_HANDLE OpenServiceA(SC_HANDLE scm, LPCSTR name, DWORD access) override;
  SC_HANDLE CreateServiceA(SC_HANDLE scm, LPCSTR name, LPCSTR displayName, DWORD access, DWORD type, DWORD startType,
                           DWORD errorControl, LPCSTR imagePath, LPCSTR loadOrderGroup, LPDWORD tagId,
                           LPCSTR dependencies, LPCSTR account, LPCSTR password) override;
  BOOL ChangeServiceConfigA(SC_HANDLE service, DWORD type, DWORD startType, DWORD errorControl, LPCSTR imagePath,
                            LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR account,
                            LPCSTR password, LPCSTR displayName) override;
  SC_LOCK LockServiceDatabase(SC_HANDLE scm) override;
  BOOL UnlockServiceDatabase(SC_LOCK lock) override;
  BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) override;
  BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override;
  BOOL DeleteService(SC_HANDLE service) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;

  LONG RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                       LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) override;
  LONG RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override;
  LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                        LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                        LPDWORD maxValueLength, LPDWORD securityLength, PFILETIME lastWrite) override;
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataLength) override;
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataLength) override;
  LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD dataLength) override;
  LONG RegDeleteValueA(HKEY key, LPCSTR name) override;
  LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataLength) override;
  LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD dataLength) override;
  LONG RegCloseKey(HKEY key) override;

  BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) override;
  BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                           PDWORD returnLength) override;
  BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0, DWORD sub1, DWORD sub2,
                                DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6, DWORD sub7, PSID* sid) override;
  BOOL EqualSid(PSID a, PSID b) override;
  PVOID FreeSid(PSID sid) override;
  BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) override;
  BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length,
                             PTOKEN_PRIVILEGES previous, PDWORD returnLength) override;
  // Recorded and answered with TRUE; never passed on, so no test restarts
  // the machine it runs on.
  BOOL ExitWindowsEx(UINT flags, DWORD reason) override;

  void Sleep(DWORD milliseconds) override;
  DWORD GetTickCount() override;

  BOOL IsWow64Process(HANDLE process, PBOOL wow64) override;
  BOOL IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine) override;
  BOOL Wow64DisableWow64FsRedirection(PVOID* previous) override;
  BOOL Wow64RevertWow64FsRedirection(PVOID previous) override;

  DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* sessionKey) override;
  DWORD RmRegisterResources(DWORD session, UINT fileCount, LPCWSTR* files, UINT processCount,
                            RM_UNIQUE_PROCESS* processes, UINT serviceCount, LPCWSTR* services) override;
  DWORD RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO* programs, DWORD* rebootReasons) override;
  // A mutating call: it closes programs.
  DWORD RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK status) override;
  DWORD RmEndSession(DWORD session) override;

  HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) override;
  BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry) override;
  BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry) override;
  HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override;
  BOOL QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR path, PDWORD size) override;
  DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) override;
  BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override;
  DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) override;
  BOOL IsWindowVisible(HWND window) override;
  // A mutating call when it asks a window to close.
  BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct ListedProgram {
    DWORD processId;
    std::wstring appName;
  };
  struct Fault {
    int from;
    int to;  // inclusive; INT_MAX for "from on"
    DWORD error;
  };

  bool Fails(const std::string& name, int count, DWORD* error) const;
  void NotePathCall(const char* name, LPCSTR path);
  std::string FileName(HANDLE file) const;
  std::string ServiceName(SC_HANDLE service) const;
  std::string KeyName(HKEY key) const;

  ISystemCalls& m_real;
  bool m_realSleep = false;
  DWORD m_changedOffset = 0;
  std::string m_changedBytes;
  std::map<std::string, int> m_counts;
  std::multimap<std::string, Fault> m_faults;
  std::map<int, DWORD> m_mutatingFaults;
  std::vector<MutatingCall> m_mutating;
  std::vector<DWORD> m_sleeps;
  std::vector<ExitRequest> m_exitRequests;
  int m_liveShellLinks = 0;
  int m_pretendedWow64 = -1;  // -1: the real answer
  USHORT m_pretendedMachine = 0;  // 0: the real answer
  bool ReallyWow64();
  int m_nativeViewDepth = 0;
  std::vector<PathCall> m_pathCalls;
  std::vector<ListedProgram> m_restartManagerList;
  // What the handles stand for, for the list of mutating calls.
  std::map<HANDLE, std::string> m_files;
  std::map<SC_HANDLE, std::string> m_services;
  std::map<HKEY, std::string> m_keys;
};

// Installs a seam for the lifetime of the object, then restores the real one.
class ScopedSystemCalls {
 public:
  explicit ScopedSystemCalls(ISystemCalls& calls) { SetSystemCalls(&calls); }
  ~ScopedSystemCalls() { SetSystemCalls(nullptr); }
  ScopedSystemCalls(const ScopedSystemCalls&) = delete;
  ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;
};
