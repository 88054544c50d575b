#include "dialog_template.h"

#include "framework/resource_language.h"

#include <cstring>

namespace {

class TemplateReader {
 public:
  TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

  bool ok() const { return m_ok; }
  WORD Word() {
    WORD value = 0;
    Read(&value, sizeof(value));
    return value;
  }
  DWORD Dword() {
    DWORD value = 0;
    Read(&value, sizeof(value));
    return value;
  }
  short Short() { return static_cast<short>(Word()); }
  void AlignDword() { m_at = (m_at + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t bytes) {
    if (m_at + bytes > m_size) m_ok = false;
    m_at += bytes;
  }

  // A zero-terminated UTF-16 string, or 0xFFFF and an ordinal.
  std::string StringOrOrdinal(int* ordinal) {
    *ordinal = -1;
    WORD first = Word();
    if (first == 0xFFFF) {
      *ordinal = Word();
      return std::string();
    }
    std::wstring text;
    for (WORD ch = first; ch != 0 && m_ok; ch = Word()) text += static_cast<wchar_t>(ch);
    return Narrow(text);
  }

 private:
  void Read(void* out, size_t bytes) {
    if (m_at + bytes > m_size) {
      m_ok = false;
      return;
    }
    memcpy(out, m_data + m_at, bytes);
    m_at += bytes;
  }
  static std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], length,
                        nullptr, nullptr);
    return result;
  }

  const BYTE* m_data;
  size_t m_size;
  size_t m_at = 0;
  bool m_ok = true;
};

std::string PredefinedClass(int atom) {
  switch (atom) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(atom);
  }
}

}  // namespace

bool LoadDialogTemplate(int id, DialogTemplate& result, LANGID language) {
  HMODULE module = GetModuleHandleA(nullptr);
  DWORD size = 0;
  const BYTE* data = static_cast<const BYTE*>(
      AfxLockLanguageResource(module, MAKEINTRESOURCEA(id), RT_DIALOG, language, &size));
  if (!data) return false;
  TemplateReader reader(data, size);

  result = DialogTemplate();
  bool extended = reader.Word() == 1 && reader.Word() == 0xFFFF;
  if (extended) {
    reader.Dword();  // help id
    result.exStyle = reader.Dword();
    result.style = reader.Dword();
  } else {
    reader = TemplateReader(data, size);
    result.style = reader.Dword();
    result.exStyle = reader.Dword();
  }
  int count = reader.Word();
  result.x = reader.Short();
  result.y = reader.Short();
  result.cx = reader.Short();
  result.cy = reader.Short();
  int ordinal = 0;
  reader.StringOrOrdinal(&ordinal);  // menu
  reader.StringOrOrdinal(&ordinal);  // window class
  result.caption = reader.StringOrOrdinal(&ordinal);
  if (result.style & (DS_SETFONT | DS_SHELLFONT)) {
    result.pointSize = reader.Word();
    if (extended) reader.Skip(4);  // weight, italic, charset
    result.faceName = reader.StringOrOrdinal(&ordinal);
  }

  for (int i = 0; i < count && reader.ok(); ++i) {
    DialogItem item;
    reader.AlignDword();
    if (extended) {
      reader.Dword();  // help id
      item.exStyle = reader.Dword();
      item.style = reader.Dword();
    } else {
      item.style = reader.Dword();
      item.exStyle = reader.Dword();
    }
    item.x = reader.Short();
    item.y = reader.Short();
    item.cx = reader.Short();
    item.cy = reader.Short();
    item.id = extended ? static_cast<int>(reader.Dword()) : reader.Short();
    std::string className = reader.StringOrOrdinal(&ordinal);
    item.className = ordinal >= 0 ? PredefinedClass(ordinal) : className;
    item.text = reader.StringOrOrdinal(&ordinal);
    if (ordinal >= 0) item.text = "#" + std::to_string(ordinal);
    WORD extra = reader.Word();
    reader.Skip(extra);
    result.items.push_back(item);
  }
  return reader.ok();
}
