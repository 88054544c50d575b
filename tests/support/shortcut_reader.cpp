#include "tests/support/shortcut_reader.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "base/handles.h"

ShortcutInfo ReadShortcut(const std::string& shortcutPath) {
  ShortcutInfo info;
  HRESULT initialized = ::CoInitialize(nullptr);
  {
    com_ptr<IShellLinkA> link;
    com_ptr<IPersistFile> file;
    wchar_t widePath[MAX_PATH] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     link.put_void())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
        ::MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, widePath, MAX_PATH) > 0 &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
      char text[MAX_PATH * 2] = {};
      if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) info.path = text;
      text[0] = '\0';
      if (SUCCEEDED(link->GetDescription(text, sizeof text))) info.description = text;
      text[0] = '\0';
      if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) info.workingDirectory = text;
      text[0] = '\0';
      if (SUCCEEDED(link->GetArguments(text, sizeof text))) info.arguments = text;
      text[0] = '\0';
      int index = -1;
      if (SUCCEEDED(link->GetIconLocation(text, sizeof text, &index))) {
        info.iconLocation = text;
        info.iconIndex = index;
      }
      info.loaded = true;
    }
  }
  if (SUCCEEDED(initialized)) ::CoUninitialize();
  return info;
}
