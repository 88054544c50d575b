#include "package/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/host/package_samples.h"

namespace {

std::string DigestOf(const std::string& text) {
  uint8_t digest[kMd5DigestSize];
  Md5Digest(text.data(), text.size(), digest);
  return Md5Hex(digest);
}

std::string DigestOf(const std::vector<uint8_t>& bytes) {
  uint8_t digest[kMd5DigestSize];
  Md5Digest(bytes.data(), bytes.size(), digest);
  return Md5Hex(digest);
}

// Feeds the bytes in pieces of growing, odd sizes.
std::string DigestInPieces(const std::vector<uint8_t>& bytes) {
  Md5Context context;
  Md5Init(&context);
  size_t at = 0;
  for (size_t piece = 1; at < bytes.size(); piece = piece * 3 % 1031 + 1) {
    size_t n = std::min(piece, bytes.size() - at);
    Md5Update(&context, bytes.data() + at, n);
    at += n;
  }
  uint8_t digest[kMd5DigestSize];
  Md5Final(&context, digest);
  return Md5Hex(digest);
}

TEST(Md5, MatchesTheTestSuiteOfRfc1321) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", DigestOf(""));
  EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", DigestOf("a"));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", DigestOf("abc"));
  EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", DigestOf("message digest"));
  EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", DigestOf("abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
            DigestOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
  EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
            DigestOf("12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
}

// Reference digests computed with coreutils md5sum over the same byte
// sequence (PseudoRandomBytes(n, 0x9E3779B9)) when this test was written.
TEST(Md5, MatchesMd5sumAroundBlockAndPaddingBoundaries) {
  const struct {
    size_t length;
    const char* digest;
  } references[] = {
      {55, "54e46d5bf9fbae6958f09689d17ed026"},  {56, "3e9f3553aaedbeb2089f4d626a5973ba"},
      {57, "20d13b1ca84665549383e8a9c2ac1cde"},  {63, "8dc6dd76808b456106e4c3e8976d564f"},
      {64, "013f7db2cc063fa89a6b056bfe1e190a"},  {65, "04786bf93a241d1f94368b51c6a65a82"},
      {119, "932ef61722524c9ea31a18465b0af514"}, {120, "aa99473ce91ffe85b26d852e0b188aa4"},
      {121, "c222b360cfbf3d61f291ff3bbd6d0abe"}, {127, "bc2a0c657174d7863ff52a86eb7f02b4"},
      {128, "1e057d5c873768e3a776e938ce054b52"}, {129, "ae884211555df1654e4f984eb83715ae"},
  };
  for (const auto& reference : references) {
    std::vector<uint8_t> bytes = PseudoRandomBytes(reference.length, 0x9E3779B9);
    EXPECT_EQ(reference.digest, DigestOf(bytes)) << reference.length << " bytes";
    EXPECT_EQ(reference.digest, DigestInPieces(bytes)) << reference.length << " bytes in pieces";
  }
}

TEST(Md5, LongRandomInputMatchesMd5sum) {
  std::vector<uint8_t> bytes = PseudoRandomBytes(1000003, 0x9E3779B9);
  EXPECT_EQ("d47ba9ac9ade3e094b5f7019b316b03c", DigestOf(bytes));
  EXPECT_EQ("d47ba9ac9ade3e094b5f7019b316b03c", DigestInPieces(bytes));
}

TEST(Md5, ByteByByteFeedingGivesTheSameDigest) {
  std::vector<uint8_t> bytes = PseudoRandomBytes(300, 7);
  Md5Context context;
  Md5Init(&context);
  for (uint8_t b : bytes) Md5Update(&context, &b, 1);
  Md5Update(&context, nullptr, 0);
  uint8_t digest[kMd5DigestSize];
  Md5Final(&context, digest);
  EXPECT_EQ(DigestOf(bytes), Md5Hex(digest));
}

}  // namespace
