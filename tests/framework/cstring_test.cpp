// The framework's 8-bit string: formatting, loading, concatenation, slicing.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/cstring.h"

TEST(CStringFormat, ErrorNumbersAreEightHexDigits) {
  CString text;
  text.Format("System Error = 0x%.8x", 5u);
  EXPECT_STREQ(text, "System Error = 0x00000005");
  EXPECT_EQ(text.GetLength(), 25);
}

TEST(CStringFormat, LongTextIsNeverCut) {
  std::string folder(3000, 'x');
  CString text;
  text.Format("[%s]", folder.c_str());
  EXPECT_EQ(text.GetLength(), 3002);
  EXPECT_EQ(text.str(), "[" + folder + "]");
}

TEST(CStringFormat, FormatReplacesThePreviousText) {
  CString text = "old text that is longer";
  text.Format("%d", 7);
  EXPECT_STREQ(text, "7");
}

TEST(CStringLoad, LoadsTextByIdAndReportsMissingIds) {
  CString text = "previous";
  EXPECT_TRUE(text.LoadString(3));
  EXPECT_STREQ(text, "Are you sure you want to cancel %s installation?");
  EXPECT_FALSE(text.LoadString(56));
  EXPECT_TRUE(text.IsEmpty());
}

TEST(CStringLoad, LongestTextLoadsCompletely) {
  CString text;
  ASSERT_TRUE(text.LoadString(52));
  EXPECT_GT(text.GetLength(), 256);
  EXPECT_EQ(text.Right(31), CString("and try the installation again!"));
}

TEST(CStringBuild, ConcatenationBuildsAPath) {
  CString folder = "C:\\Program Files";
  CString path = folder + "\\" + "Velmora";
  path += '\\';
  path += CString("velmora.exe");
  EXPECT_STREQ(path, "C:\\Program Files\\Velmora\\velmora.exe");
  EXPECT_EQ(CString("\r\n") + CString(' ', 6), CString("\r\n      "));
}

TEST(CStringBuild, ComparisonIsByteExact) {
  EXPECT_TRUE(CString("Velmora") == "Velmora");
  EXPECT_TRUE(CString("Velmora") != "velmora");
  EXPECT_EQ(CString("Velmora").CompareNoCase("VELMORA"), 0);
  EXPECT_LT(CString("A").Compare("B"), 0);
  EXPECT_TRUE(CString("a") < CString("b"));
  EXPECT_TRUE(CString() == "");
}

TEST(CStringSlice, LastFolderNameOfAPath) {
  CString path = "C:\\ProgramData\\Start Menu\\Programs\\Accessories";
  int slash = path.ReverseFind('\\');
  ASSERT_GE(slash, 0);
  EXPECT_STREQ(path.Mid(slash + 1), "Accessories");
  EXPECT_STREQ(path.Left(2), "C:");
  EXPECT_EQ(path.Find('\\'), 2);
  EXPECT_EQ(path.Find("Programs"), 26);
  EXPECT_EQ(path.Find('#'), -1);
  EXPECT_STREQ(path.Mid(3, 11), "ProgramData");
  EXPECT_STREQ(path.Mid(100), "");
  EXPECT_STREQ(path.Right(200), path);
}

TEST(CStringBuffer, SystemCallsFillTheBufferDirectly) {
  CString directory;
  char* buffer = directory.GetBuffer(MAX_PATH);
  UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  directory.ReleaseBuffer();
  ASSERT_GT(length, 0u);
  EXPECT_EQ(directory.GetLength(), static_cast<int>(length));
  EXPECT_EQ(GetFileAttributesA(directory) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(CStringBuffer, NullTextIsEmpty) {
  CString text(static_cast<const char*>(nullptr));
  EXPECT_TRUE(text.IsEmpty());
  text = static_cast<const char*>(nullptr);
  EXPECT_STREQ(text.c_str(), "");
}
