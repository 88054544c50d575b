#!/usr/bin/env bash
# A user without a mouse installs Velmora: keys typed as the keyboard
# delivers them (Enter, Escape with No keeping the page, Tab and Shift+Tab,
# the arrows in the license choice, Space on the check boxes), and on every
# page the focus where the keys need it: the first control that takes
# input, else the main button, never a disabled or hidden control.
source "$(dirname "$0")/lib.sh"
e2e_begin keyboard_only
dest=$T_DEFAULT_DEST

# Escape, No: the question goes and the page stays with the focus on $2.
escape_no() {
  printf 'key escape\nanswer-box no "%s" "velmora-setup"\nexpect-page %s\nexpect-focus %s\n' \
    "$T_CANCEL_QUESTION" "$1" "$2"
}

e2e_drive keyboard_only <<WIZ
start '$(winpath "$VELMORA_SETUP")'
wait-page welcome
wait-enabled 1
# Next enabled after the unpacking takes the focus: Enter means Next.
expect-focus 1
$(escape_no welcome 1)
key enter

wait-page license
expect-focus 1007
# Tab enters the license choice at its selected button.
key tab
expect-focus 1009
key up
expect-focus 1008
expect-checked 1008
expect-enabled 1
key down
expect-focus 1009
expect-checked 1009
expect-disabled 1
key up
expect-focus 1008
expect-checked 1008
expect-enabled 1
$(escape_no license 1008)
# Enter in the license text, too, is Next.
key shift-tab
expect-focus 1007
key enter

wait-page destination
expect-focus 1015
key tab
expect-focus 1016
key tab
expect-focus 1000
key shift-tab
expect-focus 1016
key shift-tab
expect-focus 1015
key enter

wait-page startmenu
expect-focus 1015
key enter

wait-page tasks
expect-focus 1022
key space
expect-unchecked 1022
key tab
expect-focus 1023
key space
expect-unchecked 1023
key shift-tab
expect-focus 1022
key space
expect-checked 1022
key enter

# The read-only summary has the focus, and Enter still means Install.
wait-page ready
expect-focus 1026
$(escape_no ready 1026)
key enter

wait-page progress
expect-focus page
wait-page finish 60000
expect-focus 1030
key space
expect-unchecked 1030
key tab
expect-focus 1033
key space
expect-unchecked 1033
key enter
wait-exit
expect-exit-code 0
expect-no-file '$T_LOG'
expect-file '$dest\velmora.exe'
expect-shortcut '%VELMORA_COMMON_DESKTOP%\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-no-file '%VELMORA_QUICK_LAUNCH%\Velmora.lnk'
WIZ
