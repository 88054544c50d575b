# Fails when PROGRAM imports zlib1.dll (the import library was linked instead
# of the static archive). Run with -DOBJDUMP=... -DPROGRAM=...
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE imports RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()
string(TOLOWER "${imports}" imports)
if(imports MATCHES "dll name: zlib")
  message(FATAL_ERROR "${PROGRAM} imports zlib1.dll")
endif()
if(NOT imports MATCHES "dll name: kernel32.dll")
  message(FATAL_ERROR "no import table found in ${PROGRAM}")
endif()
message(STATUS "${PROGRAM}: zlib linked statically")
