#pragma once
// Removal of the product's document type.

#include "demo/uninstall/removal.h"

// Removes the ".tms" association while it still names the product's ProgID
// (the key itself only when nothing else lives in it), then the ProgID key
// with its subkeys. Failures are noted.
void RemoveDocumentType(Removal& removal);
