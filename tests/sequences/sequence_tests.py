#!/usr/bin/env python3
"""Runs every test case of sequence_tests alone in a fresh copy of the
pristine prefix, two at a time: each one installs the product into the
machine it runs on."""

import argparse
import concurrent.futures
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from wine_prefix import Prefix, scenario_folder, windows_path  # noqa: E402

PARALLEL_CASES = 2


def list_cases(prefix, arguments):
    code, lines = prefix.wine(arguments + ["--gtest_list_tests"], "list")
    if code != 0:
        sys.exit("cannot list the test cases:\n" + "\n".join(lines))
    cases = []
    suite = None
    for line in lines:
        if not line.strip():
            continue
        if not line.startswith(" "):
            suite = line.strip()
        else:
            cases.append(suite + re.sub(r"\s+#.*", "", line.strip()))
    return cases


def run_case(context, case):
    prefix = Prefix(os.path.join(context.work, "sequences-" + case.replace(".", "-")), context.prefix_tool, None)
    try:
        prefix.make_from(context.pristine)
        code, lines = prefix.wine(context.arguments + ["--gtest_filter=" + case], "output")
    finally:
        prefix.stop()
    if code == 0:
        prefix.remove()
    return case, code, lines


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tests", required=True, help="sequence_tests.exe")
    parser.add_argument("--demo-package", required=True)
    parser.add_argument("--earlier-package", required=True)
    options = parser.parse_args()

    context = argparse.Namespace()
    context.prefix_tool = os.environ["VELMORA_PREFIX_TOOL"]
    context.pristine = os.environ["VELMORA_WINE_PRISTINE"]
    context.work = scenario_folder()
    context.arguments = [windows_path(options.tests), "--demo-package=" + windows_path(options.demo_package),
                         "--earlier-package=" + windows_path(options.earlier_package)]

    lister = Prefix(os.path.join(context.work, "sequences-list"), context.prefix_tool, None)
    lister.make_from(context.pristine)
    cases = list_cases(lister, context.arguments)
    lister.remove()

    with concurrent.futures.ThreadPoolExecutor(PARALLEL_CASES) as pool:
        results = list(pool.map(lambda case: run_case(context, case), cases))
    failed = 0
    for case, code, lines in results:
        print("%s %s" % ("PASSED" if code == 0 else "FAILED", case))
        if code != 0:
            failed += 1
            print("\n".join("    " + line for line in lines))
    print("%d of %d test cases passed, each in a prefix of its own" % (len(results) - failed, len(results)))
    sys.exit(1 if failed or not results else 0)


if __name__ == "__main__":
    main()
