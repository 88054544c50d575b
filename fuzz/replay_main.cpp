// Runs the fuzz target over files and folders of inputs, for compilers
// without libFuzzer: the seed corpus becomes a regression test.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int RunFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 1;
}

int RunPath(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return -1;
  }
  if (!S_ISDIR(info.st_mode)) return RunFile(path);
  DIR* dir = opendir(path.c_str());
  int count = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') count += RunFile(path + "/" + entry->d_name);
  }
  closedir(dir);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  int total = 0;
  for (int i = 1; i < argc; ++i) {
    int count = RunPath(argv[i]);
    if (count < 0) return 1;
    total += count;
  }
  std::printf("%d inputs ran\n", total);
  return total > 0 ? 0 : 1;
}
