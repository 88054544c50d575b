# Engine tests that work with real kernel-driver services: the product's
# test drivers lie next to every engine test program, and the service
# helpers are linked in.
set(VELMORA_ENGINE_TEST_DRIVERS ${CMAKE_CURRENT_BINARY_DIR}/velctl.sys ${CMAKE_CURRENT_BINARY_DIR}/velmon.sys)
add_custom_command(OUTPUT ${VELMORA_ENGINE_TEST_DRIVERS}
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:velctl_sys> $<TARGET_FILE:velmon_sys>
                           ${CMAKE_CURRENT_BINARY_DIR}
                   DEPENDS velctl_sys velmon_sys)
add_custom_target(engine_test_drivers DEPENDS ${VELMORA_ENGINE_TEST_DRIVERS})

add_library(velmora_driver_services STATIC driver_services.cpp)
target_link_libraries(velmora_driver_services PUBLIC velmora_test_support velmora_package_writer)

foreach(source ${VELMORA_ENGINE_TESTS})
  get_filename_component(name ${source} NAME_WE)
  add_dependencies(engine_${name} engine_test_drivers)
  target_link_libraries(engine_${name} PRIVATE velmora_driver_services)
endforeach()
