#pragma once
// The license text handed to the rich edit control in the pieces the
// control asks for (EM_STREAMIN).

#include <windows.h>
#include <richedit.h>

#include <cstdint>

// What the control reads: the content (null until a license was found), its
// size and the read position.
struct LicenseStream {
  const uint8_t* content = nullptr;
  LONG size = 0;
  LONG position = 0;
};

// The EDITSTREAM callback; `cookie` is the LicenseStream. Copies up to
// `requested` bytes from the read position, advances it and reports the
// count (0 at the end) with result 0; without content returns 87
// (ERROR_INVALID_PARAMETER) and the control stops reading.
DWORD CALLBACK LicenseStreamIn(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* transferred);
