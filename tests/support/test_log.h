#pragma once
// An installation log file for one test, created the way the application
// creates it (write access, shared for reading and writing, truncated), and
// read back while the engine still holds it.

#include <windows.h>

#include <string>
#include <vector>

#include "base/handles.h"

class TestLogFile {
 public:
  // Creates the file at the given path.
  explicit TestLogFile(const std::string& path);

  HANDLE Handle() const { return m_file.get(); }
  const std::string& Path() const { return m_path; }
  // The bytes written so far.
  std::string Text() const;
  // The lines written so far, without their CR LF; a last line without
  // CR LF is included as it stands.
  std::vector<std::string> Lines() const;
  // Closes the handle, as the application does at the end of a run.
  void Close() { m_file.reset(); }

 private:
  std::string m_path;
  unique_hfile m_file;
};
