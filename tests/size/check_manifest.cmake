# cmake -DFILE=<program> -P check_manifest.cmake
# Reads the manifest back from the built program: per-monitor DPI awareness
# (with the older systems' fallback) and every supported Windows version
# from 7 to 11, so that Windows neither stretches its windows as bitmaps nor
# treats it as a Vista program.
file(STRINGS ${FILE} lines REGEX "dpiAware|supportedOS")
get_filename_component(name ${FILE} NAME)
set(expected
  "<dpiAwareness [^>]*>PerMonitorV2, PerMonitor</dpiAwareness>"
  "<dpiAware [^>]*>true/pm</dpiAware>"
  "supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\""
  "supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\""
  "supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\""
  "supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"")
foreach(pattern ${expected})
  set(found FALSE)
  foreach(line ${lines})
    if(line MATCHES "${pattern}")
      set(found TRUE)
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "${name}: the manifest lacks ${pattern}")
  endif()
endforeach()
message("${name}: per-monitor DPI aware, Windows 7 to 11")
