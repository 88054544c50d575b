#include "tests/e2e/driver/system_state.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include "base/handles.h"
#include "tests/e2e/driver/script_line.h"

PathKind KindOfPath(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Directory : PathKind::File;
}

std::string ReadWholeFile(const std::string& path) {
  unique_hfile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw ScriptFailure("cannot read " + path + ", error " + std::to_string(GetLastError()));
  std::string content;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
  return content;
}

std::vector<std::string> MatchingNames(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  unique_hfind find(FindFirstFileA(pattern.c_str(), &data));
  if (!find) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

HKEY RegistryRoot(const std::string& key, std::string* path) {
  size_t slash = key.find('\\');
  std::string root = key.substr(0, slash);
  *path = slash == std::string::npos ? "" : key.substr(slash + 1);
  if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (root == "HKCR" || root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (root == "HKCU" || root == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  throw ScriptFailure("unknown registry root in " + key);
}

namespace {

unique_hkey OpenKey(const std::string& key) {
  std::string path;
  HKEY root = RegistryRoot(key, &path);
  unique_hkey opened;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return unique_hkey();
  return opened;
}

// The empty name and "@" both mean the key's default value.
const char* ValueName(const std::string& name) { return name.empty() || name == "@" ? nullptr : name.c_str(); }

}  // namespace

bool RegistryKeyExists(const std::string& key) { return OpenKey(key).valid(); }

bool ReadRegistryData(const std::string& key, const std::string& name, std::string* data) {
  unique_hkey opened = OpenKey(key);
  if (!opened) return false;
  DWORD size = 0;
  if (RegQueryValueExA(opened.get(), ValueName(name), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
  data->assign(size, '\0');
  if (size == 0) return true;
  if (RegQueryValueExA(opened.get(), ValueName(name), nullptr, nullptr, reinterpret_cast<BYTE*>(&(*data)[0]), &size) !=
      ERROR_SUCCESS)
    return false;
  data->resize(size);
  return true;
}

bool ReadRegistryString(const std::string& key, const std::string& name, std::string* value) {
  unique_hkey opened = OpenKey(key);
  if (!opened) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(opened.get(), ValueName(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::string data(size + 1, '\0');
  if (RegQueryValueExA(opened.get(), ValueName(name), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
      ERROR_SUCCESS)
    return false;
  data.resize(size);
  while (!data.empty() && data.back() == '\0') data.pop_back();
  *value = data;
  return true;
}

bool RegistryValueExists(const std::string& key, const std::string& name) {
  unique_hkey opened = OpenKey(key);
  return opened && RegQueryValueExA(opened.get(), ValueName(name), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void WriteRegistryString(const std::string& key, const std::string& name, const std::string& value) {
  std::string path;
  HKEY root = RegistryRoot(key, &path);
  unique_hkey created;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, created.put(), nullptr) != ERROR_SUCCESS)
    throw ScriptFailure("cannot create the registry key " + key);
  if (RegSetValueExA(created.get(), ValueName(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    throw ScriptFailure("cannot write the registry value " + key + " " + name);
}

ServiceState QueryService(const std::string& name) {
  ServiceState state;
  unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) throw ScriptFailure("cannot open the service control manager");
  unique_schandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  if (!service) return state;
  state.exists = true;
  SERVICE_STATUS status = {};
  if (QueryServiceStatus(service.get(), &status)) state.current_state = status.dwCurrentState;
  DWORD needed = 0;
  QueryServiceConfigA(service.get(), nullptr, 0, &needed);
  std::string buffer(needed + sizeof(QUERY_SERVICE_CONFIGA), '\0');
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(&buffer[0]);
  if (QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
    state.service_type = config->dwServiceType;
    state.start_type = config->dwStartType;
    state.image_path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
    state.display_name = config->lpDisplayName ? config->lpDisplayName : "";
  }
  return state;
}

void StopService(const std::string& name) {
  unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) throw ScriptFailure("cannot open the service control manager");
  unique_schandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service) throw ScriptFailure("no service " + name);
  SERVICE_STATUS status = {};
  if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
    throw ScriptFailure("the service " + name + " refuses to stop, error " + std::to_string(GetLastError()));
}

ShortcutInfo ReadShortcut(const std::string& path) {
  if (FAILED(CoInitialize(nullptr))) throw ScriptFailure("CoInitialize failed");
  ShortcutInfo info;
  {
    com_ptr<IShellLinkA> link;
    com_ptr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) {
      CoUninitialize();
      throw ScriptFailure("no shell link object");
    }
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) {
      file.reset();
      link.reset();
      CoUninitialize();
      throw ScriptFailure("cannot load the shortcut " + path);
    }
    char text[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) info.target = text;
    text[0] = '\0';
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) info.working_directory = text;
    text[0] = '\0';
    if (SUCCEEDED(link->GetDescription(text, MAX_PATH))) info.description = text;
  }
  CoUninitialize();
  return info;
}

std::vector<DWORD> ProcessesNamed(const std::string& exe_name) {
  std::vector<DWORD> ids;
  unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
    if (lstrcmpiA(entry.szExeFile, exe_name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  return ids;
}
