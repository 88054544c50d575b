# What users receive is built small and the same every time.
#
#   velmora_shipped_programs(TARGET...)
#     C++ programs we ship (the setup and the product's executables): no
#     debugging information or symbols, no link time stamp, optimised across
#     files at link time (every object of the Windows build carries the
#     intermediate code for it), unreferenced sections dropped, and the lean
#     runtime objects instead of the runtime's terminate handler, throw
#     helpers and POSIX thread library; the link fails when anything still
#     reaches one of those (cmake/check_runtime_parts.cmake reads the link
#     map, left in the calling folder's build folder).
#     A runtime library object is linked whole once anything in it is used,
#     so what keeps these programs small is not calling into heavy parts of
#     the runtime (snprintf's C99 formatter, iostreams, locales, the uuid
#     library's single object of every id).
#     They are large-address-aware: a 32-bit program gets the whole 4 GB of
#     address space on 64-bit Windows. Nothing in them keeps a pointer in a
#     signed number or compares pointers as signed numbers.
#   velmora_shipped_drivers(TARGET...)
#     kernel drivers we ship: the same without the C++ runtime part.
#
# A file built outside CMake's targets (another compiler's custom command)
# needs the same link flags: ${VELMORA_SHIPPED_LINK_FLAGS}.
set(VELMORA_SHIPPED_LINK_FLAGS -s -Wl,--no-insert-timestamp -Wl,--gc-sections)
set(VELMORA_RUNTIME_PARTS_CHECK ${CMAKE_CURRENT_LIST_DIR}/check_runtime_parts.cmake)

function(velmora_shipped_drivers)
  foreach(target ${ARGN})
    target_link_options(${target} PRIVATE ${VELMORA_SHIPPED_LINK_FLAGS})
  endforeach()
endfunction()

function(velmora_shipped_programs)
  foreach(target ${ARGN})
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    target_link_options(${target} PRIVATE ${VELMORA_SHIPPED_LINK_FLAGS} -Wl,--large-address-aware -flto
                        -flto-partition=one -Wl,-Map,${map})
    target_link_libraries(${target} PRIVATE velmora_lean_runtime)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DMAP=${map} -DPROGRAM=${target} -P ${VELMORA_RUNTIME_PARTS_CHECK}
      VERBATIM)
  endforeach()
endfunction()
