#include "framework/wnd.h"

#include <vector>

#include "framework/font.h"
#include "framework/resource_language.h"
#include "framework/win_app.h"

CWnd::~CWnd() = default;

void CWnd::Attach(HWND window) { m_hWnd = window; }

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  m_hWnd = nullptr;
  ReleaseDlgItems();
  return window;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(const char* text) { AfxSetWindowText(m_hWnd, text); }

void CWnd::GetWindowText(CString& text) const {
  if (AfxTextCodePage() != CP_ACP) {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    const int copied = ::GetWindowTextW(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    text = AfxNarrowText(buffer.data(), copied > 0 ? copied : 0).c_str();
    return;
  }
  int length = ::GetWindowTextLengthA(m_hWnd);
  std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
  int copied = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
  text = CString(buffer.data(), copied > 0 ? copied : 0);
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }

BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

BOOL CWnd::ShowWindow(int showCommand) { return ::ShowWindow(m_hWnd, showCommand); }

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }

void CWnd::GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }

int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }

void CWnd::SetFont(CFont* font, BOOL redraw) {
  HFONT handle = font ? font->GetSafeHandle() : nullptr;
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(handle), MAKELPARAM(redraw ? TRUE : FALSE, 0));
}

CWnd* CWnd::GetDlgItem(int id) {
  HWND child = ::GetDlgItem(m_hWnd, id);
  if (!child) return nullptr;
  std::unique_ptr<CWnd>& item = m_items[child];
  if (!item) {
    item = std::make_unique<CWnd>();
    item->Attach(child);
  }
  return item.get();
}

void CWnd::SetDlgItemText(int id, const char* text) { AfxSetWindowText(::GetDlgItem(m_hWnd, id), text); }

void CWnd::GetDlgItemText(int id, CString& text) const {
  HWND child = ::GetDlgItem(m_hWnd, id);
  if (!child) {
    text.Empty();
    return;
  }
  CWnd item;
  item.Attach(child);
  item.GetWindowText(text);
  item.Detach();
}

void CWnd::CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }

UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }

void CWnd::CheckRadioButton(int firstId, int lastId, int checkId) {
  ::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  if (!caption && AfxGetApp()) caption = AfxGetApp()->m_pszAppName;
  return AfxShowMessageBox(m_hWnd, text, caption, type);
}

void CWnd::ReleaseDlgItems() {
  m_items.clear();
}
