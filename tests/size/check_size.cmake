# cmake -DFILE=<path> -DBUDGET=<bytes> -P check_size.cmake
# Prints the file's size against its budget; fails when it is over.
file(SIZE ${FILE} size)
get_filename_component(name ${FILE} NAME)
math(EXPR room "${BUDGET} - ${size}")
message("${name}: ${size} bytes, budget ${BUDGET} bytes (${room} bytes to spare)")
if(size GREATER BUDGET)
  message(FATAL_ERROR "${name} is ${size} bytes, over its budget of ${BUDGET} bytes")
endif()
