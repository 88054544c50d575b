// Artwork, version resource and manifest of the setup executable.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/handles.h"
#include "res/resource.h"

namespace {

SIZE BitmapSize(int id) {
  unique_hgdiobj bitmap(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
  BITMAP info = {};
  if (bitmap) GetObjectA(bitmap.get(), sizeof(info), &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

std::string ResourceText(LPCSTR name, LPCSTR type) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, name, type);
  if (!found) return std::string();
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return std::string(data, SizeofResource(module, found));
}

std::string VersionValue(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  std::string path = std::string("\\StringFileInfo\\040904e4\\") + name;
  if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
    return "<missing>";
  return std::string(value);
}

}  // namespace

TEST(SetupArtwork, SidePictureIsOneHundredSixtyByTwoHundredEighty) {
  SIZE size = BitmapSize(IDB_SIDE_PICTURE);
  EXPECT_EQ(size.cx, 160);
  EXPECT_EQ(size.cy, 280);
}

TEST(SetupArtwork, HeaderPictureIsFortyEightSquare) {
  SIZE size = BitmapSize(IDB_HEADER_PICTURE);
  EXPECT_EQ(size.cx, 48);
  EXPECT_EQ(size.cy, 48);
}

TEST(SetupArtwork, IconsLoadAtStandardSizes) {
  for (int id : {IDI_SETUP, IDI_DESTINATION_FOLDER, IDI_START_MENU_FOLDER}) {
    for (int size : {16, 32, 48}) {
      HICON icon = static_cast<HICON>(
          LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr) << "icon " << id << " at " << size;
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP mask = {};
      GetObjectA(info.hbmMask, sizeof(mask), &mask);
      EXPECT_EQ(mask.bmWidth, size) << "icon " << id;
      if (info.hbmColor) DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST(SetupManifest, RequiresAdministratorWithoutUiAccess) {
  std::string manifest = ResourceText(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
            std::string::npos)
      << manifest;
}

TEST(SetupVersion, NamesTheProductAndVersion) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
  EXPECT_EQ(VersionValue(block, "ProductName"), "Velmora");
  EXPECT_EQ(VersionValue(block, "ProductVersion"), "1.7");
  EXPECT_EQ(VersionValue(block, "FileVersion"), "1.7");
  EXPECT_EQ(VersionValue(block, "FileDescription"), "Velmora Setup");

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(7, 1));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(7, 1));
}
