#pragma once
// A record of the machine's files and registry at one moment, to prove later
// that a run left nothing behind.

#include <map>
#include <string>
#include <vector>

class MachineSnapshot {
 public:
  // Records every file (size and write time) and folder below the given
  // roots (a root ending in "\." only with its own entries), and every registry key and value below the given registry roots
  // (written as "HKLM\..." or "HKCU\...").
  void Take(const std::vector<std::string>& folders, const std::vector<std::string>& registry_roots);

  // The entries that differ between this snapshot and a later one, one line
  // each ("added", "removed" or "changed" and the entry), leaving out entries
  // that start with any of the ignored prefixes (compared case-insensitively).
  std::vector<std::string> Differences(const MachineSnapshot& later, const std::vector<std::string>& ignored) const;

 private:
  void AddFolder(const std::string& folder, bool recursive);
  void AddRegistryKey(const std::string& key);

  std::map<std::string, std::string> m_entries;  // entry -> what it holds
};
