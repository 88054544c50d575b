#include "tests/e2e/driver/text_recorder.h"

#include <cstdio>
#include <cstdlib>

#include "base/handles.h"
#include "tests/e2e/driver/message_pump.h"
#include "tests/e2e/driver/script_line.h"
#include "tests/e2e/driver/setup_process.h"

namespace {

constexpr const char* kLogVariable = "VELMORA_E2E_TEXT_LOG";

std::string LogPath() {
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA(kLogVariable, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string ReadFrom(const std::string& path, long long offset) {
  unique_hfile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::string();
  LARGE_INTEGER size, start;
  start.QuadPart = offset;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= offset ||
      !SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN))
    return std::string();
  std::string data(static_cast<size_t>(size.QuadPart - offset), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), &data[0], static_cast<DWORD>(data.size()), &read, nullptr)) return std::string();
  data.resize(read);
  return data;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The texts of one window in the hook's records: "HWND\tLENGTH\tTEXT\n",
// numbers in hexadecimal.
std::vector<std::string> TextsOf(HWND window, const std::string& records) {
  std::vector<std::string> texts;
  size_t at = 0;
  while (at < records.size()) {
    char* end = nullptr;
    const unsigned long handle = std::strtoul(records.c_str() + at, &end, 16);
    if (*end != '\t') break;
    const unsigned long length = std::strtoul(end + 1, &end, 16);
    if (*end != '\t') break;
    const size_t text = static_cast<size_t>(end + 1 - records.c_str());
    if (text + length >= records.size()) break;  // cut short
    if (handle == static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)))
      texts.push_back(records.substr(text, length));
    at = text + length + 1;
  }
  return texts;
}

}  // namespace

void TextRecorder::PrepareLog() {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "vtx", 0, path))
    throw ScriptFailure("no temporary file for the text recorder");
  SetEnvironmentVariableA(kLogVariable, path);
}

void TextRecorder::Start(HWND control) {
  Stop();
  const std::string log = LogPath();
  if (log.empty()) throw ScriptFailure("the text recorder's log was not prepared before the setup started");
  m_control = control;
  m_firstText = WindowText(control);
  m_logStart = FileSize(log);
  HMODULE hook = LoadLibraryA("text_hook.dll");
  HOOKPROC record =
      hook ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hook, "RecordSetText"))) : nullptr;
  m_hook = record ? SetWindowsHookExA(WH_CALLWNDPROCRET, record, hook, GetWindowThreadProcessId(control, nullptr))
                  : nullptr;
  if (!m_hook) throw ScriptFailure("cannot hook the control's thread (error " + std::to_string(GetLastError()) + ")");
}

std::vector<std::string> TextRecorder::Finish(DWORD timeout_ms) {
  WaitUntil(timeout_ms, [this] { return !IsWindow(m_control); });
  Stop();
  std::vector<std::string> seen{m_firstText};
  for (const std::string& text : TextsOf(m_control, ReadFrom(LogPath(), m_logStart)))
    if (seen.back() != text) seen.push_back(text);
  return seen;
}

void TextRecorder::Stop() {
  if (m_hook) UnhookWindowsHookEx(m_hook);
  m_hook = nullptr;
}
