"""The installed drivers as the system's own kernel sees them, read from the
host side: both files in the prefix's windows/system32/drivers (on 64-bit
Windows the native folder, whatever a 32-bit program sees under that name),
built for the system's processor, none of ours in syswow64/drivers (where
Wine, unlike Windows, would even start a 32-bit driver), and the control
driver running."""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import prefix_state  # noqa: E402
from wine_prefix import prefix_arch  # noqa: E402

DRIVER_FILES = ("velctl.sys", "velmon.sys")
CONTROL_SERVICE = "velctl"
NATIVE_DRIVERS = prefix_state.DRIVE + "/windows/system32/drivers"
WOW64_DRIVERS = prefix_state.DRIVE + "/windows/syswow64/drivers"
# The package entry each installed driver file comes from, per system.
DRIVER_ENTRIES = {
    "win32": {"velctl.sys": "velctl.sys", "velmon.sys": "velmon.sys"},
    "win64": {"velctl.sys": "velctl64.sys", "velmon.sys": "velmon64.sys"},
}
MACHINE_TYPES = {"win32": 0x014C, "win64": 0x8664}
MACHINE_NAMES = {0x014C: "x86", 0x8664: "x86-64", 0x01C4: "ARM", 0xAA64: "ARM64"}
OUR_NAME_STARTS = ("velctl", "velmon")


def pe_machine(path):
    """The machine type in a PE image's file header; None when the file is
    not a PE image."""
    with open(path, "rb") as stream:
        header = stream.read(0x40)
        if len(header) < 0x40 or header[:2] != b"MZ":
            return None
        stream.seek(int.from_bytes(header[0x3C:0x40], "little"))
        signature = stream.read(6)
    if len(signature) < 6 or signature[:4] != b"PE\0\0":
        return None
    return int.from_bytes(signature[4:6], "little")


def machine_name(machine):
    return MACHINE_NAMES.get(machine, "not a PE image" if machine is None else "machine 0x%04x" % machine)


def folder_entries(prefix, relative_folder):
    """lower-case name -> host path of every file in a prefix folder."""
    folder = os.path.join(prefix, relative_folder)
    try:
        names = os.listdir(folder)
    except FileNotFoundError:
        return {}
    return {name.lower(): os.path.join(folder, name) for name in names}


def driver_problems(prefix, arch, services, entries=None):
    """What keeps the system from loading the installed drivers, one line
    each: a missing file in the native folder, a file of the wrong machine
    type or (when entries, the package's name -> (size, md5), are given) of
    other content than the package's driver for this system, a file of ours
    in syswow64/drivers, the control driver not running. services: name ->
    state, as prefix_state.parse_services gives it; None leaves them out."""
    problems = []
    native = folder_entries(prefix, NATIVE_DRIVERS)
    for name in DRIVER_FILES:
        path = native.get(name)
        if path is None:
            problems.append("%s is missing from %s" % (name, NATIVE_DRIVERS))
            continue
        machine = pe_machine(path)
        if machine != MACHINE_TYPES[arch]:
            problems.append("%s/%s is built for %s, not %s" %
                            (NATIVE_DRIVERS, name, machine_name(machine), machine_name(MACHINE_TYPES[arch])))
        entry = DRIVER_ENTRIES[arch][name]
        if entries is not None:
            expected = entries.get(entry)
            found = (os.path.getsize(path), prefix_state.file_digest(path))
            if expected is None:
                problems.append("the package has no entry %s" % entry)
            elif expected != found:
                problems.append("%s/%s is not the package's %s" % (NATIVE_DRIVERS, name, entry))
    if arch == "win64":
        strays = sorted(name for name in folder_entries(prefix, WOW64_DRIVERS) if name.startswith(OUR_NAME_STARTS))
        problems += ["%s/%s: a 64-bit kernel never loads from there" % (WOW64_DRIVERS, name) for name in strays]
    if services is not None and services.get(CONTROL_SERVICE) != "running":
        problems.append("%s is %s, not running" % (CONTROL_SERVICE, services.get(CONTROL_SERVICE, "absent")))
    return problems


def leftover_drivers(prefix):
    """Files of ours in either Drivers folder, one line each; a missing
    native Drivers folder too, which every prefix has: nothing can be seen
    where there is no prefix. (A new prefix has no syswow64/drivers.)"""
    missing = [] if os.path.isdir(os.path.join(prefix, NATIVE_DRIVERS)) else [
        "%s has no %s" % (prefix, NATIVE_DRIVERS)]
    return missing + ["%s/%s is left" % (folder, name) for folder in (NATIVE_DRIVERS, WOW64_DRIVERS)
                      for name in sorted(folder_entries(prefix, folder)) if name.startswith(OUR_NAME_STARTS)]


def entries_of_folder(folder):
    """name -> (size, md5) of the files in a folder: the package's entries
    as the build gathered them."""
    return {name: (os.path.getsize(os.path.join(folder, name)), prefix_state.file_digest(os.path.join(folder, name)))
            for name in os.listdir(folder) if os.path.isfile(os.path.join(folder, name))}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--prefix", required=True, help="the prefix, its server stopped or idle")
    parser.add_argument("--demo-files", help="the folder of the package's files: the drivers must be installed")
    parser.add_argument("--none", action="store_true", help="no driver of ours may be in either Drivers folder")
    options = parser.parse_args()
    if options.none:
        problems = leftover_drivers(options.prefix)
    else:
        problems = driver_problems(options.prefix, prefix_arch(options.prefix), None,
                                   entries_of_folder(options.demo_files) if options.demo_files else None)
    for problem in problems:
        print("FAILED: " + problem)
    if not problems:
        print("PASS: %s, as the %s system's kernel sees them" %
              ("no driver of ours in either Drivers folder" if options.none else "the drivers in place",
               prefix_arch(options.prefix)))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
