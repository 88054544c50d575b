# Sourced: exports the Wine environment of tests/wine/wine.env. Callers still
# name their own prefix (WINEPREFIX) for every command. The file's lines are
# KEY=VALUE without quoting, so they are read, not run: a value such as
# "mscoree=;mshtml=" must not split into commands.
while IFS= read -r velmora_env_line || [ -n "$velmora_env_line" ]; do
  case $velmora_env_line in
    '' | '#'*) continue ;;
  esac
  export "${velmora_env_line%%=*}=${velmora_env_line#*=}"
done <"$(dirname "${BASH_SOURCE[0]}")/wine.env"
unset velmora_env_line
