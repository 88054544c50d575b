# Windows-side tests run under Wine in a throwaway 32-bit prefix inside the
# build tree. One prefix with one persistent wineserver serves every test that
# uses the shared prefix; tests that need a clean machine make their own copy
# of the pristine prefix (tests/wine/prefix.sh fresh).

set(VELMORA_WINE_DIR      ${CMAKE_BINARY_DIR}/wine)
set(VELMORA_WINE_PRISTINE ${VELMORA_WINE_DIR}/pristine)
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

# velmora_add_scenario_test(NAME <name> COMMAND <cmd...> [TIMEOUT s])
# A host-side script that makes its own prefixes from the pristine one
# (VELMORA_WINE_PRISTINE) and stops their servers itself.
function(velmora_add_scenario_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "VELMORA_WINE_PRISTINE=${VELMORA_WINE_PRISTINE};VELMORA_PREFIX_TOOL=${VELMORA_PREFIX_TOOL};VELMORA_BUILD_DIR=${CMAKE_BINARY_DIR};VELMORA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
