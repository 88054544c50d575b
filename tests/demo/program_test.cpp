// The product's files as the setup delivers them: the main program's window,
// document handling and icons, the 32-bit stub, the license texts and the
// help file.
#include <windows.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cctype>

#include "base/handles.h"
#include "base/product.h"
#include "tests/demo/installed_state.h"
#include "tests/demo/running_program.h"
#include "tests/demo/window_probe.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

// The storage interface of the system's compiled-help reader (itss.dll),
// which Windows and Wine both provide; the SDK headers do not declare it. It
// stays outside the anonymous namespace: with no implementation in sight the
// compiler would take calls through a local interface for unreachable.
const GUID kItStorageClass = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const GUID kItStorageInterface = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
struct IITStorage : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

namespace {
constexpr DWORD kWindowTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 10000;

std::string DemoFile(const std::string& name) {
  return std::string(kDemoFolder) + "\\" + name;
}

// The texts the main window of process shows; closes the window after and
// expects the program to end normally.
std::vector<std::string> ShownTextsThenClose(RunningProgram& program) {
  HWND window = WaitForWindow(program.Id(), product::kName, kWindowTimeoutMs);
  if (!window) {
    ADD_FAILURE() << "no window titled Velmora";
    return {};
  }
  std::vector<std::string> texts = ChildTexts(window);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, program.WaitForExit(kExitTimeoutMs));
  return texts;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  for (const std::string& shown : texts) {
    if (shown == text) return true;
  }
  return false;
}

// Runs of blanks and line ends become one blank, so wrapped and unwrapped
// texts compare equal.
std::string Words(const std::string& text) {
  std::string words;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!words.empty() && words.back() != ' ') words += ' ';
    } else {
      words += c;
    }
  }
  if (!words.empty() && words.back() == ' ') words.pop_back();
  return words;
}

// The pixels of icon index of file, as a bitmap's bytes; empty when missing.
std::string IconPixels(const std::string& file, int index) {
  HICON icon = ExtractIconA(GetModuleHandleA(nullptr), file.c_str(), index);
  if (reinterpret_cast<UINT_PTR>(icon) <= 1) return std::string();
  ICONINFO info = {};
  std::string pixels;
  if (GetIconInfo(icon, &info)) {
    unique_hgdiobj color(info.hbmColor);
    unique_hgdiobj mask(info.hbmMask);
    BITMAP bitmap = {};
    if (GetObjectA(color.get(), sizeof(bitmap), &bitmap)) {
      pixels.resize(bitmap.bmWidthBytes * bitmap.bmHeight);
      GetBitmapBits(static_cast<HBITMAP>(color.get()), static_cast<LONG>(pixels.size()), &pixels[0]);
    }
  }
  DestroyIcon(icon);
  return pixels;
}

// A RICHEDIT (Rich Edit 1.0) control the size of the license page's, in
// pixels of the page's "MS Sans Serif" 8 dialog units, filled with the RTF.
class LicenseControl {
 public:
  explicit LicenseControl(const std::string& rtf) : m_library(LoadLibraryA("riched32.dll")), m_rtf(rtf) {
    SIZE size = DialogUnitsToPixels(268, 91);
    m_window = CreateWindowExA(0, "RICHEDIT", "",
                               WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                   ES_AUTOHSCROLL | ES_WANTRETURN,
                               0, 0, size.cx, size.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!m_window) return;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(this);
    stream.pfnCallback = StreamIn;
    SendMessageA(m_window, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  }
  ~LicenseControl() {
    if (m_window) DestroyWindow(m_window);
  }

  HWND Window() const { return m_window; }

  std::string Text() const {
    std::string text(GetWindowTextLengthA(m_window) + 1, '\0');
    text.resize(GetWindowTextA(m_window, &text[0], static_cast<int>(text.size())));
    return text;
  }

  // Whether every character of the first occurrence of text is bold; false
  // when it is not found.
  bool IsBold(const std::string& text) const {
    FINDTEXTA find = {{0, -1}, text.c_str()};
    LRESULT at = SendMessageA(m_window, EM_FINDTEXT, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find));
    if (at < 0) {
      ADD_FAILURE() << "not in the license: " << text;
      return false;
    }
    CHARRANGE range = {static_cast<LONG>(at), static_cast<LONG>(at + text.size())};
    SendMessageA(m_window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format = {};
    format.cbSize = sizeof(format);
    SendMessageA(m_window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
  }

 private:
  static SIZE DialogUnitsToPixels(int width, int height) {
    HDC screen = GetDC(nullptr);
    unique_hgdiobj font(CreateFontA(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                                    FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
    HGDIOBJ previous = SelectObject(screen, font.get());
    SIZE letters = {};
    GetTextExtentPoint32A(screen, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    int baseX = (letters.cx / 26 + 1) / 2;
    return SIZE{MulDiv(width, baseX, 4), MulDiv(height, metrics.tmHeight, 8)};
  }

  static DWORD CALLBACK StreamIn(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* self = reinterpret_cast<LicenseControl*>(cookie);
    LONG count = static_cast<LONG>(std::min<size_t>(wanted, self->m_rtf.size() - self->m_read));
    memcpy(buffer, self->m_rtf.data() + self->m_read, count);
    self->m_read += count;
    *given = count;
    return 0;
  }

  unique_hmodule m_library;
  std::string m_rtf;
  size_t m_read = 0;
  HWND m_window = nullptr;
};

// The content of a topic of the compiled help file, read (and so
// decompressed) by the system's help reader; empty when it cannot be read.
std::string HelpTopic(const std::string& chm, const std::wstring& topic) {
  HRESULT initialized = CoInitialize(nullptr);
  std::string content;
  {
    WCHAR widePath[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, chm.c_str(), -1, widePath, MAX_PATH);
    com_ptr<IITStorage> reader;
    com_ptr<IStorage> storage;
    com_ptr<IStream> stream;
    if (SUCCEEDED(CoCreateInstance(kItStorageClass, nullptr, CLSCTX_INPROC_SERVER, kItStorageInterface,
                                   reader.put_void())) &&
        SUCCEEDED(reader->StgOpenStorage(widePath, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                         storage.put())) &&
        SUCCEEDED(storage->OpenStream(topic.c_str(), nullptr, STGM_READ, 0, stream.put()))) {
      char buffer[4096];
      ULONG read = 0;
      while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &read)) && read > 0) content.append(buffer, read);
    }
  }
  if (SUCCEEDED(initialized)) CoUninitialize();
  return content;
}
}  // namespace

TEST(MainProgram, ShowsAWindowTitledVelmoraWithItsVersion) {
  RunningProgram program("\"" + DemoFile(product::kProgramFile) + "\"");
  ASSERT_TRUE(program.Started());

  std::vector<std::string> texts = ShownTextsThenClose(program);

  EXPECT_TRUE(Contains(texts, "Velmora"));
  EXPECT_TRUE(Contains(texts, "Version 1.7"));
  EXPECT_TRUE(Contains(texts, "No document is open."));
}

TEST(MainProgram, ShowsTheDocumentItWasAskedToOpen) {
  RunningProgram program("\"" + DemoFile(product::kProgramFile) + "\" -open \"C:\\My Documents\\Plan A.tms\"");
  ASSERT_TRUE(program.Started());

  std::vector<std::string> texts = ShownTextsThenClose(program);

  EXPECT_TRUE(Contains(texts, "Document: C:\\My Documents\\Plan A.tms"));
  EXPECT_TRUE(Contains(texts, "Version 1.7"));
}

TEST(MainProgram, StartsFromAnUnquotedPathWithBlanksAsTheFinishPageStartsIt) {
  const std::string folder = "C:\\Program Files\\Velmora Launch";
  const std::string program = folder + "\\" + product::kProgramFile;
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CopyFileA(DemoFile(product::kProgramFile).c_str(), program.c_str(), FALSE));
  {
    RunningProgram running(program);
    ASSERT_TRUE(running.Started());

    std::vector<std::string> texts = ShownTextsThenClose(running);

    EXPECT_TRUE(Contains(texts, "Version 1.7"));
    EXPECT_TRUE(Contains(texts, "No document is open."));
  }
  RemoveTree(folder);
}

TEST(MainProgram, OpensTmsDocumentsThroughTheShell) {
  // The harder form of the open command: an unquoted program path with
  // blanks, then -open "%1".
  const std::string folder = "C:\\Program Files\\Velmora Shell";
  const std::string program = folder + "\\" + product::kProgramFile;
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CopyFileA(DemoFile(product::kProgramFile).c_str(), program.c_str(), FALSE));
  ScopedRegistryCleanup extension(HKEY_CLASSES_ROOT, product::kDocumentExtension);
  ScopedRegistryCleanup progId(HKEY_CLASSES_ROOT, product::kProgId);
  const std::string command = std::string(product::kProgId) + "\\shell\\open\\command";
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, command, nullptr, program + " " + product::kOpenArgument));
  ASSERT_TRUE(WriteRegistryString(HKEY_CLASSES_ROOT, product::kDocumentExtension, nullptr, product::kProgId));
  const std::string document = DemoFile("Quarterly report.tms");
  ASSERT_TRUE(WriteWholeFile(document, "report"));

  SHELLEXECUTEINFOA execute = {};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = "open";
  execute.lpFile = document.c_str();
  execute.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&execute));
  unique_handle process(execute.hProcess);
  ASSERT_TRUE(process.valid());
  HWND window = WaitForWindow(GetProcessId(process.get()), product::kName, kWindowTimeoutMs);
  ASSERT_NE(nullptr, window);

  EXPECT_TRUE(Contains(ChildTexts(window), "Document: " + document));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), kExitTimeoutMs));
  DeleteFileA(document.c_str());
  RemoveTree(folder);
}

TEST(MainProgram, CarriesTheDocumentIconAtIndex44) {
  const std::string program = DemoFile(product::kProgramFile);

  EXPECT_EQ(45u, ExtractIconExA(program.c_str(), -1, nullptr, nullptr, 0));
  std::string documentIcon = IconPixels(program, 1);
  ASSERT_FALSE(documentIcon.empty());
  EXPECT_EQ(documentIcon, IconPixels(program, product::kDocumentIconIndex));
  EXPECT_NE(documentIcon, IconPixels(program, 0)) << "icon 0 is the program's own";
}

TEST(StubProgram, NamesTheVersionAndFindsTheMainProgram) {
  ProgramResult result = RunProgram("\"" + DemoFile("velmorastub32.exe") + "\"");

  ASSERT_TRUE(result.started);
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_NE(std::string::npos, result.output.find("Velmora 1.7 (32-bit stub)")) << result.output;
  EXPECT_NE(std::string::npos, result.output.find(DemoFile(product::kProgramFile) + " (present)")) << result.output;
}

TEST(StubProgram, ReportsAMissingMainProgram) {
  TempFolder folder;
  ASSERT_TRUE(CopyFileA(DemoFile("velmorastub32.exe").c_str(), folder.File("velmorastub32.exe").c_str(), FALSE));

  ProgramResult result = RunProgram("\"" + folder.File("velmorastub32.exe") + "\"");

  EXPECT_EQ(1u, result.exitCode);
  EXPECT_NE(std::string::npos, result.output.find("(missing)")) << result.output;
}

TEST(LicenseText, RichTextReadsLikeThePlainText) {
  LicenseControl control(ReadWholeFile(DemoFile(product::kLicenseRtfFile)));
  ASSERT_NE(nullptr, control.Window());

  std::string plain = Words(ReadWholeFile(DemoFile(product::kLicenseTextFile)));
  ASSERT_GT(plain.size(), 2000u);
  EXPECT_EQ(plain, Words(control.Text()));
}

TEST(LicenseText, HeadingsAreBoldAndTheBodyIsNot) {
  LicenseControl control(ReadWholeFile(DemoFile(product::kLicenseRtfFile)));
  ASSERT_NE(nullptr, control.Window());

  EXPECT_TRUE(control.IsBold("VELMORA END-USER LICENSE AGREEMENT"));
  EXPECT_TRUE(control.IsBold("1. GRANT OF LICENSE"));
  EXPECT_TRUE(control.IsBold("9. GENERAL"));
  EXPECT_FALSE(control.IsBold("non-exclusive, non-transferable license"));
}

TEST(LicenseText, NeedsScrollingInTheLicensePageControl) {
  LicenseControl control(ReadWholeFile(DemoFile(product::kLicenseRtfFile)));
  ASSERT_NE(nullptr, control.Window());
  RECT client = {};
  GetClientRect(control.Window(), &client);

  POINTL last = {};
  SendMessageA(control.Window(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last),
               GetWindowTextLengthA(control.Window()) - 1);

  EXPECT_GT(last.y, 3 * client.bottom) << "the license should fill several screens of the control";
}

TEST(HelpFile, OpensAsCompiledHelpWithItsTopics) {
  const std::string chm = DemoFile(product::kHelpFile);
  EXPECT_EQ("ITSF", ReadWholeFile(chm).substr(0, 4));

  EXPECT_NE(std::string::npos, HelpTopic(chm, L"index.html").find("<h1>Welcome to Velmora</h1>"));
  EXPECT_NE(std::string::npos, HelpTopic(chm, L"getting-started.html").find("Velmora Uninstall Wizard"));
  EXPECT_NE(std::string::npos, HelpTopic(chm, L"documents.html").find("-open"));
  EXPECT_NE(std::string::npos, HelpTopic(chm, L"removing.html").find("are kept"));
}
