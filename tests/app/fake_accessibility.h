#pragma once
// A stand-in for the system's accessibility annotation service
// (IAccPropServices), registered for the creating thread's apartment while
// it lives, so that the application's real calls reach it: it keeps the
// names given to windows, as a screen reader would read them back.

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

class FakeAccessibility {
 public:
  FakeAccessibility();
  ~FakeAccessibility();
  FakeAccessibility(const FakeAccessibility&) = delete;
  FakeAccessibility& operator=(const FakeAccessibility&) = delete;

  // The name last given to `window` itself (its client object, the property
  // PROPID_ACC_NAME); "(none)" when none was.
  std::string NameOf(HWND window) const;
  // Records a text given to a window's object and property.
  void Record(HWND window, DWORD objectId, DWORD childId, const GUID& property, LPCWSTR text);

 private:
  mutable std::mutex m_lock;
  std::map<HWND, std::string> m_names;
  DWORD m_cookie = 0;
  bool m_comStarted = false;
};
