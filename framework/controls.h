#pragma once
// Thin wrappers over the standard controls the wizard pages use. Each is a
// CWnd bound to a dialog control (DDX_Control) and adds typed messages.

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include "framework/wnd.h"

class CButton : public CWnd {
 public:
  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE (BM_GETCHECK).
  int GetCheck() const;
  // BM_SETCHECK.
  void SetCheck(int check);
};

class CStatic : public CWnd {
 public:
  // STM_SETICON; returns the previous icon.
  HICON SetIcon(HICON icon);
  // STM_SETIMAGE with a bitmap; returns the previous bitmap.
  HBITMAP SetBitmap(HBITMAP bitmap);
};

class CEdit : public CWnd {
 public:
  // EM_SETSEL: selects characters start..end (end -1: to the end).
  void SetSel(int start, int end);
  // EM_REPLACESEL without undo.
  void ReplaceSel(const char* text);
  // EM_SETREADONLY.
  BOOL SetReadOnly(BOOL readOnly = TRUE);
};

class CProgressCtrl : public CWnd {
 public:
  // PBM_SETRANGE (16-bit bounds).
  void SetRange(short lower, short upper);
  // PBM_SETPOS; returns the previous position.
  int SetPos(int position);
  // PBM_GETPOS.
  int GetPos() const;
};

class CRichEditCtrl : public CWnd {
 public:
  // EM_STREAMIN with `format` (SF_RTF, SF_TEXT...): the control pulls its
  // new content through the stream's callback; returns what the control
  // reports (characters read).
  long StreamIn(int format, EDITSTREAM& stream);
};
