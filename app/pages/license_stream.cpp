#include "app/pages/license_stream.h"

#include <cstring>

DWORD CALLBACK LicenseStreamIn(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* transferred) {
  LicenseStream* stream = reinterpret_cast<LicenseStream*>(cookie);
  if (!stream || !stream->content) return ERROR_INVALID_PARAMETER;
  LONG remaining = stream->size - stream->position;
  if (remaining < 0) remaining = 0;
  const LONG count = requested < remaining ? requested : remaining;
  if (count > 0) std::memcpy(buffer, stream->content + stream->position, static_cast<size_t>(count));
  stream->position += count > 0 ? count : 0;
  *transferred = count > 0 ? count : 0;
  return 0;
}
