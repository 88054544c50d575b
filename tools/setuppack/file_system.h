#pragma once
// The few file operations setuppack needs, on Linux and Windows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class ReadResult {
  kOk,
  kFailed,    // missing, not a regular file, or unreadable; error says why
  kTooLarge,  // larger than the limit; nothing was read
};

// Reads a whole regular file when it holds at most limit bytes.
ReadResult ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>* data, std::string* error);

// Writes path as a new file of size bytes: written under a fresh
// temporary name in the same folder and renamed over path at the end, so
// that a failure leaves nothing behind and an existing link at path is
// replaced, never followed. executable makes it runnable on Linux.
bool WriteFileReplacing(const std::string& path, const uint8_t* data, size_t size, bool executable, std::string* error);

// Creates the folder and any missing parents; an existing folder is fine.
bool MakeDirectories(const std::string& path, std::string* error);

// The last component of a path ("" for a path ending in a separator).
std::string BaseName(const std::string& path);

// folder + separator + name.
std::string JoinPath(const std::string& folder, const std::string& name);
