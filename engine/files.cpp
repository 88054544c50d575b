// Installing one file: back up what is there, write the new content, and
// when the target is in use, hand the replacement to the next restart.

#include <cstdio>
#include <cstdlib>

#include "base/handles.h"
#include "engine/file_content.h"
#include "engine/install_engine.h"
#include "engine/native_view.h"
#include "engine/seam_handles.h"
#include "engine/system_calls.h"

namespace {


std::string TargetPath(const std::string& fileName, const std::string& folder) { return folder + "\\" + fileName; }

// An exclusive, truncating write open, the same for targets and temporary
// files; in the native view when `native`.
HANDLE OpenForWriting(const std::string& path, bool native) {
  return InNativeView(native, INVALID_HANDLE_VALUE, [&] {
    return SystemCalls().CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
  });
}

}  // namespace

std::string CInstallEngine::MakeTempName(const std::string& fileName, const std::string& folder) {
  std::string name = TargetPath(fileName, folder) + "_";
  for (int i = 0; i < kTempNameDigits; ++i) {
    name += char('0' + std::rand() % 9 + 1);
  }
  return name + ".tmp";
}

void CInstallEngine::BackupFile(const std::string& fileName, const std::string& folder) {
  const std::string source = TargetPath(fileName, folder);
  const std::string backup = MakeTempName(fileName, folder);
  const BOOL copied = InNativeView(InNativeFolder(source), FALSE,
                                   [&] { return SystemCalls().CopyFileA(source.c_str(), backup.c_str(), TRUE); });
  if (!copied) Throw(386, kModuleEngine, ::GetLastError());
  m_backups[source] = backup;
}

void CInstallEngine::InstallFile(const std::string& fileName, const std::string& folder, const uint8_t* content,
                                 uint32_t size) {
  InstallContent(fileName, folder, CFileContent(content, size));
}

void CInstallEngine::InstallFile(const std::string& fileName, const std::string& folder,
                                 const CPackageFileStore::Entry& entry) {
  InstallContent(fileName, folder, CFileContent(entry, m_store->Path()));
}

void CInstallEngine::InstallContent(const std::string& fileName, const std::string& folder,
                                    const CFileContent& content) {
  const std::string target = TargetPath(fileName, folder);
  Log("Install File: ", target.c_str());
  // Nothing waiting for the restart may delete the new file or move
  // another over it.
  WithdrawRestartOperations(target);

  const bool native = InNativeFolder(target);
  WIN32_FIND_DATAA found;
  const bool exists =
      seam_hfind(InNativeView(native, INVALID_HANDLE_VALUE, [&] {
        return SystemCalls().FindFirstFileA(target.c_str(), &found);
      })).valid();

  seam_hfile file;
  if (!exists) {
    file.reset(OpenForWriting(target, native));
    if (!file) Throw(579, kModuleEngine, ::GetLastError());
    m_created[target] = KindFile;
  } else {
    const auto recorded = m_backups.find(target);
    const std::string earlierBackup = recorded != m_backups.end() ? recorded->second : std::string();
    BackupFile(fileName, folder);
    file.reset(OpenForWriting(target, native));
    if (!file) {
      const DWORD error = ::GetLastError();
      // Only a file that another program holds open is left to the restart.
      // A read-only, hidden or protected file would refuse the replacement
      // at the restart too, and silently: it fails the installation now.
      if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) {
        DropBackup(target, earlierBackup);
        Throw(579, kModuleEngine, error);
      }
      InstallAtRestart(fileName, folder, content);
      return;
    }
  }

  if (!content.WriteTo(file.get())) Throw(637, kModuleEngine, ::GetLastError());
}

void CInstallEngine::InstallAtRestart(const std::string& fileName, const std::string& folder,
                                      const CFileContent& content) {
  const std::string target = TargetPath(fileName, folder);
  const std::string temporary = MakeTempName(fileName, folder);
  const bool native = InNativeFolder(target);
  seam_hfile file(OpenForWriting(temporary, native));
  if (!file) Throw(601, kModuleEngine, ::GetLastError());
  m_created[temporary] = KindFile;

  bool shortWrite = false;
  DWORD shortWriteError = 0;
  if (!content.WriteTo(file.get())) {
    shortWrite = true;
    shortWriteError = ::GetLastError();
  }
  file.reset();

  RequireRestart();
  // In the native view the move is recorded with the paths the 64-bit
  // system itself will read at the restart.
  const BOOL scheduled = InNativeView(native, FALSE, [&] {
    return SystemCalls().MoveFileExA(temporary.c_str(), target.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
  });
  if (!scheduled) Throw(620, kModuleEngine, ::GetLastError());
  // A rollback must be able to take the request back.
  m_pendingReplacements[temporary] = target;
  if (shortWrite) Throw(611, kModuleEngine, shortWriteError);
}

void CInstallEngine::DropBackup(const std::string& target, const std::string& earlier) {
  const auto recorded = m_backups.find(target);
  if (recorded == m_backups.end()) return;
  // The copy has the target's attributes; a read-only one refuses deletion.
  const char* backup = recorded->second.c_str();
  const bool native = InNativeFolder(recorded->second);
  InNativeView(native, FALSE, [&] { return SystemCalls().SetFileAttributesA(backup, FILE_ATTRIBUTE_NORMAL); });
  if (!InNativeView(native, FALSE, [&] { return SystemCalls().DeleteFileA(backup); })) return;
  if (earlier.empty()) {
    m_backups.erase(recorded);
  } else {
    recorded->second = earlier;
  }
}
