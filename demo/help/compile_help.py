#!/usr/bin/env python3
"""Compiles the help project into a .chm that depends on its sources alone.

usage: compile_help.py CHMCMD SETARCH OUTPUT PROJECT SOURCE...

chmcmd's compressed section changes with where its memory lands. Address
space randomization off (setarch -R) is not enough: the length of its
arguments, its environment and its working folder move its stack, and the
stack size limit moves its mappings. So it compiles a copy of the sources
in a fresh folder whose name always has the same length, with no
environment, the same arguments and the usual 8 MiB stack limit, started by
the programs' real paths; then the compile times are cleared. chmcmd reports
success even when it fails, so a missing output is an error.
"""
import os
import resource
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from clear_chm_times import clear_times  # noqa: E402

# Not $TMPDIR: its length would vary from one machine or user to the next.
FIXED_FOLDER = "/tmp"
STACK_LIMIT = 8 << 20


def fixed_stack_limit():
    _, hard = resource.getrlimit(resource.RLIMIT_STACK)
    limit = STACK_LIMIT if hard == resource.RLIM_INFINITY else min(STACK_LIMIT, hard)
    resource.setrlimit(resource.RLIMIT_STACK, (limit, hard))


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__.strip().splitlines()[2])
    chmcmd, setarch, output, project = (os.path.realpath(path) for path in sys.argv[1:5])
    with tempfile.TemporaryDirectory(prefix="velmora-help-", dir=FIXED_FOLDER) as folder:
        for source in sys.argv[4:]:
            shutil.copyfile(source, os.path.join(folder, os.path.basename(source)))
        subprocess.run([setarch, "-R", chmcmd, "--no-html-scan", os.path.basename(project)], cwd=folder, env={},
                       preexec_fn=fixed_stack_limit, check=True)
        # The project names its compiled file after itself (velmora.hhp: velmora.chm).
        compiled = os.path.join(folder, os.path.splitext(os.path.basename(project))[0] + ".chm")
        if not os.path.exists(compiled):
            sys.exit("chmcmd made no " + os.path.basename(compiled))
        with open(compiled, "rb") as f:
            data = bytearray(f.read())
    try:
        clear_times(data)
    except (ValueError, struct.error, IndexError) as error:
        sys.exit("%s: %s" % (output, error))
    with open(output, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
