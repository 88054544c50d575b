# Sourced by the scripts that look at an installed product: the product facts
# they need, read from the header the setup is built with, so that a script
# and the setup never disagree.
#   VELMORA_UNINSTALL_KEY   the uninstall key, as "reg" names it (HKLM\...)

# A string constant of the product header, its C escapes undone.
velmora_product_constant() {
  local header
  header="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/base/product.h"
  sed -n "s/^constexpr const char\* $1 = \"\(.*\)\";\$/\1/p" "$header" | sed 's/\\\\/\\/g'
}

VELMORA_UNINSTALL_KEY="HKLM\\$(velmora_product_constant kUninstallRoot)$(velmora_product_constant kUninstallKeyName)"
