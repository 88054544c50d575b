# Makes the files of an earlier release of the demo product from the current
# ones: the drivers stay loadable kernel drivers with a few bytes appended,
# every other file gets a short text of its own, so that every file differs
# from the current release.
#   cmake -DDEMO_FILES="a;b;..." -DOUTPUT_DIR=dir -P make_earlier_release.cmake
file(MAKE_DIRECTORY ${OUTPUT_DIR})
foreach(file ${DEMO_FILES})
  get_filename_component(name ${file} NAME)
  if(name MATCHES "\\.sys$")
    file(COPY_FILE ${file} ${OUTPUT_DIR}/${name})
    file(APPEND ${OUTPUT_DIR}/${name} "Velmora 1.6")
  else()
    file(WRITE ${OUTPUT_DIR}/${name} "Velmora 1.6: ${name}\r\n")
  endif()
endforeach()
