#include "app/pages/page_art.h"

#include <cstdint>
#include <vector>

#include "framework/win_app.h"
#include "package/inflate_entry.h"
#include "res/resource.h"

namespace {

// Pixels top-down, 0xAARRGGBB (the layout of a 32-bit DIB).
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;
};

struct ArtScale {
  WORD id;       // bitmap resource (below kFirstArtStream) or zlib stream (RCDATA)
  int width;     // of the whole picture
  int height;
  bool mirrored; // the stream holds the left half of a symmetric picture
};

struct ArtSet {
  const ArtScale* scales;  // ascending
  int count;
};

constexpr ArtScale kSide[] = {{IDB_SIDE_PICTURE, 160, 280, false},
                              {IDR_SIDE_PICTURE_125, 200, 350, true},
                              {IDR_SIDE_PICTURE_150, 240, 420, true},
                              {IDR_SIDE_PICTURE_200, 320, 560, true}};
constexpr ArtScale kHeader[] = {{IDB_HEADER_PICTURE, 48, 48, false},
                                {IDR_HEADER_PICTURE_125, 60, 60, false},
                                {IDR_HEADER_PICTURE_150, 72, 72, false},
                                {IDR_HEADER_PICTURE_200, 96, 96, false}};
constexpr ArtScale kFolder[] = {{IDR_FOLDER_ICON_64, 64, 64, false}};
constexpr ArtScale kStartMenu[] = {{IDR_START_MENU_ICON_64, 64, 64, false}};

ArtSet SetOf(PageArt art) {
  switch (art) {
    case PageArt::kSidePicture: return {kSide, 4};
    case PageArt::kHeaderPicture: return {kHeader, 4};
    case PageArt::kFolderIcon: return {kFolder, 1};
    default: return {kStartMenu, 1};
  }
}

// The smallest scale at least `size` in both directions, else the largest.
const ArtScale& NearestLarger(ArtSet set, SIZE size) {
  for (int i = 0; i < set.count; ++i) {
    if (set.scales[i].width >= size.cx && set.scales[i].height >= size.cy) return set.scales[i];
  }
  return set.scales[set.count - 1];
}

// A top-down 32-bit DIB section; `bits` receives its pixels.
HBITMAP CreateArgbSection(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A bitmap file of 8 bits (palette) or 32 bits (with alpha) per pixel.
bool DecodeBitmapFile(const uint8_t* file, size_t size, Pixels& out) {
  if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return false;
  BITMAPFILEHEADER head;
  BITMAPINFOHEADER info;
  memcpy(&head, file, sizeof(head));
  memcpy(&info, file + sizeof(head), sizeof(info));
  const int width = info.biWidth;
  const int height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
  const int depth = info.biBitCount;
  if (width <= 0 || height <= 0 || (depth != 8 && depth != 32)) return false;
  const size_t stride = (static_cast<size_t>(width) * depth / 8 + 3) & ~size_t(3);
  if (head.bfOffBits > size || size - head.bfOffBits < stride * height) return false;
  const uint8_t* palette = file + sizeof(head) + info.biSize;
  const size_t colours = info.biClrUsed ? info.biClrUsed : 256;
  if (depth == 8 && palette + colours * 4 > file + head.bfOffBits) return false;
  out.width = width;
  out.height = height;
  out.argb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = file + head.bfOffBits + stride * (info.biHeight > 0 ? height - 1 - y : y);
    uint32_t* target = &out.argb[static_cast<size_t>(y) * width];
    for (int x = 0; x < width; ++x) {
      uint32_t pixel;
      if (depth == 32) {
        memcpy(&pixel, row + x * 4, 4);
      } else {
        const size_t index = row[x] < colours ? row[x] : 0;
        memcpy(&pixel, palette + index * 4, 4);
        pixel |= 0xFF000000u;
      }
      target[x] = pixel;
    }
  }
  return true;
}

// The larger scales are zlib streams of bitmap files (RCDATA).
bool LoadArtStream(WORD id, Pixels& out) {
  HINSTANCE module = AfxGetResourceHandle();
  HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  // The art is a few hundred KB at the most: gathered in a vector.
  std::vector<uint8_t> content;
  if (!InflateWhole(static_cast<const uint8_t*>(data), ::SizeofResource(module, resource), &content)) return false;
  return DecodeBitmapFile(content.data(), content.size(), out);
}

// Completes a symmetric picture from its left half.
Pixels Mirrored(const Pixels& half, int width) {
  Pixels whole;
  whole.width = width;
  whole.height = half.height;
  whole.argb.resize(static_cast<size_t>(width) * half.height);
  for (int y = 0; y < half.height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int source = x < half.width ? x : width - 1 - x;
      whole.argb[static_cast<size_t>(y) * width + x] =
          half.argb[static_cast<size_t>(y) * half.width + (source < half.width ? source : half.width - 1)];
    }
  }
  return whole;
}

bool LoadArt(const ArtScale& scale, Pixels& out) {
  if (!LoadArtStream(scale.id, out)) return false;
  if (scale.mirrored) out = Mirrored(out, scale.width);
  return true;
}

// One direction of an area-averaging resampling: every target pixel is the
// mean of the source pixels it covers, weighted by how much of each it
// covers (fixed point, 1/256 of a source pixel). Works on premultiplied
// channels so that transparent pixels lend no colour.
void Resample(const uint32_t* source, int sourceCount, int sourceStep, uint32_t* target, int targetCount,
              int targetStep) {
  // 32 bits suffice: a picture is at most a few thousand pixels long.
  const uint32_t span = static_cast<uint32_t>(sourceCount) * 256;
  for (int t = 0; t < targetCount; ++t) {
    const uint32_t begin = span * t / targetCount;
    const uint32_t end = span * (t + 1) / targetCount;
    uint32_t sum[4] = {};
    for (uint32_t at = begin; at < end;) {
      const uint32_t index = at / 256;
      const uint32_t next = (index + 1) * 256 < end ? (index + 1) * 256 : end;
      const uint32_t pixel = source[index * sourceStep];
      for (int c = 0; c < 4; ++c) sum[c] += ((pixel >> (8 * c)) & 0xFF) * (next - at);
      at = next;
    }
    const uint32_t total = end - begin;
    uint32_t mean = 0;
    for (int c = 0; c < 4; ++c) mean |= ((sum[c] + total / 2) / total) << (8 * c);
    target[t * targetStep] = mean;
  }
}

void Premultiply(Pixels& pixels, bool undo) {
  for (uint32_t& pixel : pixels.argb) {
    const uint32_t alpha = pixel >> 24;
    if (alpha == 255 || (undo && alpha == 0)) continue;
    uint32_t result = pixel & 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
      const uint32_t channel = (pixel >> (8 * c)) & 0xFF;
      const uint32_t value = undo ? (channel * 255 + alpha / 2) / alpha : (channel * alpha + 127) / 255;
      result |= (value > 255 ? 255 : value) << (8 * c);
    }
    pixel = result;
  }
}

Pixels Resized(Pixels source, SIZE size) {
  if (source.width == size.cx && source.height == size.cy) return source;
  Premultiply(source, false);
  Pixels wide;
  wide.width = size.cx;
  wide.height = source.height;
  wide.argb.resize(static_cast<size_t>(size.cx) * source.height);
  for (int y = 0; y < source.height; ++y) {
    Resample(&source.argb[static_cast<size_t>(y) * source.width], source.width, 1,
             &wide.argb[static_cast<size_t>(y) * size.cx], size.cx, 1);
  }
  Pixels result;
  result.width = size.cx;
  result.height = size.cy;
  result.argb.resize(static_cast<size_t>(size.cx) * size.cy);
  for (int x = 0; x < size.cx; ++x) Resample(&wide.argb[x], source.height, size.cx, &result.argb[x], size.cy, size.cx);
  Premultiply(result, true);
  return result;
}

bool PixelsFor(const ArtScale& scale, SIZE size, Pixels& out) {
  Pixels source;
  if (!LoadArt(scale, source)) return false;
  out = Resized(std::move(source), size);
  return true;
}

HBITMAP SectionOf(const Pixels& pixels) {
  void* bits = nullptr;
  HBITMAP bitmap = CreateArgbSection(pixels.width, pixels.height, &bits);
  if (bitmap) memcpy(bits, pixels.argb.data(), pixels.argb.size() * sizeof(uint32_t));
  return bitmap;
}

}  // namespace

SIZE ArtSizeAt96(PageArt art) {
  switch (art) {
    case PageArt::kSidePicture: return {160, 280};
    case PageArt::kHeaderPicture: return {48, 48};
    default: return {32, 32};
  }
}

unique_hgdiobj ArtBitmap(PageArt art, SIZE size) {
  if (size.cx <= 0 || size.cy <= 0) return unique_hgdiobj();
  const ArtScale& scale = NearestLarger(SetOf(art), size);
  if (scale.id < kFirstArtStream) {
    // The 100 % picture is the bitmap resource the page templates name;
    // only a scale below 100 % would have it stretched.
    return unique_hgdiobj(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(scale.id), IMAGE_BITMAP, size.cx,
                                       size.cy, LR_CREATEDIBSECTION));
  }
  Pixels pixels;
  if (!PixelsFor(scale, size, pixels)) return unique_hgdiobj();
  return unique_hgdiobj(SectionOf(pixels));
}

unique_hicon ArtIcon(PageArt art, int size) {
  Pixels pixels;
  if (size <= 0 || !PixelsFor(NearestLarger(SetOf(art), {size, size}), {size, size}, pixels)) return unique_hicon();
  unique_hgdiobj colour(SectionOf(pixels));
  // The alpha channel masks; the mask bitmap only has to exist, cleared.
  const std::vector<uint8_t> clear(static_cast<size_t>((size + 15) / 16 * 2) * size, 0);
  unique_hgdiobj mask(::CreateBitmap(size, size, 1, 1, clear.data()));
  if (!colour || !mask) return unique_hicon();
  ICONINFO info = {TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(colour.get())};
  return unique_hicon(::CreateIconIndirect(&info));
}
