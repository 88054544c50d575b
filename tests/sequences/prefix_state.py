"""The system state of a Wine prefix, read from the host side, and its
comparison: the file tree of drive C with each file's digest, the HKLM hive
(HKCR included, as Software\\Classes) from the saved system.reg, and the
kernel-driver services' run states reported by the sequence runner. The
prefix's wineserver must have been stopped first, so that system.reg is
current."""

import hashlib
import os
import re

DRIVE = "drive_c"

# Keys that Wine's session start rewrites (display adapters and monitors,
# network cards, with time stamps in their values); no installation writes
# there.
SESSION_KEYS = (
    "System\\\\CurrentControlSet\\\\Control\\\\Class\\\\{4D36E968-E325-11CE-BFC1-08002BE10318}",
    "System\\\\CurrentControlSet\\\\Control\\\\Class\\\\{4D36E96E-E325-11CE-BFC1-08002BE10318}",
    "System\\\\CurrentControlSet\\\\Control\\\\Video",
    "System\\\\CurrentControlSet\\\\Enum\\\\DISPLAY",
    "Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\NetworkCards",
)

# Values that Wine's session start writes with the processor of whichever
# wineboot started the session: in a 64-bit prefix a 32-bit program can start
# it, and then the environment says x86 instead of AMD64.
SESSION_VALUES = (
    ("system\\\\currentcontrolset\\\\control\\\\session manager\\\\environment", '"PROCESSOR_ARCHITECTURE"'),
    ("system\\\\currentcontrolset\\\\control\\\\session manager\\\\environment", '"PROCESSOR_IDENTIFIER"'),
)

RUN_ONCE_KEY = "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\RunOnce"
# A 32-bit program's HKLM\Software on 64-bit Windows, but for the classes,
# which both views share.
WOW64_SOFTWARE = "Software\\\\Wow6432Node"
SESSION_MANAGER_KEY = "System\\\\CurrentControlSet\\\\Control\\\\Session Manager"
PENDING_RENAMES_VALUE = '"PendingFileRenameOperations"'
KEY_SEPARATOR = "\\\\"  # as system.reg writes it
# The installation log lies where a 32-bit program's system folder is: the
# system32 of a 32-bit Windows, the syswow64 of a 64-bit one.
LOG_FILES = {"win32": DRIVE + "/windows/system32/velmora-install.log",
             "win64": DRIVE + "/windows/syswow64/velmora-install.log"}
LOG_FILE = LOG_FILES["win32"]

SERVICE_DRIVER_TYPES = 0x0B  # kernel and file-system drivers
# Wine's plug-and-play bus drivers: the PlugPlay service starts them some
# time after a session starts, so their run state depends on timing alone.
ASYNCHRONOUS_DRIVERS = ("winebus", "winehid", "wineusb")
SERVICE_STATES = {1: "stopped", 2: "start pending", 3: "stop pending", 4: "running"}


def file_digest(path):
    digest = hashlib.md5()
    with open(path, "rb") as stream:
        for block in iter(lambda: stream.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


LINK_HEADER_SIZE = 0x4C
LINK_HAS_ID_LIST = 0x1


def shortcut_digest(path):
    """The digest of a ".lnk" file with the time stamps of its folder and
    file items blanked out: the shell copies them from the target's folders
    at the time of saving, so two saves of the same shortcut differ there."""
    with open(path, "rb") as stream:
        data = bytearray(stream.read())
    flags = int.from_bytes(data[20:24], "little") if len(data) >= LINK_HEADER_SIZE else 0
    if flags & LINK_HAS_ID_LIST and len(data) >= LINK_HEADER_SIZE + 2:
        position = LINK_HEADER_SIZE + 2
        end = position + int.from_bytes(data[LINK_HEADER_SIZE:position], "little")
        while position + 2 <= min(end, len(data)):
            size = int.from_bytes(data[position:position + 2], "little")
            if size < 2:
                break
            item = position
            if size >= 12 and (data[item + 2] & 0x70) == 0x30:  # a file or folder item
                data[item + 8:item + 12] = bytes(4)  # DOS date and time
                # The item's last word is the offset of its extension block:
                # size, version, signature, then creation and access stamps.
                extension = item + int.from_bytes(data[item + size - 2:item + size], "little")
                if item + 14 <= extension and extension + 16 <= item + size:
                    data[extension + 8:extension + 16] = bytes(8)
            position += size
    return hashlib.md5(bytes(data)).hexdigest()


def read_files(prefix, reference=None):
    """relative path -> ("dir",), ("link", target) or ("file", size, md5).
    A file whose size and modification time (in nanoseconds) equal those of
    the same path in the reference snapshot takes the reference's digest:
    every write through Wine stamps a new time, and the copies of a prefix
    keep the times of the original."""
    root = os.path.join(prefix, DRIVE)
    entries = {}
    stamps = {}
    for folder, dirs, files in os.walk(root):
        relative_folder = os.path.relpath(folder, prefix)
        for name in dirs:
            path = os.path.join(folder, name)
            key = os.path.join(relative_folder, name)
            entries[key] = ("link", os.readlink(path)) if os.path.islink(path) else ("dir",)
        for name in files:
            path = os.path.join(folder, name)
            key = os.path.join(relative_folder, name)
            if os.path.islink(path):
                entries[key] = ("link", os.readlink(path))
                continue
            status = os.stat(path)
            stamp = (status.st_size, status.st_mtime_ns)
            stamps[key] = stamp
            if reference is not None and reference.stamps.get(key) == stamp:
                entries[key] = reference.files[key]
            else:
                digest = shortcut_digest(path) if name.lower().endswith(".lnk") else file_digest(path)
                entries[key] = ("file", status.st_size, digest)
    return entries, stamps


def read_registry(prefix):
    """key -> frozenset of value lines, from system.reg. The per-key time
    stamps (after the key name and on "#time=" lines) are left out, and hex
    data continued over several lines is joined."""
    keys = {}
    current = None
    values = None
    pending = ""
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="surrogateescape") as stream:
        for line in stream:
            line = line.rstrip("\n")
            if pending:
                line = pending + line.lstrip()
                pending = ""
            if line.startswith("["):
                if current is not None:
                    keys[current] = frozenset(values)
                current = line[1:line.rindex("]")]
                values = set()
                continue
            if current is None or not line or line.startswith("#time="):
                continue
            if line.endswith("\\"):
                pending = line[:-1]
                continue
            values.add(line)
    if current is not None:
        keys[current] = frozenset(values)
    return keys


def parse_services(lines):
    """name -> state for the kernel-driver services of "service" records."""
    services = {}
    for line in lines:
        fields = line.rstrip("\r\n").split("\t")
        if (len(fields) == 4 and fields[0] == "service" and int(fields[2]) & SERVICE_DRIVER_TYPES and
                fields[1].lower() not in ASYNCHRONOUS_DRIVERS):
            services[fields[1]] = SERVICE_STATES.get(int(fields[3]), fields[3])
    return services


class Snapshot:
    def __init__(self, prefix, services, reference=None):
        self.files, self.stamps = read_files(prefix, reference)
        self.registry = read_registry(prefix)
        self.services = dict(services)

    def file(self, windows_path):
        """The entry of a file named by its Windows path (the file system's
        names are matched without regard to case, as Windows does)."""
        wanted = to_prefix_path(windows_path).lower()
        return next((entry for path, entry in self.files.items() if path.lower() == wanted), None)

    def all_keys(self):
        """Every key, those without a section of their own included:
        system.reg leaves out a key that has no values but has subkeys."""
        keys = set()
        for key in self.registry:
            parts = key.split(KEY_SEPARATOR)
            keys.update(KEY_SEPARATOR.join(parts[:count]) for count in range(1, len(parts) + 1))
        return keys

    def pending_renames(self):
        """(source, target) pairs scheduled for the next start, as drive_c
        relative paths; target None for a deletion."""
        values = self.registry.get(SESSION_MANAGER_KEY, frozenset())
        for line in values:
            if line.startswith(PENDING_RENAMES_VALUE + "="):
                return decode_pending_renames(line.split("=", 1)[1])
        return []


def decode_pending_renames(data):
    """The (source, target) pairs of a PendingFileRenameOperations value as
    system.reg holds it: str(7) text or hex(7) UTF-16 bytes; a target that
    starts with "!" replaces an existing file."""
    if data.startswith("str(7):"):
        text = decode_reg_string(data[len("str(7):"):])
    elif data.startswith("hex(7):"):
        raw = bytes(int(byte, 16) for byte in data[len("hex(7):"):].split(",") if byte.strip())
        text = raw.decode("utf-16-le")
    else:
        return []
    names = text.split("\0")
    pairs = []
    for index in range(0, len(names) - 1, 2):
        if not names[index]:
            break
        pairs.append((to_prefix_path(names[index]), to_prefix_path(names[index + 1].lstrip("!")) or None))
    return pairs


def decode_reg_string(quoted):
    """The text of a quoted system.reg string, its escapes resolved."""
    escapes = {"\\": "\\", '"': '"', "0": "\0", "n": "\n", "r": "\r", "t": "\t"}
    text = []
    index = 1
    while index < len(quoted) - 1:
        character = quoted[index]
        if character == "\\" and index + 1 < len(quoted) - 1:
            index += 1
            text.append(escapes.get(quoted[index], quoted[index]))
        else:
            text.append(character)
        index += 1
    return "".join(text)


def to_prefix_path(name):
    """"\\??\\C:\\a\\b" -> "drive_c/a/b"; "" stays "". The native system
    folder, as a 32-bit program on 64-bit Windows names it ("Sysnative"), is
    the prefix's system32, as the rest of the system sees it."""
    if not name:
        return ""
    name = re.sub(r"^\\\?\?\\", "", name)
    if name[:2].lower() == "c:":
        name = DRIVE + name[2:]
    name = re.sub(r"^(drive_c\\windows\\)sysnative(?=\\|$)", r"\1system32", name, flags=re.IGNORECASE)
    return name.replace("\\", "/")


def stored_key(key, arch):
    """The key of system.reg where a 32-bit program's HKLM key (as system.reg
    spells it) lies on a system of the given architecture."""
    if arch == "win64" and in_tree(key, "Software") and not in_tree(key, "Software" + KEY_SEPARATOR + "Classes"):
        return WOW64_SOFTWARE + key[len("Software"):]
    return key


def in_tree(key, top):
    """Whether key is top or one of its subkeys (case-insensitive, like the registry)."""
    key, top = key.lower(), top.lower()
    return key == top or key.startswith(top + KEY_SEPARATOR)


def describe(entry):
    if entry is None:
        return "absent"
    if entry[0] == "file":
        return "file of %d bytes, md5 %s" % (entry[1], entry[2])
    return " ".join(entry)


def compare(expected, actual, ignore_files=(), lost_keys=(), lost_values=(), ignore_services=()):
    """The differences of actual from expected, one readable line each.
    Left out: the given files, the given services' states, the loss of
    values or keys in the lost_keys trees, the loss of the given (key, value
    name) pairs; where a value may be lost, other data of it (an earlier
    installation's, which the failed write left) too."""
    differences = []
    ignored_files = {path.lower() for path in ignore_files} | set(LOG_FILES.values())
    for path in sorted(set(expected.files) | set(actual.files)):
        if path.lower() in ignored_files:
            continue
        before, after = expected.files.get(path), actual.files.get(path)
        if before != after:
            differences.append("file %s: expected %s, found %s" % (path, describe(before), describe(after)))

    skipped_keys = SESSION_KEYS + (RUN_ONCE_KEY, stored_key(RUN_ONCE_KEY, "win64"))
    expected_keys, actual_keys = expected.all_keys(), actual.all_keys()
    for key in sorted(expected_keys | actual_keys):
        if any(in_tree(key, top) for top in skipped_keys):
            continue
        may_lose = any(in_tree(key, top) for top in lost_keys)
        if key not in expected_keys:
            differences.append("registry key [%s] added" % key)
            continue
        if key not in actual_keys:
            if not may_lose:
                differences.append("registry key [%s] removed" % key)
            continue
        before, after = expected.registry.get(key, frozenset()), actual.registry.get(key, frozenset())
        expected_names = {line.split("=", 1)[0] for line in before}
        for line in sorted(before - after):
            value = (key.lower(), line.split("=", 1)[0])
            if not may_lose and value not in lost_values and value not in SESSION_VALUES:
                differences.append("registry [%s] lost %s" % (key, line))
        for line in sorted(after - before):
            value = (key.lower(), line.split("=", 1)[0])
            # A value whose write failed may keep the data an earlier
            # installation gave it; a value the expected state lacks is
            # never allowed, not even in a tree that may lose values.
            other_data = value[1] in expected_names and (may_lose or value in lost_values)
            if not other_data and value not in SESSION_VALUES:
                differences.append("registry [%s] gained %s" % (key, line))

    for name in sorted(set(expected.services) | set(actual.services)):
        if name in ignore_services:
            continue
        before, after = expected.services.get(name), actual.services.get(name)
        if before != after:
            differences.append("service %s: expected %s, found %s" % (name, before or "absent", after or "absent"))
    return differences
