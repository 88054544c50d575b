#pragma once
// The destination folder page (template 131): where the product's files go.

#include "app/pages/folder_page.h"

class CDestinationPage : public CFolderPage {
 public:
  CDestinationPage();

 protected:
  // The whole shell name space; the chosen folder plus the product name.
  void OnBrowse() override;
  UINT FolderProblem(const CString& folder) const override;
};
