#include "app/pages/folder_naming.h"

#include "base/product.h"

CString DestinationFolderFor(const CString& chosenPath) {
  CString folder = chosenPath;
  if (folder.IsEmpty() || folder[folder.GetLength() - 1] != '\\') folder += '\\';
  folder += product::kName;
  return folder;
}

CString StartMenuFolderFor(const CString& chosenPath, const CString& current) {
  const int lastBackslash = chosenPath.ReverseFind('\\');
  if (lastBackslash < 0) return current;
  return chosenPath.Mid(lastBackslash + 1) + "\\" + product::kName;
}
