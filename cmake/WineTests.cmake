# Windows-side tests run under Wine in a throwaway 32-bit prefix inside the
# build tree. One prefix with one persistent wineserver serves every test that
# uses the shared prefix; tests that need a clean machine make their own copy
# of the pristine prefix (tests/wine/prefix.sh fresh). The scenario tests run
# a second time on 64-bit Windows: in copies of a pristine 64-bit prefix,
# made beside the 32-bit one.

set(VELMORA_WINE_DIR      ${CMAKE_BINARY_DIR}/wine)
set(VELMORA_WINE_PRISTINE ${VELMORA_WINE_DIR}/pristine)
set(VELMORA_WINE_PRISTINE64 ${VELMORA_WINE_DIR}/pristine64)
set(VELMORA_WINE_PREFIX   ${VELMORA_WINE_DIR}/prefix)
set(VELMORA_PREFIX_TOOL   ${CMAKE_SOURCE_DIR}/tests/wine/prefix.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_SOURCE_DIR}/tests/wine/run.sh ${VELMORA_WINE_PREFIX})

add_test(NAME wine.prefix.setup
         COMMAND ${VELMORA_PREFIX_TOOL} setup ${VELMORA_WINE_PRISTINE} ${VELMORA_WINE_PREFIX})
set_tests_properties(wine.prefix.setup PROPERTIES FIXTURES_SETUP wine_prefix)
add_test(NAME wine.prefix.cleanup
         COMMAND ${VELMORA_PREFIX_TOOL} stop ${VELMORA_WINE_PREFIX})
set_tests_properties(wine.prefix.cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix)
# The 64-bit prefix is only copied, never run in itself: no server to stop.
add_test(NAME wine.prefix64.setup
         COMMAND ${VELMORA_PREFIX_TOOL} pristine ${VELMORA_WINE_PRISTINE64} win64)
set_tests_properties(wine.prefix64.setup PROPERTIES FIXTURES_SETUP wine_prefix64 TIMEOUT 600)
# The copies share Wine's program images with the pristine prefixes as hard
# links: once every test is done, neither may have changed.
add_test(NAME wine.pristine.untouched COMMAND ${VELMORA_PREFIX_TOOL} untouched ${VELMORA_WINE_PRISTINE})
set_tests_properties(wine.pristine.untouched PROPERTIES FIXTURES_CLEANUP wine_prefix)
add_test(NAME wine.pristine64.untouched COMMAND ${VELMORA_PREFIX_TOOL} untouched ${VELMORA_WINE_PRISTINE64})
set_tests_properties(wine.pristine64.untouched PROPERTIES FIXTURES_CLEANUP wine_prefix64)

# velmora_add_wine_test(NAME <name> TARGET <exe target> [ARGS ...] [TIMEOUT s])
# A test binary run in the shared prefix. Tests in the shared prefix change the
# same machine (files, registry, services), so they run one at a time.
function(velmora_add_wine_test)
  cmake_parse_arguments(T "" "NAME;TARGET;TIMEOUT" "ARGS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_TARGET} ${T_ARGS})
  set_tests_properties(${T_NAME} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    RESOURCE_LOCK wine_shared_prefix
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "VELMORA_WINE_PRISTINE=${VELMORA_WINE_PRISTINE};VELMORA_PREFIX_TOOL=${VELMORA_PREFIX_TOOL}")
endfunction()

# velmora_add_scenario_test(NAME <name> COMMAND <cmd...> [TIMEOUT s] [WIN64])
# A host-side script that makes its own prefixes from the pristine one
# (VELMORA_WINE_PRISTINE) in its own folder (VELMORA_WINE_SCENARIOS) and stops
# their servers itself. WIN64 registers it a second time, as <name>.win64,
# on the 64-bit prefix; VELMORA_WINE_ARCH tells the script which it runs on.
function(velmora_add_scenario_test)
  cmake_parse_arguments(T "WIN64" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set(common "VELMORA_PREFIX_TOOL=${VELMORA_PREFIX_TOOL};VELMORA_BUILD_DIR=${CMAKE_BINARY_DIR};VELMORA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "VELMORA_WINE_ARCH=win32;VELMORA_WINE_PRISTINE=${VELMORA_WINE_PRISTINE};VELMORA_WINE_SCENARIOS=${VELMORA_WINE_DIR}/scenarios;${common}")
  if(T_WIN64)
    add_test(NAME ${T_NAME}.win64 COMMAND ${T_COMMAND})
    set_tests_properties(${T_NAME}.win64 PROPERTIES
      FIXTURES_REQUIRED wine_prefix64
      TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "VELMORA_WINE_ARCH=win64;VELMORA_WINE_PRISTINE=${VELMORA_WINE_PRISTINE64};VELMORA_WINE_SCENARIOS=${VELMORA_WINE_DIR}/scenarios64;${common}")
  endif()
endfunction()
