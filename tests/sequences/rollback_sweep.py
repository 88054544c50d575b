#!/usr/bin/env python3
"""The rollback sweep: a full installation of the demo package fails at each
call that changes the system in turn, from the first to the last such call
of a full installation; after the service stop and the rollback the prefix
must be as it was before, but for the RunOnce key, the log file and work
pending until restart, which a restart must then carry out. Where the failed
call is one whose failure the installation ignores, it completes instead,
and its state is checked against a clean successful installation.

Every point starts from a fresh copy of the base prefix. Four points run
at a time: a point mostly waits (for Wine's sessions to start and end), so
four keep two processors busy."""

import argparse
import concurrent.futures
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import prefix_state  # noqa: E402
from wine_prefix import prefix_arch  # noqa: E402
from scenario_common import (CONTROL_SERVICE, DOCUMENT_KEYS, EARLIER_FOLDERS, UNINSTALL_KEY,  # noqa: E402
                             WAIT_FOR_CONTROL_DRIVER, Workspace, install_arguments, prefix_relative, settle)

PARALLEL_POINTS = 4
# The fewest calls that change the system a full installation makes, into a
# fresh prefix and over the earlier release: fewer means calls bypass the
# seam, and their failures would go unswept.
FLOOR_CLEAN = 65
FLOOR_UPGRADE = 94


def ignored_failure_allowance(call, arch):
    """What a completed installation may lack, compared with a clean one,
    when the given call failed and the installation went on: what that call
    would have written to the registry (the document type's registration
    ends at its first failure, so the rest of it too), a backup file left
    undeleted, or the control driver left stopped. arch: the system's, for
    where the registry keeps what the (32-bit) installation writes."""
    _, _, name, argument, _ = call
    registry_argument = argument.replace("\\", prefix_state.KEY_SEPARATOR)  # as system.reg spells it
    if name == "RegSetValueExA" and prefix_state.in_tree(registry_argument, UNINSTALL_KEY):
        key, value = registry_argument.rsplit(prefix_state.KEY_SEPARATOR, 1)
        return {"lost_values": ((prefix_state.stored_key(key, arch).lower(), '"%s"' % value),)}
    if name == "RegCreateKeyExA" and prefix_state.in_tree(registry_argument, UNINSTALL_KEY):
        return {"lost_keys": (prefix_state.stored_key(UNINSTALL_KEY, arch),)}
    if name in ("RegCreateKeyExA", "RegSetValueExA"):
        return {"lost_keys": DOCUMENT_KEYS}
    if name == "DeleteFileA":
        return {"ignore_files": (prefix_relative(argument),)}
    if name == "StartServiceA":
        return {"ignore_services": (CONTROL_SERVICE,)}
    return {}


KEPT_PREFIXES = 2


def keep_prefix(context, prefix, problems):
    """Removes a point's prefix, but keeps the first few that show residue
    for a look (each is a whole prefix, hundreds of megabytes)."""
    with context.lock:
        keep = bool(problems) and context.kept < KEPT_PREFIXES
        context.kept += keep
    if keep:
        prefix.stop()
        print("kept the prefix of a point with residue: " + prefix.path, flush=True)
    else:
        prefix.remove()


# What the runner says when Wine's service manager never answered a fresh
# copy of the prefix: the point never reached the installation, so it is
# taken once more from another copy rather than reported as residue.
NO_SERVICE_MANAGER = "no service manager after"


def run_point_once(context, prefix, number):
    prefix.make_from(context.base)
    try:
        return prefix.run(*install_arguments(context.package, number))
    except RuntimeError as error:
        if NO_SERVICE_MANAGER not in str(error):
            raise
        print("point %d: %s; taken again from a fresh copy" % (number, NO_SERVICE_MANAGER), flush=True)
        prefix.remove()
        prefix.make_from(context.base)
        return prefix.run(*install_arguments(context.package, number))


def run_point(context, number):
    prefix = context.workspace.prefix("%s-%d" % (context.label, number), context.runner_options)
    try:
        result = run_point_once(context, prefix, number)
        failed = result.failed_call()
        problems = []
        if failed is None or failed[0] != number or failed[1] != "install":
            problems.append("call %d was not failed by the seam" % number)
        if result.install_call_names()[:number] != context.full_calls[:number]:
            problems.append("the calls up to the failed one differ from the full installation's")
        if result.outcome == "failed":
            expected, allowed, kind = context.baseline, {}, "rolled back"
        else:
            expected, allowed, kind = (context.installed.snapshot, ignored_failure_allowance(failed, context.arch),
                                       "completed")
        outcome = settle(prefix, result, context.baseline, expected, **allowed)
        problems += ["before restart: " + difference for difference in outcome.pending_differences]
        problems += prefix_state.compare(expected, outcome.snapshot, **allowed)
        keep_prefix(context, prefix, problems)
        return number, failed, kind, result, outcome.restarted, problems
    except Exception as error:  # reported as the point's problem, the sweep goes on
        keep_prefix(context, prefix, [error])
        return number, None, "error", None, False, ["%s: %s" % (type(error).__name__, error)]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--label", required=True, help="name of the sweep, for the prefixes and the report")
    parser.add_argument("--runner", required=True, help="sequence_runner.exe")
    parser.add_argument("--package", required=True, help="the demo package")
    parser.add_argument("--earlier-package", help="sweep over an installation of this package, velctl running")
    parser.add_argument("--points", help="only these points, for debugging: 3,7,12")
    options = parser.parse_args()
    started = time.time()

    context = argparse.Namespace(label=options.label, package=options.package, lock=threading.Lock(), kept=0)
    context.workspace = workspace = Workspace(options.runner)
    context.arch = prefix_arch(workspace.pristine)
    if options.earlier_package:
        base = workspace.earlier_installation(options.label + "-base", options.earlier_package, EARLIER_FOLDERS)
    else:
        base = workspace.fresh(options.label + "-base")
        base.stop()
    context.base = base.path
    # The upgrade goes where the earlier release is, as the setup's second run does.
    context.runner_options = WAIT_FOR_CONTROL_DRIVER + ("--installed",) if options.earlier_package else ()
    context.baseline = workspace.state_before(options.label + "-before", context.base, context.runner_options)
    if options.earlier_package and context.baseline.services.get(CONTROL_SERVICE) != "running":
        sys.exit("velctl of the earlier installation is not running: %r" % context.baseline.services)

    # The full installation: the number of points, and the state that the
    # points where the installation completes must reach.
    full = workspace.fresh(options.label + "-full", context.base, context.runner_options)
    result = full.run(*install_arguments(context.package))
    if result.outcome != "completed":
        sys.exit("the full installation failed:\n" + "\n".join(result.lines))
    context.installed = settle(full, result, context.baseline)
    context.full_calls = result.install_call_names()
    full.remove()
    total = result.install_calls
    if total is None:
        sys.exit("the runner's record has no count of the calls that change the system:\n" + "\n".join(result.lines))
    floor = FLOOR_UPGRADE if options.earlier_package else FLOOR_CLEAN
    if total < floor:
        sys.exit("the full installation makes %d calls that change the system, fewer than %d" % (total, floor))
    print("%s sweep on %s: the full installation makes %d calls that change the system%s" %
          (options.label, context.arch, total, " and needs a restart" if context.installed.restarted else ""))

    numbers = range(1, total + 1)
    if options.points:
        numbers = [int(value) for value in options.points.split(",")]
    with concurrent.futures.ThreadPoolExecutor(PARALLEL_POINTS) as pool:
        reports = list(pool.map(lambda number: run_point(context, number), numbers))
    base.remove()

    failures = 0
    completed = []
    for number, call, kind, result, restarted, problems in reports:
        described = "%s(%s)" % (call[2], call[3]) if call else "?"
        code = " code %d arg0 %d" % (result.code, result.arg0) if result is not None and result.code is not None else ""
        print("point %3d  %-12s%s%s  %s" % (number, kind, code, "  restarted" if restarted else "", described))
        if kind == "completed":
            completed.append("%d %s" % (number, described))
        for problem in problems:
            print("    RESIDUE " + problem)
        failures += bool(problems)
    print("%s sweep on %s: %d points swept of %d calls that change the system, %d with residue, %.0f s" %
          (options.label, context.arch, len(reports), total, failures, time.time() - started))
    print("%s sweep: points where the installation completes despite the failure: %s" %
          (options.label, "; ".join(completed) or "none"))
    if len(reports) != total and not options.points:
        failures += 1
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
