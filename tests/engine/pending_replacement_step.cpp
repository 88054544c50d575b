// One side of the restart scenario for a file in use, run in a throwaway
// prefix by pending_replacement_scenario.sh:
//   pending_replacement_step prepare FOLDER  installs over a held file, so the
//                                            replacement waits for the restart
//   pending_replacement_step pending FOLDER  later in the same session: the
//                                            old content is still in place
//   pending_replacement_step verify FOLDER   after the restart: the target
//                                            holds the new content
// Exit code 0 when everything is as expected; what differs is printed.

#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/product_install_engine.h"
#include "tests/support/recording_owner.h"
#include "tests/support/test_files.h"
#include "tests/support/test_log.h"
#include "tests/support/test_registry.h"

namespace {

constexpr const char* kFileName = "velmora.exe";
constexpr const char* kOldContent = "old content";
constexpr const char* kNewContent = "new content of the replacement";

int Fail(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  return 1;
}

int Prepare(const std::string& folder) {
  if (!CreateDirectoryA(folder.c_str(), nullptr)) return Fail("cannot create " + folder);
  const std::string target = folder + "\\" + kFileName;
  if (!WriteWholeFile(target, kOldContent)) return Fail("cannot write " + target);
  HeldFile running(target);
  if (!running.Held()) return Fail("cannot hold " + target);

  TestLogFile log(folder + "\\install.log");
  RecordingOwner owner;
  volatile LONG restartRequired = 0;
  try {
    CProductInstallEngine engine(log.Handle(), &owner);
    engine.m_pRestartRequired = &restartRequired;
    engine.InstallFile(kFileName, folder, reinterpret_cast<const uint8_t*>(kNewContent),
                       static_cast<uint32_t>(std::string(kNewContent).size()));
    if (restartRequired != 1) return Fail("restart flag not set");
    if (engine.m_created.size() != 1) return Fail("temporary file not recorded");
    const std::string temporary = engine.m_created.begin()->first;
    if (!HasPendingRename(temporary, target)) return Fail("no pending replacement of " + target);
    std::printf("temporary %s\nbackup %s\n", temporary.c_str(), engine.m_backups.at(target).c_str());
  } catch (CExceptionEx* failure) {
    const int code = failure->m_code;
    delete failure;
    return Fail("engine failure " + std::to_string(code));
  }
  if (ReadWholeFile(target) != kOldContent) return Fail("target changed before the restart");
  return 0;
}

int Pending(const std::string& folder) {
  const std::string target = folder + "\\" + kFileName;
  if (ReadWholeFile(target) != kOldContent) return Fail("target replaced before the restart");
  int temporaryFiles = 0;
  for (const std::string& name : FolderEntries(folder)) {
    if (IsTempNameOf(folder + "\\" + name, target)) ++temporaryFiles;
  }
  if (temporaryFiles != 2) return Fail("backup and temporary file expected, found " + std::to_string(temporaryFiles));
  if (PendingFileRenames().empty()) return Fail("no pending renames");
  std::printf("replacement pending\n");
  return 0;
}

int Verify(const std::string& folder) {
  const std::string target = folder + "\\" + kFileName;
  const std::string content = ReadWholeFile(target);
  if (content != kNewContent) return Fail("target holds \"" + content + "\" after the restart");
  int temporaryFiles = 0;
  for (const std::string& name : FolderEntries(folder)) {
    if (IsTempNameOf(folder + "\\" + name, target)) ++temporaryFiles;
  }
  // The backup stays (only a successful installation's end deletes it); the
  // temporary file was moved over the target.
  if (temporaryFiles != 1) return Fail(std::to_string(temporaryFiles) + " temporary files left instead of the backup");
  if (!PendingFileRenames().empty()) return Fail("pending renames left after the restart");
  std::printf("target replaced at restart\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: pending_replacement_step prepare|pending|verify FOLDER");
  const std::string command = argv[1];
  if (command == "prepare") return Prepare(argv[2]);
  if (command == "pending") return Pending(argv[2]);
  if (command == "verify") return Verify(argv[2]);
  return Fail("unknown command " + command);
}
