#pragma once
// Sample contents, executables and packages for the package tests, built
// with the package writer; portable, shared by the host and Windows tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/package_writer.h"

// n bytes of a fixed xorshift32 sequence (the byte is the state's top byte).
std::vector<uint8_t> PseudoRandomBytes(size_t n, uint32_t seed);

// The bytes of a text.
std::vector<uint8_t> Bytes(const std::string& text);

// Text-like content that compresses well: numbered lines.
std::vector<uint8_t> NumberedLines(size_t lines);

// A stand-in for the setup executable: an "MZ" image holding the magic text
// followed by a zero, as the reader's search pattern sits in the real one.
std::vector<uint8_t> FakeExecutable(size_t size);

// The package of items with key 0x5a.
std::vector<uint8_t> Package(const std::vector<PackageItem>& items);

// The three-entry package most tests start from: "license.rtf", "readme.txt"
// and "velmora.exe" with the contents below.
std::vector<PackageItem> SampleItems();
std::vector<uint8_t> SampleContent(const std::string& name);

// image = executable + package; the header offset is executable.size().
std::vector<uint8_t> Concatenate(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Recomputes the area digest of the package whose header is at offset, after
// a test changed its area on purpose.
void FixAreaDigest(std::vector<uint8_t>& image, size_t headerOffset);

// Overwrites a little-endian 32-bit field.
void PutLe32(std::vector<uint8_t>& image, size_t offset, uint32_t value);
