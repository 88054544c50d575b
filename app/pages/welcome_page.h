#pragma once
// The welcome page (template 102), position 0: greets the user while its
// initialization worker has the engine open and unpack the package. All
// three buttons stay disabled meanwhile; Next is enabled only after a good
// unpack, Back never. Every visit runs the initialization again.

#include <windows.h>

#include "app/pages/exterior_page.h"
#include "app/pages/page_hosts.h"

class CWelcomePage : public CExteriorPage {
 public:
  CWelcomePage();
  // Joins a worker that is still running.
  ~CWelcomePage() override;

  // The worker's body (worker thread): opens the package through
  // m_pPackageOpener and posts the outcome to the page.
  void RunInitialization();
  // The worker's handler of an unexpected exception (worker thread): posts
  // the code and address to the page, which shows message 34.
  void ReportInitException(DWORD code, void* address);

  // Opens the package for the worker; set before the page is shown.
  IPackageOpener* m_pPackageOpener = nullptr;

 protected:
  // Texts, fonts, all buttons disabled, window title; starts the worker
  // (message 37 and IDCANCEL when it cannot be created).
  BOOL OnInitDialog() override;
  // The cancel confirmation; on Yes joins a leftover worker and ends with
  // IDCANCEL.
  void OnCancel() override;
  // The three buttons, the title and body statics and their texts.
  void DoDataExchange(CDataExchange* pDX) override;
  // Title, body and panel in the window colours.
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
  // While minimized: the setup icon centred on the erased background.
  BOOL OnPaint() override;
  // The setup icon.
  HCURSOR OnQueryDragIcon() override;
  // The title font and the body font for the page's DPI.
  void ApplyFonts() override;
  // Deletes the body font and, through the exterior page, the title font.
  void OnDestroy() override;
  // The wait's progress, for a large package, below the wait text.
  void OnTimer(UINT_PTR timerId) override;
  // The worker's posted outcome; everything else to CDialog.
  INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The package is open (status 0: Next enabled, ready text) or not (its
  // message); Cancel enabled either way. Takes ownership of `message`.
  void OnInitializationDone(int status, CString* message);
  // Message 34 with the worker's exception; Cancel enabled, Next disabled.
  void OnInitializationFault(DWORD code, void* address);
  // Message box owned by the page, caption "Velmora", error icon.
  void ShowError(const CString& text);

  static constexpr UINT_PTR kProgressTimerId = 102;

  // Stops the progress timer and shows the body text member again when the
  // progress replaced it.
  void EndProgress();

  CButton m_cancel;
  CButton m_next;
  CButton m_back;
  CStatic m_body;
  CFont m_bodyFont;
  CWinThread* m_pInitThread = nullptr;
  HICON m_icon = nullptr;
  // Where the worker posts its outcome; set before the worker runs.
  HWND m_notifyWindow = nullptr;
  bool m_progressShown = false;
};
