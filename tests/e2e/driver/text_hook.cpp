// A hook DLL for the text recorder: loaded by Windows into the setup when
// the recorder hooks the thread of the control it watches, it appends every
// text a window of that thread is given, as the window holds it after the
// WM_SETTEXT, to the file named by VELMORA_E2E_TEXT_LOG (inherited from the
// driver that started the setup): one record per text, the window's handle
// and the text's length in hexadecimal, each followed by a tab, then the
// text (which may hold line breaks) and a line feed. Reading the text inside the setup, on its
// own thread, sees every change, however short-lived; a poll from outside
// can miss one on a busy machine.
#include <windows.h>

#include <cstdio>
#include <cstring>

extern "C" __declspec(dllexport) LRESULT CALLBACK RecordSetText(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == WM_SETTEXT) {
    char path[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableA("VELMORA_E2E_TEXT_LOG", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      char line[1200];
      char text[1024];
      const int textLength = ::GetWindowTextA(message->hwnd, text, sizeof(text));
      const int prefix = std::snprintf(line, sizeof(line), "%lx\t%x\t",
                                       static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(message->hwnd)),
                                       static_cast<unsigned>(textLength));
      std::memcpy(line + prefix, text, static_cast<size_t>(textLength));
      line[prefix + textLength] = '\n';
      HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, line, static_cast<DWORD>(prefix + textLength + 1), &written, nullptr);
        ::CloseHandle(file);
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
