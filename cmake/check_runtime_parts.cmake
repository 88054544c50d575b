# cmake -DMAP=<link map> -DPROGRAM=<name> -P check_runtime_parts.cmake
# Fails when a shipped program's link took any part of a library that our
# lean runtime objects stand in for: the POSIX thread library (whose calls
# they answer) or the runtime's throw helpers and old-interface strings.
file(READ ${MAP} map)
foreach(part "libpthread.a(" "libstdc++.a(functexcept.o)" "libstdc++.a(cow-string-inst.o)")
  string(FIND "${map}" "${part}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} links ${part}...): a call reached a part of the runtime that the lean "
                        "runtime objects stand in for; see framework/lean_threads.cpp and lean_throw.cpp")
  endif()
endforeach()
