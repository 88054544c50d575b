#!/usr/bin/env bash
# A user without a mouse installs Velmora with keys typed as the keyboard
# delivers them, the cancel boxes too; every page and box comes to the front
# by itself, and on every page the focus is where the keys need it: the
# first control that takes input, else the main button or the page itself.
source "$(dirname "$0")/lib.sh"
e2e_begin keyboard_only
dest=$T_DEFAULT_DEST

# Escape, then Tab to No and Enter: the page stays, the focus on $2.
escape_no() {
  printf 'key escape\nexpect-box "%s" "velmora-setup"\nkey tab\nkey enter\nexpect-page %s\nexpect-focus %s\nexpect-no-box\n' \
    "$T_CANCEL_QUESTION" "$1" "$2"
}

e2e_drive keyboard_only <<WIZ
start '$(winpath "$VELMORA_SETUP")'
wait-page welcome
wait-enabled 1
expect-focus 1
$(escape_no welcome 1)
key enter

# Tab enters the license choice at its selected button; Enter in the
# license text, too, is Next.
wait-page license
expect-focus 1007
key tab
expect-focus 1009
key up
expect-checked 1008
expect-enabled 1
key down
expect-checked 1009
expect-disabled 1
key up
$(escape_no license 1008)
key shift-tab
expect-focus 1007
key enter

wait-page destination
expect-focus 1015
key tab
expect-focus 1016
key shift-tab
expect-focus 1015
key enter

wait-page startmenu
expect-focus 1015
key enter

wait-page tasks
expect-focus 1022
key tab
expect-focus 1023
key space
expect-unchecked 1023
key enter

# The read-only summary has the focus, and Enter still means Install.
wait-page ready
expect-focus 1026
$(escape_no ready 1026)
key enter

# The progress page has nothing to press, and it may close before its focus
# could be read; the walk goes on at the finish page.
wait-page finish 60000
expect-focus 1030
key space
key tab
key space
expect-unchecked 1030
expect-unchecked 1033
key enter
wait-exit
expect-exit-code 0
expect-file '$dest\velmora.exe'
expect-shortcut '%VELMORA_COMMON_DESKTOP%\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-no-file '%VELMORA_QUICK_LAUNCH%\Velmora.lnk'
WIZ
