#pragma once
// The welcome page (template 102), position 0: greets the user while its
// initialization worker has the engine open and unpack the package. All
// three buttons stay disabled meanwhile; Next is enabled only after a good
// unpack, Back never. Every visit runs the initialization again.

#include <windows.h>

#include "framework/afxwin.h"

class CWelcomePage : public CDialog {
 public:
  CWelcomePage();
  // Joins a worker that is still running.
  ~CWelcomePage() override;

  // The worker's body (worker thread): opens the package through the
  // application and posts the outcome to the page.
  void RunInitialization();
  // The worker's handler of an unexpected exception (worker thread): posts
  // the code and address to the page, which shows message 34.
  void ReportInitException(DWORD code, void* address);

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void DoDataExchange(CDataExchange* pDX) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
  BOOL OnPaint() override;
  HCURSOR OnQueryDragIcon() override;
  void OnDestroy() override;
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The worker's outcome, on the page's thread.
  void OnInitializationDone(int status, CString* message);
  void OnInitializationFault(DWORD code, void* address);
  // Message box owned by the page, caption "Velmora", error icon.
  void ShowError(const CString& text);

  CButton m_cancel;
  CButton m_next;
  CButton m_back;
  CStatic m_body;
  CStatic m_title;
  CString m_titleText;
  CString m_bodyText;
  CFont m_titleFont;
  CFont m_bodyFont;
  CWinThread* m_pInitThread = nullptr;
  HICON m_icon = nullptr;
  // Where the worker posts its outcome; set before the worker runs.
  HWND m_notifyWindow = nullptr;
};
