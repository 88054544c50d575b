# Each library makes only its own headers includable, under the folder name
# its users write ("engine/install_engine.h"). The source root is exported by
# none: a folder of the build holds a link to the library's source folder,
# and only that folder is on the include path of the library and of what
# links it. A file that includes a header of a library it does not link
# fails to compile instead of finding the header through a shared root.
#
#   velmora_public_headers(target folder [PUBLIC|PRIVATE|INTERFACE])
#
# folder is relative to the source root (e.g. "tools/setuppack"); PUBLIC
# unless told.
function(velmora_public_headers target folder)
  set(scope PUBLIC)
  if(ARGC GREATER 2)
    set(scope ${ARGV2})
  endif()
  string(REPLACE "/" "_" root_name ${folder})
  set(root ${CMAKE_BINARY_DIR}/layers/${root_name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()
