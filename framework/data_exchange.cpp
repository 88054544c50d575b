#include "framework/data_exchange.h"

#include "framework/dialog.h"
#include "framework/resource_language.h"

HWND CDataExchange::PrepareCtrl(int id) {
  HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
  if (!control) Fail();
  return control;
}

void CDataExchange::Fail() { throw Failure(); }

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
  CWnd control;
  control.Attach(pDX->PrepareCtrl(id));
  if (pDX->m_bSaveAndValidate) {
    control.GetWindowText(value);
  } else {
    // Setting an unchanged text would only make the control flicker.
    CString current;
    control.GetWindowText(current);
    if (current != value) control.SetWindowText(value);
  }
  control.Detach();
}

void DDX_SystemText(CDataExchange* pDX, int id, CString& value) {
  CString text = AfxTextFromSystem(value).c_str();
  DDX_Text(pDX, id, text);
  if (pDX->m_bSaveAndValidate) value = AfxSystemFromText(text).c_str();
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  HWND control = pDX->PrepareCtrl(id);
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  HWND window = pDX->PrepareCtrl(id);
  if (control.m_hWnd != window) pDX->m_pDlgWnd->BindControl(control, window);
}
