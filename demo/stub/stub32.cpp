// velmorastub32.exe: the product's small 32-bit console program. It names the
// product and its version and checks that the main program sits beside it;
// the exit code is 0 when it does and 1 when it is missing.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/product.h"
#include "demo/version.h"

int main() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    std::printf("%s %s (32-bit stub): cannot find its own folder\n", product::kName, VELMORA_VERSION_TEXT);
    return 1;
  }
  std::string folder(path, length);
  folder.erase(folder.find_last_of('\\'));
  std::string program = folder + "\\" + product::kProgramFile;
  DWORD attributes = GetFileAttributesA(program.c_str());
  bool present = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);

  std::printf("%s %s (32-bit stub)\n", product::kName, VELMORA_VERSION_TEXT);
  std::printf("Program folder: %s\n", folder.c_str());
  std::printf("Main program: %s (%s)\n", program.c_str(), present ? "present" : "missing");
  return present ? 0 : 1;
}
