// The end-to-end test driver: a Windows program that walks the setup wizard
// the way a user would, through its windows and controls, and checks the
// machine afterwards.
//
//   wizard_driver SCRIPT|-            run a script (see script_runner.h)
//   wizard_driver record-open FILE ARG...
//                                     append ARG... as one line to FILE: the
//                                     handler the tests register for opened
//                                     web pages and log files
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "base/handles.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/script_runner.h"
#include "tests/e2e/driver/text_recorder.h"

namespace {

int RecordOpen(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string line;
  for (int i = 3; i < argc; ++i) line += (i > 3 ? " " : "") + std::string(argv[i]);
  line += "\r\n";
  unique_hfile file(CreateFileA(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "record-open") return RecordOpen(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: wizard_driver SCRIPT|-\n       wizard_driver record-open FILE ARG...\n");
    return 2;
  }
  std::ifstream file;
  if (std::string(argv[1]) != "-") {
    file.open(argv[1]);
    if (!file) {
      std::fprintf(stderr, "wizard_driver: cannot read %s\n", argv[1]);
      return 2;
    }
  }
  std::istream& script = std::string(argv[1]) == "-" ? std::cin : file;
  try {
    TextRecorder::PrepareLog();
  } catch (const ScriptFailure& failure) {
    std::fprintf(stderr, "wizard_driver: %s\n", failure.what());
    return 2;
  }
  ScriptRunner runner;
  const int result = runner.Run(script);
  char log[MAX_PATH];
  if (GetEnvironmentVariableA("VELMORA_E2E_TEXT_LOG", log, MAX_PATH)) DeleteFileA(log);
  return result;
}
