#include "demo/uninstall/document_type.h"

#include <windows.h>

#include <string>

#include "base/handles.h"
#include "base/product.h"

namespace {
bool IsMissing(LSTATUS status) {
  return status == ERROR_FILE_NOT_FOUND;
}

// The default value of key when it is a string; empty otherwise.
std::string DefaultValue(HKEY key) {
  char buffer[MAX_PATH] = {};
  DWORD size = sizeof(buffer) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::string();
  }
  return buffer;
}

// True when key holds nothing but its default value.
bool HoldsOnlyDefaultValue(HKEY key) {
  DWORD subkeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values <= 1;
}

void RemoveExtension(Removal& removal) {
  const std::string extensionKey = std::string("HKEY_CLASSES_ROOT\\") + product::kDocumentExtension;
  unique_hkey key;
  LSTATUS status = RegOpenKeyExA(HKEY_CLASSES_ROOT, product::kDocumentExtension, 0, KEY_READ | KEY_SET_VALUE,
                                 key.put());
  if (status != ERROR_SUCCESS) {
    if (!IsMissing(status)) removal.NoteFailure(extensionKey);
    return;
  }
  // Another program may have taken the extension over since; then it stays.
  if (DefaultValue(key.get()) != product::kProgId) return;
  if (HoldsOnlyDefaultValue(key.get())) {
    key.reset();
    status = RegDeleteKeyA(HKEY_CLASSES_ROOT, product::kDocumentExtension);
  } else {
    status = RegDeleteValueA(key.get(), nullptr);
  }
  if (status != ERROR_SUCCESS && !IsMissing(status)) removal.NoteFailure(extensionKey);
}

void RemoveProgId(Removal& removal) {
  LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, product::kProgId);
  if (status != ERROR_SUCCESS && !IsMissing(status)) {
    removal.NoteFailure(std::string("HKEY_CLASSES_ROOT\\") + product::kProgId);
  }
}
}  // namespace

void RemoveDocumentType(Removal& removal) {
  RemoveExtension(removal);
  RemoveProgId(removal);
}
