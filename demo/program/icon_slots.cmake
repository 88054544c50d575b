# Writes the icon part of velmora.exe's resource script. Icon 0 is the
# program's own icon; icons 1 to <last slot> are the document icon, which the
# document type names by position (".tms" uses 44). Slots after the first
# document icon are group entries that reuse its images, so each costs a few
# bytes instead of a copy of the pictures.

# Reads the image directory of an .ico file: the image count and, per image,
# the six 16-bit words that a group-icon entry copies (size, colours, planes,
# bit count, byte count), as "0x...." words separated by ", ".
function(velmora_read_icon_directory ico out_count out_entries)
  file(READ ${ico} header LIMIT 6 HEX)
  string(SUBSTRING "${header}" 8 2 count_low)
  string(SUBSTRING "${header}" 10 2 count_high)
  math(EXPR count "0x${count_high}${count_low}")
  math(EXPR directory_size "6 + 16 * ${count}")
  file(READ ${ico} directory LIMIT ${directory_size} HEX)
  set(entries "")
  math(EXPR last "${count} - 1")
  foreach(image RANGE ${last})
    set(words "")
    foreach(word RANGE 5)
      math(EXPR at "(6 + 16 * ${image} + 2 * ${word}) * 2")
      string(SUBSTRING "${directory}" ${at} 2 low)
      math(EXPR at "${at} + 2")
      string(SUBSTRING "${directory}" ${at} 2 high)
      list(APPEND words "0x${high}${low}")
    endforeach()
    list(JOIN words ", " words)
    list(APPEND entries "${words}")
  endforeach()
  set(${out_count} ${count} PARENT_SCOPE)
  set(${out_entries} "${entries}" PARENT_SCOPE)
endfunction()

# velmora_write_icon_slots(<out .rc> <program .ico> <document .ico> <last slot>)
function(velmora_write_icon_slots out program_ico document_ico last_slot)
  velmora_read_icon_directory(${program_ico} program_count program_entries)
  velmora_read_icon_directory(${document_ico} document_count document_entries)
  set(text "// Generated from velmora.ico and document.ico by icon_slots.cmake.\n")
  string(APPEND text "1 ICON \"${program_ico}\"\n2 ICON \"${document_ico}\"\n")
  # windres numbers the images of ICON statements from 1 in order, so the
  # document icon's images follow the program icon's.
  math(EXPR first_slot_id "3")
  math(EXPR last_id "${last_slot} + 1")
  foreach(group RANGE ${first_slot_id} ${last_id})
    string(APPEND text "${group} 14\nBEGIN\n  0, 1, ${document_count}")
    set(image_id ${program_count})
    foreach(entry IN LISTS document_entries)
      math(EXPR image_id "${image_id} + 1")
      string(APPEND text ",\n  ${entry}, ${image_id}")
    endforeach()
    string(APPEND text "\nEND\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out} CONTENT "${text}" @ONLY)
endfunction()
