#include "demo/program/main_window.h"

#include <shellapi.h>

#include "base/product.h"
#include "demo/program/resource.h"
#include "demo/version.h"

namespace {
constexpr const char* kWindowClass = "VelmoraMainWindow";
constexpr int kMargin = 16;
constexpr int kWindowWidth = 480;
constexpr int kWindowHeight = 240;

// The folder velmora.exe runs from, without a trailing backslash.
std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::string DocumentLine(const std::string& documentPath) {
  if (documentPath.empty()) return "No document is open.";
  return "Document: " + documentPath;
}

constexpr bool SameText(const char* a, const char* b) {
  return *a == *b && (*a == '\0' || SameText(a + 1, b + 1));
}
static_assert(SameText(product::kVersionText, "Version " VELMORA_VERSION_TEXT),
              "the shown version and the version resource must agree");
}  // namespace

bool MainWindow::Create(HINSTANCE instance, const std::string& documentPath, int showCommand) {
  m_instance = instance;
  m_documentPath = documentPath;

  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
  windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExA(&windowClass)) return false;

  // WM_CREATE already needs the object, so it travels in lpParam.
  m_window = CreateWindowExA(0, kWindowClass, product::kName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, this);
  if (!m_window) return false;
  ShowWindow(m_window, showCommand);
  UpdateWindow(m_window);
  return true;
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<MainWindow*>(create->lpCreateParams)->m_window = window;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through user32; the message is simply left undone.
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_FILE_EXIT:
          DestroyWindow(m_window);
          return 0;
        case IDM_HELP_TOPICS:
          ShowHelp();
          return 0;
        case IDM_HELP_ABOUT:
          ShowAbout();
          return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(m_window, message, wParam, lParam);
}

void MainWindow::CreateControls() {
  m_titleFont.reset(CreateFontA(28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
  auto textFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  AddLabel(product::kName, kMargin, 34, static_cast<HFONT>(m_titleFont.get()));
  AddLabel(product::kVersionText, kMargin + 44, 18, textFont);
  AddLabel(DocumentLine(m_documentPath), kMargin + 76, 36, textFont);
}

HWND MainWindow::AddLabel(const std::string& text, int top, int height, HFONT font) {
  RECT client = {};
  GetClientRect(m_window, &client);
  HWND label = CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kMargin,
                               top, client.right - 2 * kMargin, height, m_window, nullptr, m_instance, nullptr);
  if (label && font) SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return label;
}

void MainWindow::ShowHelp() {
  std::string helpFile = ProgramFolder() + "\\" + product::kHelpFile;
  // Not a pointer: an error number up to 32, or a larger value on success.
  auto result = reinterpret_cast<UINT_PTR>(
      ShellExecuteA(m_window, "open", helpFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    std::string text = "The help file " + helpFile + " could not be opened.";
    MessageBoxA(m_window, text.c_str(), product::kName, MB_OK | MB_ICONWARNING);
  }
}

void MainWindow::ShowAbout() {
  std::string text = std::string(product::kName) + "\n" + product::kVersionText + "\n\n" + VELMORA_COPYRIGHT;
  MessageBoxA(m_window, text.c_str(), "About Velmora", MB_OK | MB_ICONINFORMATION);
}
