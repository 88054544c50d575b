// Directories, shell-link shortcuts and internet shortcuts.

#include <shlobj.h>
#include <shobjidl.h>

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

}  // namespace

void CInstallEngine::CreateDir(const std::string& path) {
  Log("CreateDirectory: ", path.c_str());
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
