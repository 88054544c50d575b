#include "app/pages/license_page.h"

#include "app/app_calls.h"
#include "app/pages/page_messages.h"
#include "app/text_ids.h"
#include "base/product.h"
#include "res/resource.h"

CLicensePage::CLicensePage()
    : CInteriorPage(IDD_LICENSE, IDC_LICENSE_TITLE, IDS_LICENSE_TITLE, IDC_LICENSE_SUBTITLE, IDS_LICENSE_SUBTITLE) {}

BOOL CLicensePage::OnInitDialog() {
  CDialog::OnInitDialog();
  InitFrame();
  const bool accepted = *m_pLicenseAccepted == 1;
  CheckRadioButton(IDC_ACCEPT, IDC_DECLINE, accepted ? IDC_ACCEPT : IDC_DECLINE);
  m_next.EnableWindow(accepted ? TRUE : FALSE);
  const bool shown = StreamLicense();
  UpdateData(FALSE);
  NameByLabel(m_hWnd, IDC_LICENSE_TEXT, IDC_LICENSE_TITLE);
  // The dialog manager gives the first control the focus after this returns
  // and selects all of its text; queued behind that, the reader starts at the
  // top of an unselected license.
  ::PostMessageA(m_licenseText.GetSafeHwnd(), EM_SETSEL, 0, 0);
  ::PostMessageA(m_licenseText.GetSafeHwnd(), EM_SCROLLCARET, 0, 0);
  if (!shown) RefuseUnshownLicense();
  return TRUE;
}

void CLicensePage::RefuseUnshownLicense() {
  // An agreement nobody could read is never accepted: only Back and Cancel
  // lead on.
  *m_pLicenseAccepted = 0;
  CheckRadioButton(IDC_ACCEPT, IDC_DECLINE, IDC_DECLINE);
  GetDlgItem(IDC_ACCEPT)->EnableWindow(FALSE);
  m_next.EnableWindow(FALSE);
  m_refusalPending = true;
}

INT_PTR CLicensePage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SHOWWINDOW && wParam && m_refusalPending) {
    // The box goes over the page: queued behind its showing.
    m_refusalPending = false;
    ::PostMessageA(m_hWnd, kLicenseUnshownMessage, 0, 0);
  } else if (message == kLicenseUnshownMessage) {
    AppCalls().MessageBoxA(m_hWnd, MessageText(IDS_PACKAGE_DAMAGED), product::kName, MB_ICONERROR);
    return TRUE;
  }
  return CInteriorPage::WindowProc(message, wParam, lParam);
}

bool CLicensePage::StreamLicense() {
  // Every visit starts from nothing: a view from an earlier visit may point
  // into a store that has been refilled since.
  m_stream = LicenseStream();
  const uint8_t* content = nullptr;
  uint32_t size = 0;
  if (m_pStore && m_pStore->Lookup(product::kLicenseRtfFile, &content, &size)) {
    m_stream.content = content;
    m_stream.size = static_cast<LONG>(size);
  }
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&m_stream);
  stream.pfnCallback = &LicenseStreamIn;
  m_licenseText.StreamIn(SF_RTF, stream);
  return m_stream.content != nullptr && stream.dwError == 0 && m_licenseText.GetWindowTextLength() > 0;
}

void CLicensePage::DoDataExchange(CDataExchange* pDX) {
  CInteriorPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LICENSE_TEXT, m_licenseText);
  DDX_Control(pDX, IDOK, m_next);
}

BOOL CLicensePage::OnCommand(UINT id, UINT notifyCode) {
  if (notifyCode == BN_CLICKED && (id == IDC_ACCEPT || id == IDC_DECLINE)) {
    const bool accept = id == IDC_ACCEPT;
    *m_pLicenseAccepted = accept ? 1 : 0;
    m_next.EnableWindow(accept ? TRUE : FALSE);
    return TRUE;
  }
  return CInteriorPage::OnCommand(id, notifyCode);
}
