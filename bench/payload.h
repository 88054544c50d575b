#pragma once
// A deterministic stand-in for the product's files: code-like binaries,
// bitmaps, compressed help, texts. Scale 1 is about 1.5 MB in all.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PayloadFile {
  std::string name;
  std::vector<uint8_t> content;
};

// The nine product files, each scale times its base size.
std::vector<PayloadFile> MakePayload(size_t scale);
