#include "bench/payload.h"

#include <cstring>

namespace {

// xorshift64*: fast, deterministic, good enough to vary the data.
class Random {
 public:
  explicit Random(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1Dull;
  }
  uint32_t Below(uint32_t n) { return uint32_t((Next() >> 32) % n); }

 private:
  uint64_t m_state;
};

// Machine code: instruction-like templates with operands drawn from a small
// set of addresses and immediates, as compilers emit them.
void AppendCode(std::vector<uint8_t>& out, size_t size, Random& random) {
  static const uint8_t kTemplates[][4] = {
      {0x55, 0x8b, 0xec, 0}, {0x8b, 0x45, 0x08, 0}, {0x89, 0x45, 0xfc, 0}, {0xe8, 0, 0, 0},
      {0x83, 0xc4, 0x0c, 0}, {0x85, 0xc0, 0x74, 0}, {0x50, 0x51, 0x52, 0}, {0xc3, 0x90, 0x90, 0},
      {0x8d, 0x4d, 0xf0, 0}, {0xff, 0x15, 0, 0},    {0x6a, 0x00, 0x6a, 0}, {0x33, 0xc0, 0x5d, 0},
  };
  uint32_t addresses[64];
  for (uint32_t& a : addresses) a = 0x00401000 + random.Below(0x40000);
  size_t end = out.size() + size;
  while (out.size() < end) {
    const uint8_t* t = kTemplates[random.Below(12)];
    size_t n = t[3] == 0 ? 3 : 4;
    out.insert(out.end(), t, t + n);
    if (random.Below(3) == 0) {
      uint32_t a = addresses[random.Below(random.Below(4) == 0 ? 64 : 8)];
      uint8_t bytes[4];
      std::memcpy(bytes, &a, 4);
      out.insert(out.end(), bytes, bytes + 4);
    } else if (random.Below(5) == 0) {
      out.push_back(uint8_t(random.Below(256)));
    }
  }
  out.resize(end);
}

// Words of a small vocabulary, skewed towards the first ones, in lines.
void AppendText(std::vector<uint8_t>& out, size_t size, Random& random) {
  static const char* kWords[] = {"the", "Velmora", "driver", "service", "of", "and", "to", "install", "file",
                                 "system", "monitor", "control", "a", "is", "license", "software", "you",
                                 "agreement", "may", "not", "copy", "terms", "product", "user", "Windows",
                                 "folder", "setup", "restart", "shall", "any", "such", "warranty"};
  size_t end = out.size() + size;
  size_t column = 0;
  while (out.size() < end) {
    uint32_t pick = random.Below(32);
    if (random.Below(2) == 0) pick = random.Below(pick + 1);
    const char* word = kWords[pick];
    out.insert(out.end(), word, word + std::strlen(word));
    column += std::strlen(word) + 1;
    if (column > 72) {
      out.push_back('\r');
      out.push_back('\n');
      column = 0;
    } else {
      out.push_back(random.Below(12) == 0 ? ',' : ' ');
    }
  }
  out.resize(end);
}

// A bitmap: smooth gradients with a little noise.
void AppendBitmap(std::vector<uint8_t>& out, size_t size, Random& random) {
  for (size_t i = 0; i < size; ++i) {
    size_t p = i / 3;
    out.push_back(uint8_t((p % 256) + (p / 256) * 3 + (random.Below(8) == 0 ? random.Below(4) : 0)));
  }
}

// Already compressed data: nearly incompressible.
void AppendNoise(std::vector<uint8_t>& out, size_t size, Random& random) {
  for (size_t i = 0; i < size; ++i) out.push_back(uint8_t(random.Next() >> 56));
}

struct Part {
  void (*append)(std::vector<uint8_t>&, size_t, Random&);
  size_t kib;
};

PayloadFile Make(const std::string& name, std::initializer_list<Part> parts, size_t scale, uint64_t seed) {
  PayloadFile file{name, {}};
  Random random(seed);
  size_t total = 0;
  for (const Part& part : parts) total += part.kib * 1024 * scale;
  file.content.reserve(total);
  for (size_t round = 0; round < scale; ++round) {
    for (const Part& part : parts) part.append(file.content, part.kib * 1024, random);
  }
  return file;
}

}  // namespace

std::vector<PayloadFile> MakePayload(size_t scale) {
  std::vector<PayloadFile> files;
  files.push_back(Make("velctl.sys", {{AppendCode, 40}, {AppendText, 4}}, scale, 1));
  files.push_back(Make("velmon.sys", {{AppendCode, 32}, {AppendText, 4}}, scale, 2));
  files.push_back(Make("velmora.exe", {{AppendCode, 420}, {AppendText, 60}, {AppendBitmap, 160}}, scale, 3));
  files.push_back(Make("velmorastub32.exe", {{AppendCode, 56}, {AppendText, 8}}, scale, 4));
  files.push_back(Make("uninstall.exe", {{AppendCode, 100}, {AppendText, 12}, {AppendBitmap, 24}}, scale, 5));
  files.push_back(Make("velmora.chm", {{AppendNoise, 300}, {AppendText, 120}}, scale, 6));
  files.push_back(Make("license.txt", {{AppendText, 20}}, scale, 7));
  files.push_back(Make("license.rtf", {{AppendText, 34}}, scale, 8));
  files.push_back(Make("readme.txt", {{AppendText, 10}}, scale, 9));
  return files;
}
