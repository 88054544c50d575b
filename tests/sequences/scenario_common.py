"""What the sequence scenarios share: the owner's choices, the runner's
command line, reading a prefix's state after a run (with the restart it may
need), and the prefixes the scenarios start from."""

import os
import sys

import prefix_state
from product_facts import UNINSTALL_KEY  # noqa: F401 (shared with the scenarios)
from wine_prefix import Prefix, scenario_folder, windows_path

DEST_FOLDER = "C:\\Program Files\\Velmora"
START_MENU_FOLDER = "Velmora"
# Where an earlier installation of the upgrade sweep went: not the folders
# a first installation would choose, which the upgrade must not use.
EARLIER_FOLDERS = ("--dest", "C:\\Velmora Earlier", "--start-menu", "Velmora Earlier")
CONTROL_SERVICE = "velctl"
DOCUMENT_KEYS = ("Software\\\\Classes\\\\Brenthaven.Velmora", "Software\\\\Classes\\\\.tms")


# Runs over an earlier installation first wait for its control driver, which
# the session's start-up starts in the background.
WAIT_FOR_CONTROL_DRIVER = ("--wait-running", CONTROL_SERVICE)


def install_arguments(package, fail_call=0):
    arguments = ["install", "--package", windows_path(package), "--dest", DEST_FOLDER,
                 "--start-menu", START_MENU_FOLDER, "--desktop", "--quick-launch"]
    if fail_call:
        arguments += ["--fail-call", str(fail_call)]
    return arguments


def prefix_relative(windows):
    return prefix_state.to_prefix_path(windows)


class Outcome:
    """What one run left behind, after any restart it needed."""

    def __init__(self, result, snapshot, pending_differences, restarted):
        self.result = result
        self.snapshot = snapshot
        self.pending_differences = pending_differences
        self.restarted = restarted


def settle(prefix, result, reference, expected=None, **allowed):
    """Stops the session and reads the state. When the run left work for the
    restart, the state before the restart may differ from the expected one
    only by that work (the files named by the pending renames and the value
    that lists them); the restart is then carried out and the state read
    again. Returns an Outcome whose pending_differences lists what differed
    before the restart beyond the pending work."""
    prefix.stop()
    snapshot = prefix_state.Snapshot(prefix.path, prefix_state.parse_services(result.service_lines), reference)
    renames = snapshot.pending_renames()
    if not result.restart and not renames:
        return Outcome(result, snapshot, [], False)
    unexplained = []
    if expected is not None:
        pending_files = {path.lower() for pair in renames for path in pair if path}
        for difference in prefix_state.compare(expected, snapshot, **allowed):
            if difference.startswith("file ") and difference.split(":")[0][5:].lower() in pending_files:
                continue
            if "PendingFileRenameOperations" in difference:
                continue
            unexplained.append(difference)
    services = prefix.restart()
    snapshot = prefix_state.Snapshot(prefix.path, prefix_state.parse_services(services), reference)
    if snapshot.pending_renames():
        unexplained.append("renames still pending after the restart: %r" % snapshot.pending_renames())
    return Outcome(result, snapshot, unexplained, True)


class Workspace:
    """Where a scenario keeps its prefixes, and what it makes them from."""

    def __init__(self, runner):
        self.prefix_tool = os.environ["VELMORA_PREFIX_TOOL"]
        self.pristine = os.environ["VELMORA_WINE_PRISTINE"]
        self.work = scenario_folder()
        self.runner = windows_path(runner)

    def prefix(self, name, runner_options=()):
        return Prefix(os.path.join(self.work, "sequences-" + name), self.prefix_tool, self.runner, runner_options)

    def fresh(self, name, source=None, runner_options=()):
        prefix = self.prefix(name, runner_options)
        prefix.make_from(source or self.pristine)
        return prefix

    def earlier_installation(self, name, earlier_package, folders=()):
        """A prefix holding a clean installation of the earlier release (in
        folders: --dest, --start-menu and icon options replacing the usual
        ones); its control driver starts with every session (automatic
        start)."""
        prefix = self.fresh(name)
        earlier = prefix.run(*(install_arguments(earlier_package) + list(folders)))
        if earlier.outcome != "completed" or earlier.restart:
            sys.exit("the earlier installation did not complete cleanly:\n" + "\n".join(earlier.lines))
        prefix.stop()
        return prefix

    def state_before(self, name, source, runner_options=()):
        """The state of a copy of source after a session of its own, the way
        every run's state is read."""
        probe = self.fresh(name, source, runner_options)
        services = probe.run("services").service_lines
        probe.stop()
        snapshot = prefix_state.Snapshot(probe.path, prefix_state.parse_services(services))
        probe.remove()
        return snapshot
