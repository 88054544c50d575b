#!/usr/bin/env bash
# /quiet /lang=ja: the run ends as an English one does (exit code 0, the
# same files, shortcuts, services and keys, their names English), records
# Japanese as the product's language, and its log is English, byte for byte
# plain ASCII.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin quiet_language
e2e_demo_files

e2e_drive quiet_language <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
start '$(winpath "$VELMORA_SETUP")' /quiet /lang=ja '/log=$E2E_WORK_WIN\quiet.log'
expect-exit-code 0
expect-shown
$(wiz_expect_installed "$T_DEFAULT_DEST" Velmora 1 1)
expect-reg-number '$T_UNINSTALL_KEY' Language 1041
expect-no-file '$T_LOG'
expect-no-file '$E2E_OPENED_WIN'
expect-file-contains '$E2E_WORK_WIN\quiet.log' 'Command line: /quiet /lang=ja /log=$E2E_WORK_WIN\quiet.log'
expect-file-contains '$E2E_WORK_WIN\quiet.log' 'Install File: $T_DEFAULT_DEST\velmora.exe'
expect-file-contains '$E2E_WORK_WIN\quiet.log' "Exit code: 0\r\n"
WIZ
if LC_ALL=C grep -q '[^[:print:][:space:]]' "$E2E_WORK/quiet.log"; then
  echo "the log of a Japanese run holds text that is not English:" >&2
  LC_ALL=C grep -n '[^[:print:][:space:]]' "$E2E_WORK/quiet.log" >&2
  exit 1
fi
