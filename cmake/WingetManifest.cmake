# Writes the package-manager manifest of the finished setup: the version,
# default locale and installer files of the public manifest schema 1.10.0,
# into OUT_DIR. Run in script mode by the build after the setup is packed:
#   cmake -DSETUP=velmora-setup.exe -DOUT_DIR=dir -DSOURCE_DIR=src -P WingetManifest.cmake
# The names, the version and the product code come from the sources that
# the setup itself is built from, the digest from the setup file.
foreach(required SETUP OUT_DIR SOURCE_DIR)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "WingetManifest.cmake needs -D${required}=...")
  endif()
endforeach()

# A string constant of base/product.h, or a definition of demo/version.h.
function(read_constant file pattern out)
  file(STRINGS ${file} lines REGEX "${pattern}")
  if(NOT lines MATCHES "\"([^\"]*)\"")
    message(FATAL_ERROR "no ${pattern} in ${file}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
read_constant(${SOURCE_DIR}/base/product.h "kName = " name)
read_constant(${SOURCE_DIR}/base/product.h "kUninstallKeyName = " product_code)
read_constant(${SOURCE_DIR}/base/product.h "kDocumentExtension = " extension)
read_constant(${SOURCE_DIR}/base/product.h "kWebPageUrl = " web_page)
read_constant(${SOURCE_DIR}/base/product.h "kVersionText = " display_version)
read_constant(${SOURCE_DIR}/base/product.h "kPublisher = " display_publisher)
string(REGEX REPLACE "^Version " "" display_version "${display_version}")
read_constant(${SOURCE_DIR}/demo/version.h "VELMORA_VERSION_TEXT" version)
read_constant(${SOURCE_DIR}/demo/version.h "VELMORA_COMPANY" publisher)
read_constant(${SOURCE_DIR}/demo/version.h "VELMORA_COPYRIGHT" copyright)
string(REGEX REPLACE "^\\." "" extension "${extension}")
string(REPLACE " " "" publisher_id "${publisher}")
string(REGEX REPLACE "^http:" "https:" web_page "${web_page}")
string(REGEX REPLACE "/[^/]*$" "" web_site "${web_page}")

# The exit codes the setup has, each with the response its line names.
file(STRINGS ${SOURCE_DIR}/app/exit_codes.h code_lines REGEX "constexpr int k[A-Za-z]+ = [0-9]+;.*manifest: ")
set(return_codes "")
foreach(line ${code_lines})
  string(REGEX MATCH "= ([0-9]+);.*manifest: ([A-Za-z]+)" matched "${line}")
  string(APPEND return_codes "  - InstallerReturnCode: ${CMAKE_MATCH_1}\n    ReturnResponse: ${CMAKE_MATCH_2}\n")
endforeach()

file(SHA256 ${SETUP} digest)
string(TOUPPER "${digest}" digest)
get_filename_component(setup_name ${SETUP} NAME)

set(id "${publisher_id}.${name}")
set(schema "1.10.0")
set(header "# Written by the build from the setup it describes; do not edit.")

file(MAKE_DIRECTORY ${OUT_DIR})
file(WRITE ${OUT_DIR}/${id}.yaml "${header}
# yaml-language-server: $schema=https://aka.ms/winget-manifest.version.${schema}.schema.json
PackageIdentifier: ${id}
PackageVersion: \"${version}\"
DefaultLocale: en-US
ManifestType: version
ManifestVersion: ${schema}
")

file(WRITE ${OUT_DIR}/${id}.locale.en-US.yaml "${header}
# yaml-language-server: $schema=https://aka.ms/winget-manifest.defaultLocale.${schema}.schema.json
PackageIdentifier: ${id}
PackageVersion: \"${version}\"
PackageLocale: en-US
Publisher: ${publisher}
PublisherUrl: ${web_site}/
PackageName: ${name}
PackageUrl: ${web_page}
License: Proprietary
Copyright: ${copyright}
ShortDescription: ${name} desktop product with its control and monitor drivers.
Moniker: ${name}
ManifestType: defaultLocale
ManifestVersion: ${schema}
")

file(WRITE ${OUT_DIR}/${id}.installer.yaml "${header}
# yaml-language-server: $schema=https://aka.ms/winget-manifest.installer.${schema}.schema.json
PackageIdentifier: ${id}
PackageVersion: \"${version}\"
InstallerType: exe
Scope: machine
UpgradeBehavior: install
ElevationRequirement: elevatesSelf
InstallModes:
  - interactive
  - silent
  - silentWithProgress
InstallerSwitches:
  Silent: /quiet
  SilentWithProgress: /passive
  InstallLocation: /dir=\"<INSTALLPATH>\"
  Log: /log=\"<LOGPATH>\"
ExpectedReturnCodes:
${return_codes}ProductCode: \"${product_code}\"
FileExtensions:
  - ${extension}
AppsAndFeaturesEntries:
  - DisplayName: ${name}
    Publisher: ${display_publisher}
    DisplayVersion: \"${display_version}\"
    ProductCode: \"${product_code}\"
Installers:
  - Architecture: x86
    InstallerUrl: ${web_site}/download/${setup_name}
    InstallerSha256: ${digest}
ManifestType: installer
ManifestVersion: ${schema}
")
