# Sourced: exports the Wine environment of tests/wine/wine.env. Callers still
# name their own prefix (WINEPREFIX) for every command.
set -a
# shellcheck source=/dev/null
. "$(dirname "${BASH_SOURCE[0]}")/wine.env"
set +a
