#!/usr/bin/env bash
# One setup at a time. While a wizard run waits on its welcome page, a quiet
# copy ends at once with 1618 and shows nothing; a wizard copy says so in a
# box, then ends with 1618. The first run is unaffected: it installs and
# ends with 0. Then two quiet copies started together: one repairs (0),
# the other ends with 1618.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin second_copy
e2e_demo_files
setup=$(winpath "$VELMORA_SETUP")

e2e_drive second_copy <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
$(wiz_start "$VELMORA_SETUP")
start-other '$setup' /quiet '/log=$E2E_WORK_WIN\second.log'
expect-other-exit-code 1618
expect-shown other
expect-file-contains '$E2E_WORK_WIN\second.log' "Error: Another copy of the setup is running\r\nExit code: 1618\r\n"
start-other '$setup'
answer-other-box ok "$T_ALREADY_RUNNING" "Velmora"
expect-other-exit-code 1618
expect-shown other box

# The first run goes on as if nothing had happened.
expect-running
$(wiz_defaults_to ready)
$(wiz_next progress)
wait-page finish 60000
$(wiz_finish_without_launching)
expect-exit-code 0
$(wiz_expect_installed "$T_DEFAULT_DEST" Velmora 1 1)

# Two quiet copies at once. The first takes the one-copy lock before it
# creates its log; held still from then on, it is surely running when the
# second looks. It repairs over the running control driver, which it stops
# and starts again: 0, nothing left for a restart.
expect-no-file '$T_LOG'
start '$setup' /quiet '/log=$E2E_WORK_WIN\first.log'
wait-file '$T_LOG'
suspend
start-other '$setup' /quiet '/log=$E2E_WORK_WIN\other.log'
expect-other-exit-code 1618
resume
expect-exit-code 0
expect-shown
expect-shown other
expect-match-count '$E2E_WORK_WIN\*.log' 3
$(wiz_expect_installed "$T_DEFAULT_DEST" Velmora 1 1)
WIZ
