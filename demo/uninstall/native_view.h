#pragma once
// The 64-bit system's own view of the file system for this 32-bit program.
// On 64-bit Windows a 32-bit program asking for System32 is shown SysWOW64;
// the product's drivers lie in the real System32\Drivers, where the setup
// put them for the 64-bit kernel. While a NativeFileView lives, file calls
// of this thread on System32 reach the real one; it must be kept around file
// calls only (a library loaded meanwhile would be a 64-bit one).

#include <windows.h>

class NativeFileView {
 public:
  // Turns the redirection off on 64-bit Windows; does nothing elsewhere.
  NativeFileView();
  // Turns it back on.
  ~NativeFileView();
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

 private:
  PVOID m_previous = nullptr;
  bool m_turnedOff = false;
};
