// Loads "Riched32.dll" by its bare name, the way the setup must not: the
// control case of the planted-library test.

#include <windows.h>

int main() {
  HMODULE library = LoadLibraryA("Riched32.dll");
  if (library) FreeLibrary(library);
  return 0;
}
