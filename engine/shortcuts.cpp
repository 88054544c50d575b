// Directories, shell-link shortcuts and internet shortcuts.

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "base/handles.h"
#include "base/shell_link_ids.h"
#include "engine/install_engine.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {

// Balances a successful CoInitialize; declared before the interfaces so that
// they are released first.
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment() { SystemCalls().CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

// Where the folders of `path` begin: after "X:\\" or "\\\\server\\share\\";
// 0 for a path without either.
size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.compare(0, 2, "\\\\") != 0) return 0;
  const size_t server = path.find('\\', 2);
  if (server == std::string::npos) return path.size();
  const size_t share = path.find('\\', server + 1);
  return share == std::string::npos ? path.size() : share + 1;
}

}  // namespace

bool CInstallEngine::PathExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  return seam_hfind(SystemCalls().FindFirstFileA(path.c_str(), &found)).valid();
}

void CInstallEngine::CreateDirWithParents(const std::string& path) {
  // Only parents that are missing are created, so only they are recorded and
  // the rollback can never remove a folder that was there before. A parent
  // that is a file counts as present: the folder below it then fails.
  std::vector<std::string> missing{path};
  const size_t root = RootLength(path);
  for (std::string parent = path;;) {
    const size_t backslash = parent.rfind('\\');
    if (backslash == std::string::npos || backslash < root) break;
    parent.resize(backslash);
    if (PathExists(parent)) break;
    missing.push_back(parent);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) CreateDir(*folder);
}

void CInstallEngine::CreateDir(const std::string& path) {
  Log("CreateDirectory: ", path.c_str());
  // An uninstaller's removal of the folder, left for the restart, must not
  // take it (or what goes into it) away.
  WithdrawRestartOperations(path);
  if (SystemCalls().CreateDirectoryA(path.c_str(), nullptr)) {
    m_created[path] = KindDirectory;
    return;
  }
  // A directory that was already there is used as it is and never recorded,
  // so the rollback cannot remove it.
  const DWORD error = ::GetLastError();
  if (error != ERROR_ALREADY_EXISTS) Throw(684, kModuleEngine, error);
}

void CInstallEngine::CreateShortcut(const std::string& targetFile, const std::string& targetFolder,
                                    const std::string& shortcutFolder, const char* shortcutName,
                                    const char* arguments) {
  const std::string targetPath = targetFolder + "\\" + targetFile;
  const std::string shortcutPath =
      shortcutFolder + "\\" + (shortcutName != nullptr ? shortcutName : "") + ".lnk";
  Log("CreateShortcuts: ", shortcutPath.c_str());

  if (FAILED(SystemCalls().CoInitialize(nullptr))) Throw(768, kModuleEngine, ::GetLastError());
  ComApartment apartment;
  com_ptr<IShellLinkA> link;
  com_ptr<IPersistFile> file;

  if (FAILED(SystemCalls().CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                                            link.put_void()))) {
    Throw(776, kModuleEngine, ::GetLastError());
  }
  if (FAILED(link->QueryInterface(kPersistFileInterface, file.put_void()))) Throw(780, kModuleEngine, ::GetLastError());
  if (FAILED(link->SetPath(targetPath.c_str()))) Throw(784, kModuleEngine, ::GetLastError());
  if (shortcutName != nullptr && FAILED(link->SetDescription(shortcutName))) {
    Throw(790, kModuleEngine, ::GetLastError());
  }
  if (arguments != nullptr) link->SetArguments(arguments);
  if (FAILED(link->SetWorkingDirectory(targetFolder.c_str()))) Throw(802, kModuleEngine, ::GetLastError());
  if (FAILED(link->SetIconLocation(targetPath.c_str(), 0))) Throw(807, kModuleEngine, ::GetLastError());

  // A path too long for the 260-character buffer fails the save (with
  // ERROR_INSUFFICIENT_BUFFER) instead of being cut short or overrunning it.
  wchar_t widePath[MAX_PATH];
  if (::MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, widePath, MAX_PATH) == 0) {
    Throw(818, kModuleEngine, ::GetLastError());
  }
  // A shortcut of that name that was there before (an earlier installation's)
  // is backed up like any overwritten file, so that a rollback puts it back
  // rather than deleting it; only a new one is recorded as created. Both
  // are journaled before the save: a save that fails may still have left a
  // partial file, and the rollback must remove it.
  const std::string shortcutFile = (shortcutName != nullptr ? shortcutName : "") + std::string(".lnk");
  WIN32_FIND_DATAA found;
  const bool existed = seam_hfind(SystemCalls().FindFirstFileA(shortcutPath.c_str(), &found)).valid();
  if (existed) {
    BackupFile(shortcutFile, shortcutFolder);
  } else {
    RecordCreatedFile(shortcutPath);
  }
  WithdrawRestartOperations(shortcutPath);
  if (FAILED(file->Save(widePath, FALSE))) Throw(818, kModuleEngine, ::GetLastError());
}

void CInstallEngine::CreateUrlShortcut(const std::string& fileName, const std::string& folder,
                                       const std::string& url) {
  // No line break after the URL and no terminating zero.
  const std::string content = "[InternetShortcut]\r\nURL=" + url;
  InstallFile(fileName, folder, reinterpret_cast<const uint8_t*>(content.data()),
              static_cast<uint32_t>(content.size()));
}

void CInstallEngine::RecordCreatedFile(const std::string& path) { m_created[path] = KindFile; }
