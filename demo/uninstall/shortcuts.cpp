#include "demo/uninstall/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include "base/handles.h"
#include "base/shell_link_ids.h"
#include "demo/uninstall/paths.h"

bool IsShortcutTo(const std::string& link, const std::string& target) {
  com_ptr<IShellLinkA> shellLink;
  if (FAILED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                              shellLink.put_void()))) {
    return false;
  }
  com_ptr<IPersistFile> file;
  if (FAILED(shellLink->QueryInterface(kPersistFileInterface, file.put_void()))) return false;
  WCHAR widePath[MAX_PATH] = {};
  if (!MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, widePath, MAX_PATH)) return false;
  if (FAILED(file->Load(widePath, STGM_READ))) return false;
  char linkTarget[MAX_PATH] = {};
  if (shellLink->GetPath(linkTarget, MAX_PATH, nullptr, 0) != S_OK) return false;
  return SamePath(linkTarget, target);
}
