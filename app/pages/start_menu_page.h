#pragma once
// The Start Menu folder page (template 132): the shortcut folder below the
// common Programs folder.

#include "app/pages/folder_page.h"

class CStartMenuPage : public CFolderPage {
 public:
  CStartMenuPage();

 protected:
  // Rooted at the common Programs folder; the chosen folder's own name plus
  // the product name.
  void OnBrowse() override;
  UINT FolderProblem(const CString& folder) const override;
};
