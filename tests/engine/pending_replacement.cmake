# The restart scenario for a file in use: a host-side script restarts a
# throwaway prefix between the two steps of pending_replacement_step.
add_executable(pending_replacement_step pending_replacement_step.cpp)
target_link_libraries(pending_replacement_step PRIVATE velmora_engine velmora_test_support)
velmora_add_scenario_test(NAME engine.pending_replacement_at_restart
                          COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/pending_replacement_scenario.sh
                                  $<TARGET_FILE:pending_replacement_step>
                          TIMEOUT 300)
