#!/usr/bin/python3
"""Runs the examples of the Markdown documents as they are written, so the documents and the
programs cannot drift apart.

    run_examples.py --tag TAG --bin DIR --build DIR --source DIR FILE.md...

A fenced block runs when its info string says so: ```sh run (tag `vexa`) or ```sh run=TAG, and
the same with console. Only blocks of the given tag run. The blocks of one document run in
order in one fresh folder, which holds links to the source tree's samples/, examples/ and
scripts/ and build/release pointing at the build under test; HOME is a folder of its own there
(so ~/.local is a temporary prefix), and DIR comes first on PATH.

- sh: the block is one bash script (errexit, nounset, pipefail); it must exit 0.
- console: each line starting with "$ " is a command (a trailing backslash continues it on the
  next line); the lines up to the next command are its output, standard output and standard
  error together, compared line by line. A line starting with "..." stands for any number of
  lines. Each command must exit 0 (a command shown failing ends in `; echo "exit $?"`).

Exit status 1 when any block failed, 2 when no block of the tag was found.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

# A sh block stops at its first failing command; a console command runs as a user's shell runs it.
SCRIPT_SHELL = ["bash", "-euo", "pipefail"]
COMMAND_SHELL = ["bash"]
FENCE = re.compile(r"^```(sh|console)\s+run(?:=(\S+))?\s*$")


def blocks_of(path, tag):
    """(line number, kind, lines) of each runnable block of the tag in a Markdown file."""
    found, current = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if current is None:
                match = FENCE.match(line)
                if match and (match.group(2) or "vexa") == tag:
                    current = (number, match.group(1), [])
            elif line.startswith("```"):
                found.append(current)
                current = None
            else:
                current[2].append(line)
    return found


def console_steps(lines):
    """(command, expected output lines) of a console block."""
    steps = []
    command = None
    for line in lines:
        if command is not None and command.endswith("\\"):
            command += "\n" + line
            steps[-1] = (command, steps[-1][1])
        elif line.startswith("$ "):
            command = line[2:]
            steps.append((command, []))
        elif steps:
            steps[-1][1].append(line)
            command = None
    return steps


def output_matches(expected, actual):
    """Whether the actual lines are the expected ones, where a '...' line stands for any lines."""
    expected = [line.rstrip() for line in expected]
    actual = [line.rstrip() for line in actual]

    def match(e, a):
        if e == len(expected):
            return a == len(actual)
        if expected[e].startswith("..."):
            return any(match(e + 1, skip) for skip in range(a, len(actual) + 1))
        return a < len(actual) and expected[e] == actual[a] and match(e + 1, a + 1)

    return match(0, 0)


def run(shell, script, folder, environment):
    done = subprocess.run(shell + ["-c", script], cwd=folder,
                          env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          stdin=subprocess.DEVNULL)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def prepare(folder, options):
    for name in ("samples", "examples", "scripts"):
        os.symlink(os.path.join(options.source, name), os.path.join(folder, name))
    os.makedirs(os.path.join(folder, "build"))
    os.symlink(options.build, os.path.join(folder, "build", "release"))
    home = os.path.join(folder, "home")
    os.makedirs(home)
    environment = dict(os.environ, HOME=home, LC_ALL="C.UTF-8",
                       PATH=options.bin + os.pathsep + os.environ.get("PATH", ""))
    for name in ("PKG_CONFIG_PATH", "LD_LIBRARY_PATH", "VEXA_LIBRARY"):
        environment.pop(name, None)
    return environment


def run_document(path, blocks, options):
    """Runs a document's blocks in order; returns the number that failed."""
    failed = 0
    with tempfile.TemporaryDirectory(prefix="vexa-docs.") as folder:
        environment = prepare(folder, options)
        for number, kind, lines in blocks:
            where = f"{os.path.relpath(path, options.source)}:{number}"
            if kind == "sh":
                status, output = run(SCRIPT_SHELL, "\n".join(lines) + "\n", folder, environment)
                if status:
                    print(f"{where}: the block exited {status}:\n{output}")
                    failed += 1
                else:
                    print(f"{where}: ok")
                continue
            block_ok = True
            for command, expected in console_steps(lines):
                status, output = run(COMMAND_SHELL, command, folder, environment)
                actual = output.splitlines()
                if status or not output_matches(expected, actual):
                    print(f"{where}: $ {command}\n  exit {status}; expected:\n"
                          + "".join(f"    {line}\n" for line in expected)
                          + "  got:\n" + "".join(f"    {line}\n" for line in actual))
                    block_ok = False
            failed += not block_ok
            if block_ok:
                print(f"{where}: ok")
        # Read-only files made by the examples must not stop the clean-up.
        for top, folders, _ in os.walk(folder):
            for name in folders:
                if not os.path.islink(os.path.join(top, name)):
                    os.chmod(os.path.join(top, name), 0o755)
    return failed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tag", default="vexa")
    parser.add_argument("--bin", required=True, help="folder of the vexa under test")
    parser.add_argument("--build", required=True, help="the build that build/release stands for")
    parser.add_argument("--source", required=True)
    parser.add_argument("documents", nargs="+")
    options = parser.parse_args()
    options.bin, options.build, options.source = (os.path.abspath(p) for p in
                                                  (options.bin, options.build, options.source))
    total = failed = 0
    for path in options.documents:
        blocks = blocks_of(path, options.tag)
        total += len(blocks)
        if blocks:
            failed += run_document(path, blocks, options)
    print(f"documented examples ({options.tag}): {total - failed} of {total} blocks ran as written")
    if not total:
        return 2
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
