#!/usr/bin/env bash
# Cancel on each page before the progress page. Answering No keeps the page
# as it was; answering Yes ends the run with nothing installed and the log
# file left in the system folder.
source "$(dirname "$0")/lib.sh"
e2e_begin cancel_each_page
setup=$VELMORA_SETUP

# Driver commands: Cancel, No (the page stays as it was), Cancel, Yes.
cancel_no_then_yes() {
  cat <<WIZ
click 2
answer-box no "$T_CANCEL_QUESTION" "velmora-setup"
expect-page $1
expect-enabled 2
$2
click 2
answer-box yes "$T_CANCEL_QUESTION" "velmora-setup"
wait-exit
expect-exit-code 1602
expect-file '$T_LOG'
WIZ
  wiz_expect_nothing_installed
}

e2e_drive cancel_each_page <<WIZ
# Welcome
$(wiz_start "$setup")
$(cancel_no_then_yes welcome "$(printf 'expect-enabled 1\nexpect-text 1002 "%s"' "$T_WELCOME_READY")")

# License, accepted before the question
$(wiz_start "$setup")
$(wiz_next license)
click 1008
$(cancel_no_then_yes license "$(printf 'expect-checked 1008\nexpect-enabled 1')")

# Destination, with a typed folder
$(wiz_start "$setup")
$(wiz_defaults_to destination)
set-text 1015 'C:\Typed Folder'
$(cancel_no_then_yes destination "expect-text 1015 'C:\\Typed Folder'")

# Start Menu folder
$(wiz_start "$setup")
$(wiz_defaults_to startmenu)
set-text 1015 'Typed Menu'
$(cancel_no_then_yes startmenu "expect-text 1015 'Typed Menu'")

# Additional icons, one unchecked
$(wiz_start "$setup")
$(wiz_defaults_to tasks)
click 1022
$(cancel_no_then_yes tasks "$(printf 'expect-unchecked 1022\nexpect-checked 1023')")

# Ready
$(wiz_start "$setup")
$(wiz_defaults_to ready)
$(cancel_no_then_yes ready "expect-text 1 \"Install\"")
WIZ
