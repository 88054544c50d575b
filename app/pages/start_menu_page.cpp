#include "app/pages/start_menu_page.h"

#include <shlobj.h>

#include "app/folder_checks.h"
#include "app/pages/folder_naming.h"
#include "res/resource.h"

CStartMenuPage::CStartMenuPage()
    : CFolderPage(IDD_START_MENU, IDC_START_MENU_TITLE, IDS_START_MENU_TITLE, IDS_START_MENU_SUBTITLE) {}

void CStartMenuPage::OnBrowse() {
  com_ptr<IMalloc> allocator;
  LPITEMIDLIST root = nullptr;
  if (SUCCEEDED(::SHGetMalloc(allocator.put()))) {
    if (FAILED(::SHGetFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, &root))) root = nullptr;
  }
  CString chosen;
  if (BrowseForFolder(root, &chosen)) ApplyBrowsedFolder(StartMenuFolderFor(chosen, m_folder));
  if (root) allocator->Free(root);
}

UINT CStartMenuPage::FolderProblem(const CString& folder) const { return StartMenuFolderProblem(folder); }
