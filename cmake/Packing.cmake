# Packing with the native package tool (VELMORA_SETUPPACK), the one way the
# build makes a package or a packed program:
#
#   velmora_pack(OUTPUT file FILES file... [SETUP target] [DEPENDS item...]
#                [THEN COMMAND ... [COMMAND ...]] [COMMENT text])
#
# packs FILES, in that order, into OUTPUT: a bare package, or, with SETUP, a
# copy of that target's program with the package appended. THEN runs further
# commands once it is written (signing it, copying beside it); DEPENDS names
# what those need, or targets that make FILES. Generator expressions that
# give lists are expanded in FILES.
function(velmora_pack)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;SETUP;COMMENT" "FILES;DEPENDS;THEN")
  set(setup_option)
  set(setup_depends)
  if(arg_SETUP)
    set(setup_option --setup $<TARGET_FILE:${arg_SETUP}>)
    set(setup_depends ${arg_SETUP} $<TARGET_FILE:${arg_SETUP}>)
  endif()
  if(NOT arg_COMMENT)
    get_filename_component(name ${arg_OUTPUT} NAME)
    set(arg_COMMENT "Packing ${name}")
  endif()
  add_custom_command(OUTPUT ${arg_OUTPUT}
                     COMMAND ${VELMORA_SETUPPACK} build -o ${arg_OUTPUT} ${setup_option} ${arg_FILES}
                     ${arg_THEN}
                     DEPENDS ${setup_depends} ${arg_FILES} ${arg_DEPENDS} ${VELMORA_SETUPPACK}
                     COMMENT "${arg_COMMENT}"
                     COMMAND_EXPAND_LISTS
                     VERBATIM)
endfunction()
