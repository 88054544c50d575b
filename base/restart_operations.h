#pragma once
// The file operations Windows carries out at the next restart, as the
// Session Manager keeps them: one wide multi-string value of pairs, source
// then target (empty for a deletion), each path after "\??\" and a target
// that may be replaced after "!". Windows offers no call to withdraw one, so
// a pair is cut out of the value, and put back, where it stands. The value
// is held as the bytes the registry gave: other programs' paths may hold
// characters the ANSI code page has not, and every byte outside the pairs
// taken out or put back stays as it came. The setup's engine and the
// uninstaller both edit it through this one class.

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "base/wide_text.h"

constexpr const char* kSessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRestartOperationsValue = L"PendingFileRenameOperations";
constexpr const char* kRestartOperationsValueName = "PendingFileRenameOperations";

// A path of the value, its "!" and "\??\" prefixes taken off.
inline const wchar_t* WithoutRestartPrefixes(const wchar_t* stored) {
  if (*stored == L'!') ++stored;
  if (std::wcsncmp(stored, L"\\??\\", 4) == 0) stored += 4;
  return stored;
}

// Reads the value's bytes through `query`, a callable taking
// RegQueryValueExW's arguments; false when there is no such value or it
// cannot be read.
template <typename Query>
bool ReadRestartOperationBytes(Query&& query, HKEY key, std::string* bytes) {
  DWORD type = 0;
  DWORD size = 0;
  if (query(key, kRestartOperationsValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ) {
    return false;
  }
  bytes->assign(size, '\0');
  if (size != 0 &&
      query(key, kRestartOperationsValue, nullptr, &type, reinterpret_cast<BYTE*>(&(*bytes)[0]), &size) !=
          ERROR_SUCCESS) {
    return false;
  }
  bytes->resize(size);
  return true;
}

// True when the stored path names `path`, letter case aside.
inline bool SameRestartPath(const wchar_t* stored, const WidePathText& path) {
  return ::lstrcmpiW(WithoutRestartPrefixes(stored), path.data()) == 0;
}

class RestartOperations {
 public:
  explicit RestartOperations(std::string bytes) : m_bytes(std::move(bytes)) { Parse(); }

  size_t Count() const { return m_pairs.size(); }
  const wchar_t* Source(size_t index) const { return &m_text[m_pairs[index].source]; }
  const wchar_t* Target(size_t index) const { return &m_text[m_pairs[index].target]; }
  bool IsDeletion(size_t index) const { return *Target(index) == L'\0'; }

  // Cuts the index-th pair out; returns its bytes, for Put.
  std::string Take(size_t index) {
    const Pair pair = m_pairs[index];
    const size_t at = pair.source * sizeof(wchar_t);
    const size_t length = (pair.end - pair.source) * sizeof(wchar_t);
    std::string taken = m_bytes.substr(at, length);
    m_bytes.erase(at, length);
    Parse();
    return taken;
  }
  // Cuts out every pair that moves `source` onto `target`; false when there
  // was none.
  bool TakePairs(const WidePathText& source, const WidePathText& target) {
    bool taken = false;
    for (size_t index = 0; index < Count();) {
      if (SameRestartPath(Source(index), source) && SameRestartPath(Target(index), target)) {
        Take(index);
        taken = true;
      } else {
        ++index;
      }
    }
    return taken;
  }
  // Puts a pair's bytes back before the index-th pair, or after the last one.
  void Put(size_t index, const std::string& pair) {
    size_t at = m_listEnd;
    if (index < m_pairs.size()) at = m_pairs[index].source;
    m_bytes.insert(at * sizeof(wchar_t), pair);
    Parse();
  }

  const std::string& Bytes() const { return m_bytes; }

 private:
  struct Pair {
    size_t source;  // all in characters from the value's start
    size_t target;
    size_t end;
  };

  void Parse() {
    // Whole characters, and a zero beyond the value's end, so that its last
    // string ends even when the value does not end it; an odd last byte
    // stays in m_bytes as it came.
    const size_t count = m_bytes.size() / sizeof(wchar_t);
    m_text.assign(count + 1, L'\0');
    std::memcpy(m_text.data(), m_bytes.data(), count * sizeof(wchar_t));
    m_pairs.clear();
    size_t at = 0;
    while (at < count) {
      // An empty source is the end of the list, not a pair.
      const size_t second = at + std::wcslen(&m_text[at]) + 1;
      if (m_text[at] == L'\0' || second >= count) break;
      const size_t next = std::min(second + std::wcslen(&m_text[second]) + 1, count);
      m_pairs.push_back(Pair{at, second, next});
      at = next;
    }
    m_listEnd = at;
  }

  std::string m_bytes;
  std::vector<wchar_t> m_text;
  std::vector<Pair> m_pairs;
  size_t m_listEnd = 0;
};
