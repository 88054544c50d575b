#pragma once
// The product's fixed names, shared by the engine, the wizard and the tests.
// The scripts read some of them from here too (tools/product_facts.sh,
// tests/sequences/product_facts.py): keep each a one-line string literal.

#include <string>

namespace product {
constexpr const char* kName = "Velmora";
constexpr const char* kVersionText = "Version 1.7";
// The version number alone, for the uninstall registration and the
// comparison with an installed version: the tail of the text above.
constexpr const char* kVersion = kVersionText + sizeof("Version ") - 1;
constexpr const char* kPublisher = "Brenthaven Software";
constexpr const char* kControlDriverFile = "velctl.sys";
constexpr const char* kMonitorDriverFile = "velmon.sys";
// The drivers for 64-bit Windows travel in the package under names of their
// own and are installed under the two names above.
constexpr const char* kControlDriver64Entry = "velctl64.sys";
constexpr const char* kMonitorDriver64Entry = "velmon64.sys";
constexpr const char* kProgramFile = "velmora.exe";
constexpr const char* kStubFilePrefix = "velmorastub";
constexpr const char* kStubFileSuffix = "32.exe";
constexpr const char* kUninstallerFile = "uninstall.exe";
constexpr const char* kHelpFile = "velmora.chm";
constexpr const char* kLicenseTextFile = "license.txt";
constexpr const char* kLicenseRtfFile = "license.rtf";
constexpr const char* kReadmeFile = "readme.txt";
// The uninstall registration: the product code names its key under the
// root every product registers in, below HKEY_LOCAL_MACHINE.
constexpr const char* kUninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kUninstallKeyName = "{3F0C2D71-9B4E-4A86-8D15-6E2B7C40A9D3}";
constexpr const char* kDocumentExtension = ".tms";
constexpr const char* kProgId = "Brenthaven.Velmora";
constexpr const char* kOpenArgument = "-open \"%1\"";
constexpr int kDocumentIconIndex = 44;
constexpr const char* kWebPageUrl = "http://www.brenthaven-software.com/velmora.html";
constexpr const char* kQuickStartUrl = "http://www.brenthaven-software.com/velmora-usage.html";
constexpr const char* kLogFileName = "velmora-install.log";

// The uninstall key's path below HKEY_LOCAL_MACHINE.
inline std::string UninstallKeyPath() { return std::string(kUninstallRoot) + kUninstallKeyName; }
}  // namespace product
