#pragma once
// Whether a Windows executable already carries an Authenticode signature.

#include <cstdint>
#include <vector>

// True when image is a PE file (32- or 64-bit) whose certificate table, the
// data directory where Authenticode signatures live, is present. Bytes
// appended after a signed file would fall outside what the signature covers
// and break it. Anything that is not a well-formed PE header is unsigned.
bool CarriesSignature(const std::vector<uint8_t>& image);
