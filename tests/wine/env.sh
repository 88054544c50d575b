# Sourced: exports the Wine environment of tests/wine/wine.env. Callers still
# name their own prefix (WINEPREFIX) for every command. The file is read as
# KEY=VALUE lines, not sourced: its values hold semicolons.
while IFS= read -r velmora_wine_line || [ -n "$velmora_wine_line" ]; do
  case $velmora_wine_line in '' | '#'*) continue ;; esac
  export "${velmora_wine_line%%=*}=${velmora_wine_line#*=}"
done <"$(dirname "${BASH_SOURCE[0]}")/wine.env"
unset velmora_wine_line
