#!/usr/bin/env bash
# What a wrong command line and a damaged package end in. A quiet run with
# an unknown switch: 1639 and nothing shown; a wizard run with a switch
# given twice: a box naming the argument, then 1639; /help: the usage in a
# box, then 0; a quiet run of a damaged package: 1620 and nothing shown.
# Nothing is installed by any of them.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin command_line_errors
setup=$(winpath "$VELMORA_SETUP")
damaged=$E2E_WORK/velmora-setup.exe
cp "$VELMORA_SETUP" "$damaged"
python3 - "$damaged" <<'PY'
import os, sys
with open(sys.argv[1], "r+b") as f:
    f.seek(-100, os.SEEK_END)
    byte = f.read(1)[0]
    f.seek(-100, os.SEEK_END)
    f.write(bytes([byte ^ 0x01]))
PY
usage='Usage: velmora-setup.exe [/quiet | /passive] [/dir=FOLDER] [/group=NAME] [/tasks=LIST] [/log=FILE] [/lang=CODE] [/norestart | /forcerestart] [/noclose]\n\n/quiet\tinstall without any window; the license is accepted\n/passive\tinstall showing only the progress\n/dir=FOLDER\tthe destination folder\n/group=NAME\tthe Start Menu folder\n/tasks=LIST\ticons to create: desktop, quicklaunch (comma-separated; empty for none)\n/log=FILE\ta copy of the installation log\n/lang=CODE\tthe language of the wizard: en, de, fr, es, ru, ja, zh-CN, ar\n/norestart\tnever restart the computer\n/forcerestart\trestart when needed, without asking\n/noclose\tleave the running programs open; their files are replaced at the restart\n/?, /help\tthis text\n\nExit codes: 0 installed, 3010 restart needed, 1641 restart started, 1602 cancelled, 1603 failed, 1618 another setup running, 1620 package damaged, 1633 unsupported Windows, 1638 newer version installed, 1639 invalid command line, 740 not an administrator.'

e2e_drive command_line_errors <<WIZ
start '$setup' /quiet /silent
expect-exit-code 1639
expect-shown
expect-file-contains '$T_LOG' "Command line: /quiet /silent\r\nError: Invalid command line argument: /silent: unknown switch\r\nExit code: 1639\r\n"

start '$setup' /group=Tools /GROUP=Other
answer-box ok "Invalid command line argument: /GROUP=Other\nthe switch is given twice" "Velmora"
expect-exit-code 1639
expect-shown box

start '$setup' '/dir=Velmora' /quiet
expect-exit-code 1639
expect-shown
expect-file-contains '$T_LOG' 'Error: Invalid command line argument: /dir=Velmora: Setup cannot install into the folder "Velmora".'

start '$setup' /help
answer-box ok "$usage" "Velmora"
expect-exit-code 0
expect-shown box

start '$(winpath "$damaged")' /quiet
expect-exit-code 1620
expect-shown
expect-file-contains '$T_LOG' "Error: Installation package: Installation package is damaged\r\nExit code: 1620\r\n"
$(wiz_expect_nothing_installed)
WIZ
