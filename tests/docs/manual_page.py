#!/usr/bin/env python3
"""Checks the manual pages xmlpp.1 and xmlpp-check.1:

- groff -ww -man -z prints no warning, and man renders it without one;
- every message listed in the README's "Messages and exit status" tables
  appears in the rendered xmlpp.1, every warning of its "Warnings of
  xmlpp-check" table in xmlpp-check.1, so the lists cannot drift apart;
- the example marked with a roff comment '.\\" example: ARGS' in xmlpp.1 (its
  next two .EX blocks are the input and the expected output) gives that
  output.

Usage: manual_page.py XMLPP_BINARY REPOSITORY_ROOT
Exits with 77 (skipped) when groff is not installed.
"""
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

SKIPPED = 77


def groff_warnings(page):
    run = subprocess.run(["groff", "-ww", "-man", "-z", str(page)], capture_output=True, text=True)
    return run.stdout + run.stderr + ("" if run.returncode == 0 else f"groff exit status {run.returncode}")


def man_warnings(page):
    if not shutil.which("man"):
        return ""
    run = subprocess.run(["man", "--warnings", "-l", str(page)], capture_output=True, text=True,
                         env={"PATH": "/usr/bin:/bin", "MANWIDTH": "80", "MAN_DISABLE_SECCOMP": "1"})
    return run.stderr + ("" if run.returncode == 0 else f"man exit status {run.returncode}")


def rendered_text(page):
    """The page as plain ASCII with every run of white space made one space."""
    run = subprocess.run(["groff", "-man", "-Tascii", "-P-c", "-P-b", "-P-u", "-P-o", str(page)],
                         capture_output=True, text=True, check=True)
    return " ".join(run.stdout.split())


# Each page, the README section whose table it must cover, and how many
# rows that table has at least.
PAGES = (("xmlpp.1", "## Messages and exit status", 30), ("xmlpp-check.1", "### Warnings of xmlpp-check", 9))


def readme_messages(readme, heading):
    section = re.split(r"\n##+ ", readme.split(heading + "\n", 1)[1], maxsplit=1)[0]
    return re.findall(r"^\| `([^`]+)` \|", section, re.MULTILINE)


def unescape_roff(line):
    return line.replace("\\-", "-").replace("\\e", "\\").replace("\\(dq", '"')


def marked_example(page_text):
    lines = page_text.split("\n")
    marker = next(i for i, line in enumerate(lines) if line.startswith('.\\" example: '))
    args = shlex.split(lines[marker][len('.\\" example: '):])
    blocks, block = [], None
    for line in lines[marker + 1:]:
        if line == ".EX":
            block = []
        elif line == ".EE":
            blocks.append("".join(unescape_roff(l) + "\n" for l in block))
            block = None
            if len(blocks) == 2:
                break
        elif block is not None:
            block.append(line)
    return args, blocks[0], blocks[1]


def example_problem(binary, args, source, expected):
    with tempfile.TemporaryDirectory(prefix="manual-example-") as work:
        Path(work, args[0]).write_text(source)
        run = subprocess.run(["xmlpp"] + args, executable=binary, cwd=work, capture_output=True, timeout=60)
        output = Path(work, args[1])
        actual = output.read_text() if output.exists() else None
        if run.returncode != 0 or actual != expected:
            return f"status {run.returncode}, stderr {run.stderr!r}, output {actual!r}, shown {expected!r}"
    return ""


def main():
    binary, root = str(Path(sys.argv[1]).resolve()), Path(sys.argv[2]).resolve()
    if not shutil.which("groff"):
        print("SKIP: groff is not installed")
        return SKIPPED
    failures = []
    checks = 1
    for page_name, heading, at_least in PAGES:
        page = root / page_name
        for name, warnings in (("groff -ww", groff_warnings(page)), ("man --warnings", man_warnings(page))):
            if warnings:
                failures.append(f"{page_name}: {name}: {warnings}")
        text = rendered_text(page)
        messages = readme_messages((root / "README.md").read_text(), heading)
        if len(messages) < at_least:
            failures.append(f"only {len(messages)} messages found in the README's {heading}")
        for message in messages:
            if " ".join(message.split()) not in text:
                failures.append(f"message missing from {page_name}: {message}")
        checks += 2 + len(messages)
    args, source, expected = marked_example((root / "xmlpp.1").read_text())
    problem = example_problem(binary, args, source, expected)
    if problem:
        failures.append(f"manual page example: {problem}")
    for failure in failures:
        print("FAIL " + failure)
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
