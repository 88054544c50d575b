#include "tests/e2e/driver/screenshot.h"

#include <vector>

#include "base/handles.h"
#include "tests/e2e/driver/script_line.h"

namespace {

struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};
struct MemoryDc {
  HDC dc;
  explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
  ~MemoryDc() { DeleteDC(dc); }
};

void WriteBmp(const std::string& path, int width, int height, const std::vector<BYTE>& pixels) {
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  BITMAPFILEHEADER header = {};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + info.biSizeImage;

  unique_hfile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw ScriptFailure("cannot create " + path);
  DWORD written = 0;
  bool ok = WriteFile(file.get(), &header, sizeof header, &written, nullptr) &&
            WriteFile(file.get(), &info, sizeof info, &written, nullptr) &&
            WriteFile(file.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  if (!ok) throw ScriptFailure("cannot write " + path);
}

}  // namespace

void SaveWindowPicture(HWND window, const std::string& bmp_path) {
  RECT area;
  if (!GetWindowRect(window, &area)) throw ScriptFailure("the window to picture is gone");
  int width = area.right - area.left, height = area.bottom - area.top;
  ScreenDc screen;
  MemoryDc memory(screen.dc);
  unique_hgdiobj bitmap(CreateCompatibleBitmap(screen.dc, width, height));
  HGDIOBJ previous = SelectObject(memory.dc, bitmap.get());
  BitBlt(memory.dc, 0, 0, width, height, screen.dc, area.left, area.top, SRCCOPY);
  SelectObject(memory.dc, previous);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  int stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
  if (!GetDIBits(memory.dc, static_cast<HBITMAP>(bitmap.get()), 0, height, pixels.data(), &info, DIB_RGB_COLORS))
    throw ScriptFailure("cannot read the picture's pixels");
  WriteBmp(bmp_path, width, height, pixels);
}
