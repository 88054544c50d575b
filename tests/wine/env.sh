# Sourced: exports the Wine environment of tests/wine/wine.env, read as
# KEY=VALUE lines (never run as shell code: values hold ';'), and defines
#
#   use_wine_prefix DIR [ARCH] exports WINEPREFIX=DIR and WINEARCH: the
#                              architecture DIR was made with, or for a prefix
#                              not made yet ARCH (win32 or win64), else
#                              wine.env's default
#   wine_prefix_arch DIR       prints the architecture of the prefix DIR
wine_env_file="$(dirname "${BASH_SOURCE[0]}")/wine.env"
while IFS= read -r wine_env_line || [ -n "$wine_env_line" ]; do
  case $wine_env_line in '' | '#'*) continue ;; esac
  export "${wine_env_line%%=*}=${wine_env_line#*=}"
done <"$wine_env_file"
unset wine_env_line

# The architecture a prefix was made with; wine.env's default for none yet.
wine_prefix_arch() {
  local arch
  arch=$(sed -n 's/^#arch=\(win32\|win64\)$/\1/p;/^\[/q' "$1/system.reg" 2>/dev/null) || true
  echo "${arch:-$(sed -n 's/^WINEARCH=//p' "$wine_env_file")}"
}

# Every later Wine command of the caller works in DIR, under DIR's architecture.
use_wine_prefix() {
  export WINEPREFIX=$1
  if [ -f "$1/system.reg" ] || [ -z "${2:-}" ]; then
    WINEARCH=$(wine_prefix_arch "$1")
  else
    case $2 in
      win32 | win64) WINEARCH=$2 ;;
      *) echo "use_wine_prefix: unknown Wine architecture $2" >&2; return 2 ;;
    esac
  fi
  export WINEARCH
}
