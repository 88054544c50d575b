# What users receive is built small and the same every time.
#
#   velmora_shipped_programs(TARGET...)
#     C++ programs we ship (the setup and the product's executables): no
#     debugging information or symbols, no link time stamp, unreferenced
#     sections dropped (every object is compiled with -ffunction-sections
#     -fdata-sections in the Windows build; the unwinding tables keep most
#     C++ functions alive, so this saves a few KB, not more), and the lean
#     terminate handler instead of the runtime's verbose one.
#     A runtime library object is linked whole once anything in it is used,
#     so what keeps these programs small is not calling into heavy parts of
#     the runtime (snprintf's C99 formatter, iostreams, locales, the uuid
#     library's single object of every id).
#   velmora_shipped_drivers(TARGET...)
#     kernel drivers we ship: the same without the C++ runtime part.
#
# A file built outside CMake's targets (another compiler's custom command)
# needs the same link flags: ${VELMORA_SHIPPED_LINK_FLAGS}.
set(VELMORA_SHIPPED_LINK_FLAGS -s -Wl,--no-insert-timestamp -Wl,--gc-sections)

function(velmora_shipped_drivers)
  foreach(target ${ARGN})
    target_link_options(${target} PRIVATE ${VELMORA_SHIPPED_LINK_FLAGS})
  endforeach()
endfunction()

function(velmora_shipped_programs)
  foreach(target ${ARGN})
    target_link_options(${target} PRIVATE ${VELMORA_SHIPPED_LINK_FLAGS})
    target_link_libraries(${target} PRIVATE velmora_lean_terminate)
  endforeach()
endfunction()
