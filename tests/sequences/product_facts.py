"""The product facts the scenarios need, read from the header the setup is
built with, so that the scenarios and the setup never disagree."""

import os
import re

_HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "base", "product.h")


def _constant(name):
    """A string constant of the header as written there: with its backslashes
    doubled, the way a Wine registry file writes key names too."""
    with open(_HEADER, encoding="utf-8") as f:
        match = re.search(r'^constexpr const char\* ' + name + r' = "(.*)";$', f.read(), re.MULTILINE)
    if not match:
        raise RuntimeError("no %s in %s" % (name, _HEADER))
    return match.group(1)


# The uninstall key below HKEY_LOCAL_MACHINE, as the registry files name it.
UNINSTALL_KEY = _constant("kUninstallRoot") + _constant("kUninstallKeyName")
