#pragma once
// The license page (template 129): the license agreement as rich text from
// the package's "license.rtf", and the choice to accept or decline it. Next
// is enabled exactly while the choice is to accept.

#include <windows.h>

#include "app/pages/license_stream.h"
#include "app/pages/page_frame.h"
#include "package/package_file_store.h"

class CLicensePage : public CInteriorPage {
 public:
  CLicensePage();

  // The application's accept flag (1: accepted) and the package store.
  LONG* m_pLicenseAccepted = nullptr;
  const CPackageFileStore* m_pStore = nullptr;

 protected:
  // The frame, the remembered choice, and the license streamed in anew.
  BOOL OnInitDialog() override;
  // The frame's controls, the rich edit control and Next.
  void DoDataExchange(CDataExchange* pDX) override;
  // Clicks of accept (1008) and decline (1009).
  BOOL OnCommand(UINT id, UINT notifyCode) override;
  // The box saying the license cannot be shown.
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Replaces the control's content with the license from the store; false
  // when there is none or the control took no text from it.
  bool StreamLicense();
  // The license cannot be shown: accept and Next disabled, and the damaged
  // package's message shown over the page.
  void RefuseUnshownLicense();

  CRichEditCtrl m_licenseText;
  CButton m_next;
  LicenseStream m_stream;
  // The refusal's box is still to be shown, once the page is.
  bool m_refusalPending = false;
};
