// The setup runs elevated from folders anyone may have written to: a
// "Riched32.dll" planted beside it must never be loaded. Wine prefers its
// own libraries, so the tests ask it (for the program under test only) to
// prefer a native riched32 the way Windows would; the control case shows
// that this makes a careless load pick up the planted one.

#include <gtest/gtest.h>

#include <string>

#include "tests/app/app_harness.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace {

constexpr const char* kProgramName = "program.exe";
const std::string kOverridesKey = std::string("Software\\Wine\\AppDefaults\\") + kProgramName + "\\DllOverrides";

struct WindowSearch {
  DWORD processId;
  bool found;
};

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM parameter) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found = true;
  return !search->found;
}

// A copy of `program` beside a planted Riched32.dll in a folder of its own,
// started there with Windows' preference for a library in the program's
// folder (a Wine setting for programs of that name).
class PlantedFolder {
 public:
  explicit PlantedFolder(const char* program) {
    m_program = m_folder.File(kProgramName);
    EXPECT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kOverridesKey, "riched32", "native,builtin"));
    EXPECT_TRUE(CopyFileA(WindowsPathOf(program).c_str(), m_program.c_str(), FALSE));
    EXPECT_TRUE(CopyFileA(WindowsPathOf(VELMORA_PLANTED_LIBRARY).c_str(), m_folder.File("Riched32.dll").c_str(), FALSE));
  }

  ~PlantedFolder() {
    if (m_process.hProcess) {
      TerminateProcess(m_process.hProcess, 1);
      WaitForSingleObject(m_process.hProcess, 10000);
      CloseHandle(m_process.hProcess);
      CloseHandle(m_process.hThread);
    }
    DeleteRegistryTree(HKEY_CURRENT_USER, std::string("Software\\Wine\\AppDefaults\\") + kProgramName);
  }

  bool Start() {
    std::string commandLine = "\"" + m_program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    const BOOL started = CreateProcessA(m_program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        m_folder.Path().c_str(), &startup, &m_process);
    return started != FALSE;
  }

  bool WaitForExit(DWORD timeoutMs) { return WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0; }

  // Waits until the program shows a window of its own.
  bool WaitForWindow(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
      if (HasVisibleWindow()) return true;
      if (WaitForSingleObject(m_process.hProcess, 100) == WAIT_OBJECT_0) return false;
    }
    return false;
  }

  bool LibraryWasLoaded() const { return FileExists(m_folder.File("Riched32.dll.loaded")); }

 private:
  bool HasVisibleWindow() {
    WindowSearch search{m_process.dwProcessId, false};
    EnumWindows(&FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  TempFolder m_folder;
  std::string m_program;
  PROCESS_INFORMATION m_process = {};
};

}  // namespace

TEST(DllPlanting, ACarelessLoadByBareNamePicksUpThePlantedLibrary) {
  PlantedFolder folder(VELMORA_CARELESS_LOADER);
  ASSERT_TRUE(folder.Start());
  ASSERT_TRUE(folder.WaitForExit(30000));
  EXPECT_TRUE(folder.LibraryWasLoaded());
}

TEST(DllPlanting, TheSetupNeverLoadsTheRichEditLibraryFromItsOwnFolder) {
  PlantedFolder folder(VELMORA_SETUP_PROGRAM);
  ASSERT_TRUE(folder.Start());
  // The first window comes after the rich edit library has been loaded.
  ASSERT_TRUE(folder.WaitForWindow(60000));
  EXPECT_FALSE(folder.LibraryWasLoaded());
}
