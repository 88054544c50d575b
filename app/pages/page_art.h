#pragma once
// The wizard's pictures and folder icons drawn for a size in pixels: from
// the art made for the nearest larger display scale (100, 125, 150 or
// 200 %), filtered down when the size lies between two scales.

#include <windows.h>

#include "base/handles.h"

enum class PageArt {
  kSidePicture,     // bitmap 135 and its larger scales
  kHeaderPicture,   // bitmap 139 and its larger scales
  kFolderIcon,      // icon 142's art
  kStartMenuIcon,   // icon 143's art
};

// The size of `art` at 100 % (160 x 280, 48 x 48, 32 x 32).
SIZE ArtSizeAt96(PageArt art);
// A bitmap of `art` of exactly `size` pixels; empty when the art cannot be
// loaded.
unique_hgdiobj ArtBitmap(PageArt art, SIZE size);
// An icon of `art`, `size` pixels square, with its alpha channel; empty
// when the art cannot be loaded.
unique_hicon ArtIcon(PageArt art, int size);
