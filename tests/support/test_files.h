#pragma once
// Small file-system helpers for tests; they use Win32 directly, never the
// engine's seam, so they observe the real state.

#include <windows.h>

#include <string>
#include <vector>

#include "base/handles.h"

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Creates or truncates the file and writes the text; false on failure.
bool WriteWholeFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Names (not paths) of the entries of a folder, "." and ".." left out.
std::vector<std::string> FolderEntries(const std::string& folder);
// Whether path has the form of a backup or temporary file of target:
// target, "_", eight digits from 1 to 9, ".tmp".
bool IsTempNameOf(const std::string& path, const std::string& target);
// Deletes a file or a folder with everything in it; quiet on failure.
void RemoveTree(const std::string& path);

// A fresh, uniquely named folder under the temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  // Path + "\" + name.
  std::string File(const std::string& name) const { return m_path + "\\" + name; }

 private:
  std::string m_path;
};

// A file held open by another handle, by default the way a running program
// holds its executable: others may read it (so it can be copied), but
// writes, deletes and renames fail while it is held. Share mode 0 locks out
// readers too. Releases the handle when the object goes.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path, DWORD share = FILE_SHARE_READ);

  bool Held() const { return m_file.valid(); }
  void Release() { m_file.reset(); }

 private:
  unique_hfile m_file;
};
