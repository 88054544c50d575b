#include "app/pages/destination_page.h"

#include "app/folder_checks.h"
#include "app/pages/folder_naming.h"
#include "res/resource.h"

CDestinationPage::CDestinationPage()
    : CFolderPage(IDD_DESTINATION, IDC_DESTINATION_TITLE, IDS_DESTINATION_TITLE, IDS_DESTINATION_SUBTITLE) {}

void CDestinationPage::OnBrowse() {
  CString chosen;
  if (BrowseForFolder(nullptr, &chosen)) ApplyBrowsedFolder(DestinationFolderFor(chosen));
}

UINT CDestinationPage::FolderProblem(const CString& folder) const { return DestinationFolderProblem(folder); }
