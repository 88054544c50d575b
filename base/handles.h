#pragma once
// One owner for every Win32 handle: a move-only holder whose traits say what
// the invalid value is and how the handle is released.

#include <windows.h>
#include <winsvc.h>
#include <objbase.h>

template <typename T, typename Traits>
class unique_res {
 public:
  unique_res() noexcept : m_value(Traits::Invalid()) {}
  explicit unique_res(T value) noexcept : m_value(value) {}
  ~unique_res() { reset(); }

  unique_res(const unique_res&) = delete;
  unique_res& operator=(const unique_res&) = delete;
  unique_res(unique_res&& other) noexcept : m_value(other.release()) {}
  unique_res& operator=(unique_res&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const noexcept { return m_value; }
  bool valid() const noexcept { return m_value != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  // Releases the held handle and returns the address for an out-parameter.
  T* put() noexcept {
    reset();
    return &m_value;
  }
  T release() noexcept {
    T value = m_value;
    m_value = Traits::Invalid();
    return value;
  }
  void reset(T value = Traits::Invalid()) noexcept {
    if (m_value != Traits::Invalid()) Traits::Close(m_value);
    m_value = value;
  }

 private:
  T m_value;
};

struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct ServiceHandleTraits {
  static SC_HANDLE Invalid() { return nullptr; }
  static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
struct GdiObjectTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};

using unique_hfile = unique_res<HANDLE, FileHandleTraits>;     // CreateFile results
using unique_handle = unique_res<HANDLE, KernelHandleTraits>;  // threads, processes, tokens, events
using unique_hkey = unique_res<HKEY, RegKeyTraits>;
using unique_schandle = unique_res<SC_HANDLE, ServiceHandleTraits>;
using unique_hfind = unique_res<HANDLE, FindHandleTraits>;
using unique_hgdiobj = unique_res<HGDIOBJ, GdiObjectTraits>;
using unique_hmodule = unique_res<HMODULE, ModuleTraits>;

// A COM interface pointer released on destruction.
template <typename I>
class com_ptr {
 public:
  com_ptr() = default;
  ~com_ptr() { reset(); }
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;

  I* get() const noexcept { return m_ptr; }
  I* operator->() const noexcept { return m_ptr; }
  explicit operator bool() const noexcept { return m_ptr != nullptr; }
  I** put() noexcept {
    reset();
    return &m_ptr;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  void reset() noexcept {
    if (m_ptr) m_ptr->Release();
    m_ptr = nullptr;
  }

 private:
  I* m_ptr = nullptr;
};

struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};
using unique_hicon = unique_res<HICON, IconTraits>;
