#include "app/pages/folder_page.h"

#include "app/app_calls.h"
#include "app/folder_checks.h"
#include "base/product.h"
#include "res/resource.h"

namespace {

constexpr const char* kBrowseTitle = "Select folder in the list below, then click OK";

}  // namespace

CFolderPage::CFolderPage(UINT templateId, int titleId, UINT titleTextId, UINT subtitleTextId)
    : CInteriorPage(templateId, titleId, titleTextId, IDC_FOLDER_SUBTITLE, subtitleTextId) {}

BOOL CFolderPage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitFrame();
  m_folder = *m_pSetting;
  UpdateData(FALSE);
  if (m_readOnly) {
    GetDlgItem(IDC_FOLDER)->SendMessage(EM_SETREADONLY, TRUE, 0);
    GetDlgItem(IDC_BROWSE)->EnableWindow(FALSE);
  }
  NameByLabel(m_hWnd, IDC_FOLDER, IDC_FOLDER_LABEL);
  // A path reads left to right, also on a page laid out right to left.
  AfxKeepLeftToRight(GetDlgItem(IDC_FOLDER)->m_hWnd);
  return TRUE;
}

void CFolderPage::DoDataExchange(CDataExchange* pDX) {
  CInteriorPage::DoDataExchange(pDX);
  DDX_SystemText(pDX, IDC_FOLDER, m_folder);
}

void CFolderPage::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (const UINT problem = FolderProblem(m_folder)) {
    AppCalls().MessageBoxA(m_hWnd, FolderProblemText(problem, m_folder, AppCalls().MessageLanguage()), product::kName, MB_OK | MB_ICONWARNING);
    return;
  }
  *m_pSetting = WithoutTrailingBackslash(m_folder);
  CDialog::OnOK();
}

BOOL CFolderPage::OnCommand(UINT id, UINT notifyCode) {
  if (id == IDC_BROWSE && notifyCode == BN_CLICKED) {
    if (!m_readOnly) OnBrowse();
    return TRUE;
  }
  return CInteriorPage::OnCommand(id, notifyCode);
}

bool CFolderPage::BrowseForFolder(LPCITEMIDLIST root, CString* path) {
  char displayName[MAX_PATH] = {};
  BROWSEINFOA browse = {};
  browse.hwndOwner = m_hWnd;
  browse.pidlRoot = root;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = kBrowseTitle;
  LPITEMIDLIST chosen = AppCalls().SHBrowseForFolderA(&browse);
  if (!chosen) return false;
  char chosenPath[MAX_PATH] = {};
  const bool isFolder = ::SHGetPathFromIDListA(chosen, chosenPath) != FALSE;
  // The browser's item list is ours to free.
  ::CoTaskMemFree(chosen);
  if (!isFolder) return false;
  *path = chosenPath;
  return true;
}

void CFolderPage::ApplyBrowsedFolder(const CString& folder) {
  m_folder = folder;
  *m_pSetting = m_folder;
  UpdateData(FALSE);
}
