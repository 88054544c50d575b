#!/usr/bin/env bash
# What Wine's menu builder writes into the Linux user's home: launchers in the
# application menu and on the desktop, handlers and MIME types of the file
# types programs register. The test run lists it before and after and fails
# when anything appeared or changed.
#
#   home_check.sh list          the listing (path, size, modification time)
#   home_check.sh compare FILE  compares with an earlier listing; exit 1 and
#                               the differences when the home changed
set -euo pipefail

list() {
  local home=${HOME:?}
  {
    [ -d "$home/.local/share/applications/wine" ] &&
      find "$home/.local/share/applications/wine" -printf '%p %s %T@\n'
    [ -d "$home/.config/menus/applications-merged" ] &&
      find "$home/.config/menus/applications-merged" -maxdepth 1 -name 'wine-*' -printf '%p %s %T@\n'
    # What it writes for a file type a program registers (the product: .tms).
    [ -d "$home/.local/share/applications" ] &&
      find "$home/.local/share/applications" -maxdepth 1 -name 'wine-extension-*.desktop' -printf '%p %s %T@\n'
    [ -d "$home/.local/share/mime/packages" ] &&
      find "$home/.local/share/mime/packages" -maxdepth 1 -name 'x-wine-extension-*.xml' -printf '%p %s %T@\n'
    for folder in "$home" "$home/Desktop"; do
      [ -d "$folder" ] && find "$folder" -maxdepth 1 -name '*.desktop' -printf '%p %s %T@\n'
    done
  } | LC_ALL=C sort || true
}

case ${1:?command} in
  list) list ;;
  compare)
    before=${2:?listing}
    if ! changes=$(diff "$before" <(list)); then
      echo "The run wrote Wine menu entries or desktop launchers into $HOME:" >&2
      printf '%s\n' "$changes" | sed -n 's/^> /  new or changed: /p; s/^< /  gone or changed: /p' >&2
      exit 1
    fi ;;
  *) echo "home_check.sh: unknown command $1" >&2; exit 2 ;;
esac
