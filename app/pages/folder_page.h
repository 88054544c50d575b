#pragma once
// What the destination and Start Menu folder pages share: the folder text in
// edit box 1015, saved as typed on Next and dropped on Back, and a Browse
// button (1016) whose choice is saved at once.

#include <windows.h>
#include <shlobj.h>

#include "app/pages/page_frame.h"

class CFolderPage : public CInteriorPage {
 public:
  CFolderPage(UINT templateId, int titleId, UINT titleTextId, UINT subtitleTextId);

  // The application's setting this page edits.
  CString* m_pSetting = nullptr;
  // The folder is shown but cannot be changed (an installed product's):
  // the edit box read-only, Browse disabled.
  bool m_readOnly = false;

 protected:
  // The frame, then the folder text from the setting.
  BOOL OnInitDialog() override;
  // The frame's controls and the folder text.
  void DoDataExchange(CDataExchange* pDX) override;
  // Next: a folder text that passes the page's check becomes the setting
  // and the page ends; otherwise a message box says why and the page stays.
  void OnOK() override;
  // Browse (1016).
  BOOL OnCommand(UINT id, UINT notifyCode) override;
  // Opens the folder browser and applies a choice.
  virtual void OnBrowse() = 0;
  // 0 when `folder` may become the setting, else the id of the message
  // that says why not.
  virtual UINT FolderProblem(const CString& folder) const = 0;

  // Opens the shell's folder browser below `root` (null: the desktop). True
  // with the chosen folder's file-system path, false when the user cancelled
  // or the choice is no file-system folder.
  bool BrowseForFolder(LPCITEMIDLIST root, CString* path);
  // A browsed folder text becomes the setting and is shown.
  void ApplyBrowsedFolder(const CString& folder);

  CString m_folder;
};
