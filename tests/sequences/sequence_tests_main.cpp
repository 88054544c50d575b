// Test main for the sequence tests: GoogleTest's own options, then the
// package paths.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/sequences/sequence_fixture.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const char* demo = "--demo-package=";
    const char* earlier = "--earlier-package=";
    if (std::strncmp(argv[i], demo, std::strlen(demo)) == 0) SequencePackages::s_demo = argv[i] + std::strlen(demo);
    if (std::strncmp(argv[i], earlier, std::strlen(earlier)) == 0) {
      SequencePackages::s_earlier = argv[i] + std::strlen(earlier);
    }
  }
  if (SequencePackages::s_demo.empty() || SequencePackages::s_earlier.empty()) {
    std::fprintf(stderr, "usage: sequence_tests --demo-package=PATH --earlier-package=PATH\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
