#pragma once
// The language of the resources the framework loads (dialog templates and
// string-table texts) and the code page of the framework's 8-bit texts.
//
// The English resources are the home: a template or text missing in the
// chosen language is taken from them. With English chosen every text is in
// the system's ANSI code page and the windows get the "A" calls, as ever;
// with another language the framework's texts are UTF-8, so that Japanese
// on a Western Windows or Russian on a Japanese one is shown whole, and
// every window text goes through the "W" calls.

#include <windows.h>

#include <string>
#include <vector>

// The language of the English home resources.
constexpr LANGID kEnglishLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Inflates a zlib stream into `content`; false when it cannot.
using AfxInflateFunction = bool (*)(const void* data, DWORD size, std::vector<BYTE>* content);

// The name of the RCDATA resource, one per language other than English, that
// holds that language's dialog templates and string-table blocks as one
// zlib stream: so compressed, a language costs the executable a quarter of
// its templates and texts. Inflated, a pack is a run of records, each a WORD
// type, a WORD name, a DWORD size and the resource's bytes, padded to four.
constexpr const char* kLanguagePackName = "LANGUAGEPACK";

// Chooses the language of the resources loaded from now on (process-wide;
// set once at start-up, before any window exists). With `inflate`, the
// language's pack (in the resource module) is inflated and its templates
// and texts are looked up there first.
void AfxSetResourceLanguage(LANGID language, AfxInflateFunction inflate = nullptr);
LANGID AfxGetResourceLanguage();
// True for a language written right to left (Arabic, Hebrew, Persian, Urdu).
bool AfxIsRightToLeftLanguage(LANGID language);

// The code page of the framework's 8-bit texts: CP_ACP for English, CP_UTF8
// for any other language.
UINT AfxTextCodePage();
// 8-bit text of the framework's code page to zero-terminated UTF-16, and
// back (a vector, not a wide string: the runtime's wide strings would cost
// every program 40 KB).
std::vector<wchar_t> AfxWideText(const char* text);
std::string AfxNarrowText(const wchar_t* text, int length = -1);
// A text of the system's ANSI code page (a path, a command-line argument)
// as a framework text, and back.
std::string AfxTextFromSystem(const char* text);
std::string AfxSystemFromText(const char* text);

// The bytes of resource `name` of `type` in exactly `language` (from the
// chosen language's pack, else the module); null when there is none.
// Resources are never freed.
const void* AfxLockLanguageResource(HINSTANCE module, LPCSTR name, LPCSTR type, LANGID language, DWORD* size);
// The same in `language`, else in English.
const void* AfxLockResource(HINSTANCE module, LPCSTR name, LPCSTR type, LANGID language, DWORD* size);
// String `id` of the string table in `language` (else English), found in
// its block directly: LoadString takes no language and the thread's UI
// language cannot be set reliably everywhere. `text` points into the
// resource, `length` UTF-16 units, not zero-terminated. False when there is
// none.
bool AfxFindString(HINSTANCE module, UINT id, LANGID language, const WCHAR** text, int* length);

// SetWindowText of a framework text: SetWindowTextA for English, else the
// UTF-16 text through SetWindowTextW.
void AfxSetWindowText(HWND window, const char* text);
// MessageBox of framework texts owned by `owner`, right to left for such a
// language. Its buttons are the system's own, in Windows' language (the
// language the user reads Windows in, whatever the setup's language).
int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// A text of the system's code page (a path) as a framework text that reads
// left to right also inside right-to-left text (embedded between the
// left-to-right embedding and pop marks in such a language).
std::string AfxLeftToRightFromSystem(const char* text);
// Lays `control` out left to right inside a mirrored window (a picture, a
// path): not mirrored itself, its text read left to right.
void AfxKeepLeftToRight(HWND control);
