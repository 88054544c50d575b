#pragma once
// Dialog data exchange: DoDataExchange calls these for each member; the
// direction comes from UpdateData (TRUE: controls to members).

#include <windows.h>

#include "framework/cstring.h"

class CDialog;
class CWnd;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  BOOL m_bSaveAndValidate;  // TRUE: read the controls into the members
  CDialog* m_pDlgWnd;

  // Handle of control `id`; a missing control fails the exchange (Fail).
  HWND PrepareCtrl(int id);
  // Abandons the exchange: UpdateData returns FALSE. Throws Failure, which
  // UpdateData catches; only the exchange functions call it.
  [[noreturn]] void Fail();

  struct Failure {};
};

// Control text <-> `value`.
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// Control text <-> `value`, a text of the system's code page (a path).
void DDX_SystemText(CDataExchange* pDX, int id, CString& value);
// Check state (BM_GETCHECK/BM_SETCHECK) <-> `value` (0, 1 or 2).
void DDX_Check(CDataExchange* pDX, int id, int& value);
// Binds `control` to control `id` for the dialog's current window; the
// dialog unbinds it when its window is destroyed.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
