"""Throwaway Wine prefixes for the host-side sequence scenarios, and the
sequence runner that works in them."""

import os
import shutil
import subprocess


WINE_ENVIRONMENT_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine", "wine.env")


def wine_environment(arch=None):
    """The project's Wine environment, from the one file the shell scripts
    source too; arch ("win32" or "win64") names the architecture of a prefix
    about to be made, the file's default otherwise."""
    values = {}
    with open(WINE_ENVIRONMENT_FILE) as lines:
        for line in lines:
            line = line.strip()
            if line and not line.startswith("#"):
                key, _, value = line.partition("=")
                values[key] = value
    if arch:
        values["WINEARCH"] = arch
    return values


def prefix_arch(path):
    """The architecture a prefix was made with (the "#arch=" line of its
    system.reg, before the first key); the Wine environment's default for a
    prefix not made yet. Wine refuses to run in a prefix under another."""
    try:
        with open(os.path.join(path, "system.reg"), errors="replace") as lines:
            for line in lines:
                if line.startswith("#arch="):
                    return line.strip()[len("#arch="):]
                if line.startswith("["):
                    break
    except FileNotFoundError:
        pass
    return wine_environment()["WINEARCH"]


def scenario_folder():
    """Where a scenario test keeps its prefixes: one folder per architecture
    (CTest names it), so that a scenario's 32-bit and 64-bit runs can run
    side by side."""
    folder = os.environ.get("VELMORA_WINE_SCENARIOS") or os.path.join(os.environ["VELMORA_BUILD_DIR"], "wine",
                                                                         "scenarios")
    os.makedirs(folder, exist_ok=True)
    return folder


def windows_path(path):
    """The Z: drive path under which Wine sees a host path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class RunResult:
    """The records that sequence_runner printed, parsed."""

    def __init__(self, lines):
        self.lines = lines
        self.outcome = None  # "completed" or "failed"
        self.code = self.module = self.arg0 = None
        self.install_calls = None  # None: the record lacks the count
        self.calls = []  # (index, phase, name, argument, failed)
        self.restart = None
        self.progress = []  # ("report", percent, task) or ("position", percent)
        self.sleeps = []
        self.created = {}  # path or service -> kind
        self.started = []
        self.backups = {}
        self.captures = {}
        self.service_lines = []
        self.entries = {}  # package entry -> (size, md5)
        for line in lines:
            fields = line.split("\t")
            kind = fields[0]
            if kind == "outcome":
                self.outcome = fields[1]
                if self.outcome == "failed":
                    self.code, self.module, self.arg0 = (int(value) for value in fields[2:5])
            elif kind == "install-calls":
                self.install_calls = int(fields[1])
            elif kind == "mutating":
                self.calls.append((int(fields[1]), fields[2], fields[3], fields[4], fields[5] == "failed"))
            elif kind == "restart":
                self.restart = int(fields[1])
            elif kind == "progress":
                self.progress.append((fields[1],) + tuple(int(value) for value in fields[2:]))
            elif kind == "sleep":
                self.sleeps.append(int(fields[1]))
            elif kind == "created":
                self.created[fields[2]] = int(fields[1])
            elif kind == "started":
                self.started.append(fields[1])
            elif kind == "backup":
                self.backups[fields[1]] = fields[2]
            elif kind == "capture":
                self.captures[fields[1]] = int(fields[2])
            elif kind == "service":
                self.service_lines.append(line)
            elif kind == "entry":
                self.entries[fields[1]] = (int(fields[2]), fields[3])

    def value(self, kind):
        """The rest of the first record of that kind, or None."""
        return next((line.split("\t", 1)[1] for line in self.lines if line.startswith(kind + "\t")), None)

    def install_call_names(self):
        return [call[2] for call in self.calls if call[1] == "install"]

    def failed_call(self):
        return next((call for call in self.calls if call[4]), None)


class Prefix:
    """One prefix directory; every Wine command names it explicitly."""

    def __init__(self, path, prefix_tool, runner, runner_options=()):
        self.path = path
        self.prefix_tool = prefix_tool
        self.runner = runner
        self.runner_options = list(runner_options)  # added to every runner command

    def environment(self):
        environment = dict(os.environ)
        environment.update(wine_environment(prefix_arch(self.path)))
        environment["WINEPREFIX"] = self.path
        return environment

    def make_from(self, source):
        """Replaces this prefix with a copy of source."""
        subprocess.run([self.prefix_tool, "fresh", source, self.path], check=True)

    def wine(self, arguments, output_name, timeout=300):
        """Runs a Windows program; its output goes to a file, never a pipe,
        because Wine's background processes inherit it and would hold a pipe
        open. Returns the exit code and the output lines."""
        output_path = os.path.join(os.path.dirname(self.path), os.path.basename(self.path) + "." + output_name)
        with open(output_path, "w") as output:
            completed = subprocess.run(["wine"] + arguments, env=self.environment(), stdin=subprocess.DEVNULL,
                                       stdout=output, stderr=subprocess.STDOUT, timeout=timeout)
        with open(output_path, errors="replace") as output:
            lines = [line.rstrip("\r\n") for line in output]
        os.unlink(output_path)
        return completed.returncode, lines

    def run(self, *arguments, output_name="runner"):
        code, lines = self.wine([self.runner] + list(arguments) + self.runner_options, output_name)
        if code != 0:
            raise RuntimeError("sequence_runner %s failed (%d):\n%s" % (" ".join(arguments), code, "\n".join(lines)))
        return RunResult(lines)

    def stop(self):
        """Ends the prefix's session; the server saves the registry first."""
        subprocess.run([self.prefix_tool, "stop", self.path], check=True)

    def restart(self):
        """What a restart of Windows does, as far as the installation is
        concerned: every process ends, the next session's start carries out
        the renames pending until restart and starts the automatic services;
        `wineboot -r` then runs the restart actions once more. Returns the
        services as the new session sees them."""
        self.stop()
        self.wine(["wineboot", "-r"], "wineboot")
        services = self.run("services").service_lines
        self.stop()
        return services

    @property
    def arch(self):
        return prefix_arch(self.path)

    def read_text(self, relative_path):
        with open(os.path.join(self.path, relative_path), "rb") as stream:
            return stream.read().decode("latin-1")

    def remove(self):
        self.stop()
        shutil.rmtree(self.path, ignore_errors=True)
