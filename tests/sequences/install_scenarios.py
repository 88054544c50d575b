#!/usr/bin/env python3
"""Host-side scenarios of the installation and rollback sequences, each in
prefixes of its own, each state read from the prefix as a whole, the
drivers checked where the system's kernel loads them from (native_view):

- a clean installation, and the restart after it;
- an upgrade over an earlier installation whose control driver runs, and
  one with a driver file held open as well: what is in use waits for the
  restart, which must then put the new drivers in place;
- the natural failures: a package without "readme.txt", a destination and a
  Start Menu folder whose parent is a file (missing parents are created);
  each followed by the service stop and the rollback, after which the
  prefix is as before;
- a package whose 2 GiB help file is changed on disk after it was verified
  (one byte, as the installation reads it back): the installation fails
  where it writes that file and rolls back;
- an upgrade while the earlier program is in use: its replacement waits
  for the restart, which must then put the new content in place;
- an installation removed by the product's own uninstaller, unattended,
  through the registration's quiet command, then installed again before the
  restart: every file stays through the restart, and the second removal
  leaves the prefix as before;
- a removal after an upgrade that staged a file: no pending operation names
  a missing file."""

import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import native_view  # noqa: E402
import prefix_state  # noqa: E402
from scenario_common import (DEST_FOLDER, START_MENU_FOLDER, WAIT_FOR_CONTROL_DRIVER, Workspace,  # noqa: E402
                             install_arguments, prefix_relative, settle)
from wine_prefix import windows_path  # noqa: E402

ERROR_PATH_NOT_FOUND = 3
ERROR_INVALID_SERVICE_CONTROL = 1052
PROGRAMS_FOLDER = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
ERROR_INVALID_DATA = 13
DRIVERS_FOLDER = "C:\\windows\\system32\\Drivers"
# The native Drivers folder as the 32-bit runner reaches it.
RUNNER_DRIVERS_FOLDER = {"win32": DRIVERS_FOLDER, "win64": "C:\\windows\\Sysnative\\Drivers"}
PROGRAM = DEST_FOLDER + "\\velmora.exe"
UNINSTALLER = DEST_FOLDER + "\\uninstall.exe"
TEMP_COPY = re.compile(r"_[1-9]{8}\.tmp$")


class Check:
    """Collects the failed expectations of one scenario."""

    def __init__(self, name):
        self.name = name
        self.problems = []

    def equal(self, expected, actual, what):
        if expected != actual:
            self.problems.append("%s: expected %r, found %r" % (what, expected, actual))

    def true(self, condition, what):
        if not condition:
            self.problems.append(what)

    def no_differences(self, differences, what):
        self.problems += ["%s: %s" % (what, difference) for difference in differences]

    def drivers_loadable(self, prefix, services, entries, when):
        """The native view: see native_view.driver_problems."""
        self.no_differences(native_view.driver_problems(prefix.path, prefix.arch, services, entries), when)


def log_lines(prefix):
    return prefix.read_text(prefix_state.LOG_FILES[prefix.arch]).split("\r\n")


def package_entries(prefix, package):
    """The package's entries: name -> (size, md5)."""
    return prefix.run("package", "--package", windows_path(package)).entries


def temporary_copies(snapshot):
    return sorted(path for path in snapshot.files if TEMP_COPY.search(path))


def with_argument(arguments, option, value):
    arguments = list(arguments)
    arguments[arguments.index(option) + 1] = value
    return arguments


def natural_failure(workspace, name, arguments, code, expect, file_in_the_way=None):
    """Runs an installation that fails by itself, then checks the failure,
    the journal and log it leaves, and the state after the rollback. With
    file_in_the_way, the run starts from a prefix where that file stands
    where a folder would have to be created."""
    check = Check(name)
    source = workspace.pristine
    if file_in_the_way:
        holder = workspace.fresh(name + "-source")
        path = os.path.join(holder.path, prefix_relative(file_in_the_way))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "wb").close()
        source = holder.path
    before = workspace.state_before(name + "-before", source)
    prefix = workspace.fresh(name, source)
    result = prefix.run(*arguments)
    check.equal(("failed", code), (result.outcome, result.code), "outcome and code")
    outcome = settle(prefix, result, before, before)
    check.no_differences(outcome.pending_differences, "before restart")
    check.no_differences(prefix_state.compare(before, outcome.snapshot), "after rollback")
    expect(check, result, log_lines(prefix))
    if not check.problems:
        prefix.remove()
        if file_in_the_way:
            shutil.rmtree(source, ignore_errors=True)
    return check


def expect_missing_readme(check, result, lines):
    installed = [path for path, kind in result.created.items() if kind == 1]
    check.equal(sorted(["C:\\windows\\system32\\Drivers\\velctl.sys", "C:\\windows\\system32\\Drivers\\velmon.sys",
                        DEST_FOLDER + "\\velmora.exe", DEST_FOLDER + "\\velmorastub32.exe",
                        DEST_FOLDER + "\\license.txt"]), sorted(installed), "files installed before the failure")
    install_lines = [line for line in lines if line.startswith("Install File: ")]
    check.equal("Install File: " + DEST_FOLDER + "\\license.txt", install_lines[-1], "last file installed")
    check.equal(5, sum(line.startswith("RemoveInstallFiles: ") for line in lines), "files removed by the rollback")


def expect_driver_files_first(check, result, lines):
    check.equal(ERROR_PATH_NOT_FOUND, result.arg0, "argument")
    check.equal(["CreateFileA", "SetEndOfFile", "WriteFile"] * 2 + ["CreateDirectoryA"],
                [call[2] for call in result.calls if call[1] == "install"], "calls before the failure")
    check.equal(["RemoveInstallFiles: C:\\windows\\system32\\Drivers\\velctl.sys",
                 "RemoveInstallFiles: C:\\windows\\system32\\Drivers\\velmon.sys"],
                [line for line in lines if line.startswith("RemoveInstallFiles: ")], "driver files removed")


def expect_started_driver_stopped(check, result, lines):
    check.equal(ERROR_PATH_NOT_FOUND, result.arg0, "argument")
    check.equal(["velctl"], result.started, "services started before the failure")
    check.equal({"velctl": 4, "velmon": 4}, {name: kind for name, kind in result.created.items() if kind == 4},
                "services created before the failure")
    start = lines.index("Start Installed Service: velctl") if "Start Installed Service: velctl" in lines else -1
    check.true(start >= 0, "the control driver was not started")
    check.equal(["Stop Installed Service: velctl", "Uninstall Service: velctl", "Uninstall Service: velmon"],
                [line for line in lines if " Service: " in line and not line.startswith("Start")],
                "service stop and removal")
    check.true("ControlService" in [call[2] for call in result.calls if call[1] == "rollback"],
               "the stop step sent no stop control")


def expect_help_file_refused(check, result, lines):
    check.equal(ERROR_INVALID_DATA, result.arg0, "argument")
    check.equal("Install File: " + DEST_FOLDER + "\\velmora.chm",
                [line for line in lines if line.startswith("Install File: ")][-1], "last file installed")


def changed_after_verification(workspace, options, name, other_content):
    """The help file as 2 GiB of zeros, its stream read changed when the
    installation reads it again: its last byte (the checksum, which zlib
    refuses), or, with other_content, its last MiB and checksum replaced by
    a valid stream of other bytes (which only the digest check refuses).
    Code 637 with ERROR_INVALID_DATA, and the rollback."""
    big = os.path.join(workspace.work, name + ".pkg")
    tail, own, other = subprocess.check_output(
        [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "zeros_package.py"),
         options.package, big, "velmora.chm", "2048"]).decode().split()[-3:]
    own = bytes.fromhex(own)
    changed = other if other_content else (own[:-1] + bytes([own[-1] ^ 0x55])).hex()
    try:
        return natural_failure(workspace, name, install_arguments(big) + ["--change-bytes", tail, changed], 637,
                               expect_help_file_refused)
    finally:
        os.remove(big)


def clean_install(workspace, options):
    """A clean installation: every file in place, the drivers for this
    system in its native Drivers folder, the control driver running; after
    a restart, which loads the drivers from their image paths, it runs
    again."""
    check = Check("clean-install")
    prefix = workspace.fresh("clean-install")
    entries = package_entries(prefix, options.package)
    result = prefix.run(*install_arguments(options.package))
    check.equal(("completed", 0), (result.outcome, result.restart), "outcome and restart flag")
    check.equal(["velctl"], result.started, "services started")
    services = prefix_state.parse_services(prefix.run("services").service_lines)
    check.drivers_loadable(prefix, services, entries, "after the installation")
    lines = log_lines(prefix)
    for name in native_view.DRIVER_FILES:
        check.true("Install File: %s\\%s" % (DRIVERS_FOLDER, name) in lines, "no log line for " + name)
    snapshot = prefix_state.Snapshot(prefix.path, services)
    for name in ("velmora.exe", "uninstall.exe", "readme.txt"):
        check.equal(("file",) + entries[name], snapshot.file(DEST_FOLDER + "\\" + name), name)
    services = prefix_state.parse_services(prefix.restart())
    check.drivers_loadable(prefix, services, entries, "after a restart")
    if not check.problems:
        prefix.remove()
    return check


def product_operations(pairs):
    """The pending operations that name a file or folder of the product."""
    ours = (prefix_state.to_prefix_path(DEST_FOLDER).lower(), native_view.NATIVE_DRIVERS.lower())
    return [pair for pair in pairs if any(path and path.lower().startswith(ours) for path in pair)]


def missing_sources(snapshot):
    """The pending moves and deletions of the snapshot whose file or folder
    does not exist."""
    present = {path.lower() for path in snapshot.files}
    return [pair for pair in snapshot.pending_renames() if pair[0].lower() not in present]


def upgrade_over_running_driver(workspace, options, name, held_driver=None, refusing=False):
    """An upgrade over an earlier installation whose control driver runs:
    the driver is stopped, its file replaced and the driver started again,
    so that nothing waits for a restart. With held_driver (a driver file
    name) held open by another program, or with a control driver that
    refuses to stop (through the seam), what is in use is replaced at the
    restart instead; after it the native Drivers folder holds the new
    release's drivers for this system, with no copy left over, and the
    control driver runs."""
    check = Check(name)
    base = workspace.earlier_installation(name + "-base", options.earlier_package)
    prefix = workspace.fresh(name, base.path, WAIT_FOR_CONTROL_DRIVER)
    base.remove()
    entries = package_entries(prefix, options.package)
    before = prefix_state.Snapshot(prefix.path, {}).pending_renames()
    arguments = install_arguments(options.package)
    if held_driver:
        arguments += ["--hold", RUNNER_DRIVERS_FOLDER[prefix.arch] + "\\" + held_driver]
    if refusing:
        arguments += ["--fail-name", "ControlService", "--error", str(ERROR_INVALID_SERVICE_CONTROL)]
    result = prefix.run(*arguments)
    waits = bool(held_driver or refusing)
    check.equal(("completed", int(waits)), (result.outcome, result.restart), "outcome and restart flag")
    lines = log_lines(prefix)
    check.true("Stop Installed Service: velctl" in lines, "the log names no stop of velctl")
    if refusing:
        stop = lines.index("Stop Installed Service: velctl")
        check.equal("Warning: Service can't be stoped!", lines[stop + 1], "the line after the refused stop")
    else:
        check.true("Start Installed Service: velctl" in lines, "the log names no start of velctl")
    prefix.stop()
    held = prefix_state.Snapshot(prefix.path, {})
    pending = held.pending_renames()
    print("%s on %s: exit code %d; restart operations before %r, after %r" %
          (name, prefix.arch, 3010 if result.restart else 0, before, pending), flush=True)
    waiting = [name for name in native_view.DRIVER_FILES
               if (native_view.NATIVE_DRIVERS + "/" + name).lower() in [target.lower() for _, target in pending
                                                                        if target]]
    check.equal(sorted(filter(None, [held_driver, refusing and "velctl.sys"])), waiting, "drivers waiting")
    check.equal([], missing_sources(held), "restart operations naming a missing file")
    if not waits:
        check.equal([], product_operations(pending), "restart operations naming a product file")
        after = prefix_state.Snapshot(prefix.path, prefix_state.parse_services(result.service_lines))
        check.equal([], temporary_copies(after), "copies left")
        # Running, from the new file: a running driver holds its file, so a
        # replaced file that nothing waits to move is the one it runs from.
        check.drivers_loadable(prefix, after.services, entries, "after the upgrade")

    services = prefix_state.parse_services(prefix.restart())
    after = prefix_state.Snapshot(prefix.path, services)
    check.equal([], after.pending_renames(), "renames pending after the restart")
    check.equal([], temporary_copies(after), "copies left after the restart")
    check.drivers_loadable(prefix, services, entries, "after the restart")
    if not check.problems:
        prefix.remove()
    return check


def upgrade_with_program_in_use(workspace, options):
    """The earlier program is held open during the upgrade: its replacement
    waits for the restart, the running driver is replaced and runs again,
    and after the restart
    every file holds the new release's content, with no copy left over."""
    check = Check("program-in-use")
    base = workspace.earlier_installation("in-use-base", options.earlier_package)
    prefix = workspace.fresh("in-use", base.path, WAIT_FOR_CONTROL_DRIVER)
    base.remove()
    entries = package_entries(prefix, options.package)
    result = prefix.run(*(install_arguments(options.package) + ["--hold", PROGRAM]))
    check.equal("completed", result.outcome, "outcome")
    check.equal(1, result.restart, "restart flag")
    check.true(("report", 85, 3) not in result.progress, "the driver start was reported")
    # The running driver, stopped so that its file could be replaced, runs
    # again from the new file although the program waits for the restart.
    check.equal(["velctl"], result.started, "services started")
    check.equal("running", prefix_state.parse_services(result.service_lines).get("velctl"), "velctl")
    check.true(any(TEMP_COPY.search(path) and path.startswith(PROGRAM) for path in result.created),
               "no temporary copy of the program was recorded")
    prefix.stop()
    held = prefix_state.Snapshot(prefix.path, {})
    program_copy = prefix_state.to_prefix_path(PROGRAM + "_").lower()
    check.true(any(source.lower().startswith(program_copy) for source, _ in held.pending_renames()),
               "no replacement of the program is pending")

    services = prefix.restart()
    after = prefix_state.Snapshot(prefix.path, prefix_state.parse_services(services))
    check.equal([], after.pending_renames(), "renames pending after the restart")
    for name, (size, digest) in entries.items():
        if name.endswith(".sys") or name == "license.rtf":
            continue
        check.equal(("file", size, digest), after.file(DEST_FOLDER + "\\" + name), name + " after the restart")
    check.equal([], temporary_copies(after), "copies left after the restart")
    check.drivers_loadable(prefix, after.services, entries, "after the restart")
    if not check.problems:
        prefix.remove()
    return check


def uninstall_after_install(workspace, options):
    """Installs, removes the product with its own uninstaller, unattended,
    and installs it again before the restart, as an administrator
    reinstalling or a package manager's uninstall-then-install does: the
    restart must leave every installed file in place, the uninstaller
    included, whose deletion the removal had left for it. Then the
    registration's removal still works: after it and a restart the prefix
    is as before the installation but for the RunOnce key and the log."""
    check = Check("uninstall")
    before = workspace.state_before("uninstall-before", workspace.pristine)
    prefix = workspace.fresh("uninstall")
    entries = package_entries(prefix, options.package)
    result = prefix.run(*install_arguments(options.package))
    check.equal("completed", result.outcome, "installation")
    check.drivers_loadable(prefix, prefix_state.parse_services(prefix.run("services").service_lines), entries,
                           "after the installation")
    # As a deployment tool removes it: the registration's quiet command, run
    # as written from another folder. Nothing of the product is in use, so
    # nothing asks for a restart: 0.
    removal = prefix.run("quiet-uninstall", output_name="uninstall")
    check.equal('"%s" /quiet' % UNINSTALLER, removal.value("command"), "QuietUninstallString")
    check.equal("0", removal.value("exit"), "uninstaller exit code")
    # In the same session: under Wine every new session carries out the
    # operations left for the restart, as a restart does.
    reinstall = prefix.run(*install_arguments(options.package))
    check.equal(("completed", 0), (reinstall.outcome, reinstall.restart), "reinstallation")
    lines = log_lines(prefix)
    for path in (UNINSTALLER, DEST_FOLDER):
        check.true("Withdraw Restart Operation: " + path in lines, "the removal's operation on %s was not withdrawn" % path)
    prefix.stop()
    check.equal([], product_operations(prefix_state.Snapshot(prefix.path, {}).pending_renames()),
                "restart operations naming a product file after the reinstallation")
    services = prefix_state.parse_services(prefix.restart())
    installed = prefix_state.Snapshot(prefix.path, services)
    for name, (size, digest) in entries.items():
        if name.endswith(".sys") or name == "license.rtf":
            continue
        check.equal(("file", size, digest), installed.file(DEST_FOLDER + "\\" + name), name + " after the restart")
    check.drivers_loadable(prefix, services, entries, "after the reinstallation and a restart")

    removal = prefix.run("quiet-uninstall", output_name="uninstall-again")
    check.equal("0", removal.value("exit"), "second uninstaller exit code")
    services = prefix.restart()
    after = prefix_state.Snapshot(prefix.path, prefix_state.parse_services(services), before)
    check.no_differences(prefix_state.compare(before, after), "after uninstall and restart")
    if not check.problems:
        prefix.remove()
    return check


def uninstall_after_staged_upgrade(workspace, options):
    """An upgrade while the earlier program is in use stages its new copy
    for the restart; a removal before that restart drops the copy and its
    operation: no pending operation names a missing file, and after the
    restart nothing of the product is left."""
    check = Check("uninstall-after-staged-upgrade")
    base = workspace.earlier_installation("staged-base", options.earlier_package)
    prefix = workspace.fresh("staged", base.path, WAIT_FOR_CONTROL_DRIVER)
    base.remove()
    result = prefix.run(*(install_arguments(options.package) + ["--hold", PROGRAM]))
    check.equal(("completed", 1), (result.outcome, result.restart), "upgrade")
    removal = prefix.run("quiet-uninstall", output_name="uninstall")
    check.equal("0", removal.value("exit"), "uninstaller exit code")
    prefix.stop()
    removed = prefix_state.Snapshot(prefix.path, {})
    check.equal([], missing_sources(removed), "restart operations naming a missing file")
    check.equal([], [pair for pair in removed.pending_renames() if pair[1]], "moves pending after the removal")
    prefix.restart()
    after = prefix_state.Snapshot(prefix.path, {})
    check.equal([], [path for path in after.files if path.lower().startswith(
        prefix_state.to_prefix_path(DEST_FOLDER).lower())], "the program folder after the restart")
    if not check.problems:
        prefix.remove()
    return check


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--runner", required=True, help="sequence_runner.exe")
    parser.add_argument("--package", required=True, help="the demo package")
    parser.add_argument("--earlier-package", required=True, help="a package of an earlier release")
    parser.add_argument("--no-readme-package", required=True, help="the demo package without readme.txt")
    options = parser.parse_args()
    workspace = Workspace(options.runner)

    plain = install_arguments(options.package)
    scenarios = [
        lambda: clean_install(workspace, options),
        lambda: upgrade_over_running_driver(workspace, options, "upgrade-driver-running"),
        lambda: upgrade_over_running_driver(workspace, options, "upgrade-driver-held", "velmon.sys"),
        lambda: upgrade_over_running_driver(workspace, options, "upgrade-driver-refusing", refusing=True),
        lambda: natural_failure(workspace, "no-readme", install_arguments(options.no_readme_package), 154,
                                expect_missing_readme),
        lambda: natural_failure(workspace, "parent-is-a-file",
                                with_argument(plain, "--dest", "C:\\Program Files\\Velmora.lnk\\Velmora"), 684,
                                expect_driver_files_first, "C:\\Program Files\\Velmora.lnk"),
        lambda: natural_failure(workspace, "start-menu-parent-is-a-file",
                                with_argument(plain, "--start-menu", "Velmora.lnk\\" + START_MENU_FOLDER), 684,
                                expect_started_driver_stopped, PROGRAMS_FOLDER + "\\Velmora.lnk"),
        lambda: upgrade_with_program_in_use(workspace, options),
        lambda: changed_after_verification(workspace, options, "changed-checksum", False),
        lambda: changed_after_verification(workspace, options, "changed-content", True),
        lambda: uninstall_after_install(workspace, options),
        lambda: uninstall_after_staged_upgrade(workspace, options),
    ]

    def run(scenario):
        try:
            return scenario()
        except Exception:  # reported as the scenario's problem
            check = Check("error")
            check.problems.append(traceback.format_exc())
            return check

    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        checks = list(pool.map(run, scenarios))
    for check in checks:
        print("%s %s" % ("PASSED" if not check.problems else "FAILED", check.name))
        for problem in check.problems:
            print("    " + problem)
    sys.exit(1 if any(check.problems for check in checks) else 0)


if __name__ == "__main__":
    main()
