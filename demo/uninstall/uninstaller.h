#pragma once
// The product's removal: everything the setup installs, nothing else.

#include <string>
#include <vector>

#include "demo/uninstall/installed_product.h"
#include "demo/uninstall/removal.h"

// Stops and deletes the driver services, deletes the shortcuts, program
// files, driver files, document type and registration, and removes the
// folders this emptied. What is in use is left to Windows for the restart.
// COM must be initialised on the calling thread.
void UninstallProduct(const InstalledProduct& product, Removal& removal);

// The full paths of the program files the setup installs into `programFolder`.
std::vector<std::string> ProgramFilePaths(const std::string& programFolder);
