#include "tests/support/test_log.h"

#include "tests/support/test_files.h"

TestLogFile::TestLogFile(const std::string& path)
    : m_path(path),
      m_file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr)) {}

std::string TestLogFile::Text() const { return ReadWholeFile(m_path); }

std::vector<std::string> TestLogFile::Lines() const {
  std::vector<std::string> lines;
  std::string text = Text();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}
