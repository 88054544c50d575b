# velmora_add_driver(NAME SOURCE): one kernel-mode driver, NAME.sys, built as
# a native-subsystem image for the processor of the current toolchain (x86 or
# x86-64); its target is NAME_sys. Both driver pairs of the product are built
# by this one function, so whatever a driver needs is said once.
find_path(VELMORA_DDK_INCLUDE_DIR ntddk.h PATH_SUFFIXES include/ddk ddk REQUIRED)

function(velmora_add_driver name source)
  # An image of its own, not a DLL: Windows drivers never carry the DLL flag,
  # and Wine, which runs a driver in a host process of the driver's own
  # processor, can only tell that processor from a non-DLL image.
  add_executable(${name}_sys ${source})
  target_include_directories(${name}_sys SYSTEM PRIVATE ${VELMORA_DDK_INCLUDE_DIR})
  set_target_properties(${name}_sys PROPERTIES PREFIX "" OUTPUT_NAME ${name} SUFFIX ".sys" LINKER_LANGUAGE C)
  # A driver has no C runtime and no user-mode DLLs: only the kernel's
  # exports, the native subsystem and the entry point; and the kernel loads
  # it wherever it likes, so its relocations stay (--dynamicbase).
  target_compile_options(${name}_sys PRIVATE -Wall -Wextra -fno-stack-protector -fno-builtin)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # x86-64 has one calling convention: the entry point's name is undecorated.
    set(entry_and_base -Wl,-e,DriverEntry)
  else()
    set(entry_and_base -Wl,-e,_DriverEntry@8 -Wl,--image-base,0x10000)
  endif()
  target_link_options(${name}_sys PRIVATE -nostdlib -nostartfiles -Wl,--subsystem,native -Wl,--dynamicbase
                      ${entry_and_base})
  target_link_libraries(${name}_sys PRIVATE ntoskrnl)
endfunction()
