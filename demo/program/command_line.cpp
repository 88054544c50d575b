#include "demo/program/command_line.h"

#include <windows.h>

std::string FindDocumentArgument(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (lstrcmpiA(argv[i], "-open") == 0) return argv[i + 1];
  }
  return std::string();
}
