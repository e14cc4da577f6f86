#!/usr/bin/env python3
"""Runs every example of README.md with the built xmlpp and compares the
result with what the README shows. The markers (file, example, error,
example in DIR) are described in the comment at the top of README.md.
The Quick start command that runs an example must match an "example in"
marker, so the output shown after it is checked too.

Usage: readme_examples.py XMLPP_BINARY REPOSITORY_ROOT
xmlpp-check is taken from beside XMLPP_BINARY (BUILD/bin/), and the "cmake"
examples build against BUILD installed into a temporary folder.
"""
import difflib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

MARKER = re.compile(r"^<!-- (file|example|error|check|make|cmake|meson|example in (\S+)): (.*) -->$")
BUILD_KINDS = ("make", "cmake", "meson")
QUICK_START_RUN = re.compile(r"cd (examples/\S+) && \.\./\.\./build/bin/xmlpp (.+?) && cat (\S+)")


class Example:
    def __init__(self, kind, line, args, folder=None):
        self.kind = kind
        self.line = line
        self.args = args
        self.folder = folder
        self.blocks = []
        self.files = {}

    def blocks_needed(self):
        return 1 if self.folder or self.kind in BUILD_KINDS else 2


def read_blocks_and_markers(text):
    """Yields ("marker", match, line) and ("block", content, line) in order."""
    lines = text.split("\n")
    index = 0
    while index < len(lines):
        line = lines[index]
        marker = MARKER.match(line)
        if marker:
            yield "marker", marker, index + 1
        elif line.startswith("```"):
            start = index + 1
            index += 1
            while index < len(lines) and lines[index] != "```":
                index += 1
            yield "block", "".join(l + "\n" for l in lines[start:index]), start
        index += 1


def parse_examples(text):
    examples = []
    pending_files = {}
    pending_file_name = None
    current = None
    for kind, value, line in read_blocks_and_markers(text):
        if kind == "marker":
            if current and len(current.blocks) < current.blocks_needed():
                raise ValueError(f"README line {current.line}: example without its code blocks")
            what, folder, argument = value.group(1), value.group(2), value.group(3)
            if what == "file":
                pending_file_name = argument
                current = None
                continue
            kind_name = "example" if folder else what
            current = Example(kind_name, line, shlex.split(argument), folder)
            current.files, pending_files = pending_files, {}
            examples.append(current)
        elif pending_file_name:
            pending_files[pending_file_name] = value
            pending_file_name = None
        elif current and len(current.blocks) < current.blocks_needed():
            current.blocks.append(value)
    if current and len(current.blocks) < current.blocks_needed():
        raise ValueError(f"README line {current.line}: example without its code blocks")
    if pending_files or pending_file_name:
        raise ValueError("README: a file block is not followed by an example")
    return examples


def input_and_output_names(args):
    names = args[1:] if args and args[0] == "-xhtml" else args
    return names[0], names[1]


def difference(expected, actual, what):
    diff = difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                f"{what} shown in README", f"{what} produced")
    return "".join(diff) or f"{what}: {expected!r} != {actual!r}\n"


def build_problems(binary, work, example, prefix):
    """Builds the "make", "cmake" or "meson" example in work: it must make
    its target, then see nothing to do, then see work once the last file
    given before it has changed."""
    bin_dir = str(Path(binary).parent)
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""))
    target = example.args[0]
    if example.kind == "make":
        (work / "Makefile").write_text(example.blocks[0])
        build, output, up_to_date = ["make"], work / target, lambda: subprocess.run(
            ["make", "-q"], cwd=work, env=env).returncode == 0
    else:
        if example.kind == "cmake":
            (work / "CMakeLists.txt").write_text(example.blocks[0])
            setup = ["cmake", "-S", ".", "-B", "build", "-G", "Ninja", f"-DCMAKE_PREFIX_PATH={prefix}"]
        else:
            (work / "meson.build").write_text(example.blocks[0])
            setup = ["meson", "setup", "build"]
        configure = subprocess.run(setup, cwd=work, env=env, capture_output=True, text=True)
        if configure.returncode != 0:
            return [f"{setup[0]} failed: {configure.stdout}{configure.stderr}"]
        build, output = ["ninja", "-C", "build"], work / "build" / target
        up_to_date = lambda: "no work to do" in subprocess.run(["ninja", "-C", "build", "-n"], cwd=work, env=env,
                                                                capture_output=True, text=True).stdout
    run = subprocess.run(build, cwd=work, env=env, capture_output=True, text=True, timeout=300)
    if run.returncode != 0 or not output.exists():
        return [f"the build did not make {target}: {run.stdout}{run.stderr}"]
    if not up_to_date():
        return ["a second build would do work"]
    time.sleep(1)
    last = work / list(example.files)[-1]
    last.write_text(last.read_text() + "\n")
    return [] if not up_to_date() else [f"a change to {last.name} makes no work"]


def run_example(binary, root, example, prefix):
    """Returns a list of problems (empty when the example holds)."""
    with tempfile.TemporaryDirectory(prefix="readme-example-") as temp:
        work = Path(temp) / "work"
        if example.folder:
            shutil.copytree(root / example.folder, work)
        else:
            work.mkdir()
        for name, content in example.files.items():
            (work / name).parent.mkdir(parents=True, exist_ok=True)
            (work / name).write_text(content)
        if example.kind in BUILD_KINDS:
            return build_problems(binary, work, example, prefix)
        input_name, output_name = input_and_output_names(example.args)
        if not example.folder:
            (work / input_name).write_text(example.blocks[0])
        program = "xmlpp-check" if example.kind == "check" else "xmlpp"
        run = subprocess.run([program] + example.args, executable=str(Path(binary).parent / program), cwd=work,
                             capture_output=True, timeout=120)
        stderr = run.stderr.decode("latin-1")
        output_path = work / output_name
        output = output_path.read_bytes().decode("latin-1") if output_path.exists() else None
        problems = []
        if example.kind in ("error", "check"):
            if run.returncode != (1 if example.kind == "error" else 0):
                problems.append(f"exit status {run.returncode}")
            if stderr != example.blocks[1]:
                problems.append(difference(example.blocks[1], stderr, "standard error"))
            if output is not None and example.kind == "error":
                problems.append(f"{output_name} was written")
        else:
            if run.returncode != 0 or stderr:
                problems.append(f"exit status {run.returncode}, standard error {stderr!r}")
            expected = example.blocks[-1]
            if output is None:
                problems.append(f"{output_name} was not written")
            elif output != expected:
                problems.append(difference(expected, output, output_name))
        return problems


def check_quick_start(text, examples):
    section = text.split("## Quick start", 1)[1].split("\n## ", 1)[0]
    found = QUICK_START_RUN.search(section)
    if not found:
        return ["the Quick start command that runs an example was not found"]
    folder, args, shown = found.group(1), shlex.split(found.group(2)), found.group(3)
    for example in examples:
        if example.folder == folder and example.args == args and input_and_output_names(args)[1] == shown:
            return []
    return [f"no 'example in {folder}' marker runs the Quick start arguments {args}"]


def main():
    binary, root = str(Path(sys.argv[1]).resolve()), Path(sys.argv[2]).resolve()
    text = (root / "README.md").read_text()
    examples = parse_examples(text)
    failed = 0
    prefix = tempfile.mkdtemp(prefix="readme-package-")
    subprocess.run(["cmake", "--install", str(Path(binary).parent.parent), "--prefix", prefix], check=True,
                   capture_output=True)
    for example in examples:
        problems = run_example(binary, root, example, prefix)
        label = f"README line {example.line}: {example.kind} {shlex.join(example.args)}"
        if problems:
            failed += 1
            print(f"FAIL {label}")
            for problem in problems:
                print("  " + problem.replace("\n", "\n  "))
        else:
            print(f"ok   {label}")
    quick_start_problems = check_quick_start(text, examples)
    for problem in quick_start_problems:
        failed += 1
        print(f"FAIL Quick start: {problem}")
    # A README whose markers all vanished must not pass as "nothing failed".
    if len(examples) < 10:
        failed += 1
        print(f"FAIL only {len(examples)} examples found in README.md")
    shutil.rmtree(prefix)
    total = len(examples) + 1
    print(f"{total - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
