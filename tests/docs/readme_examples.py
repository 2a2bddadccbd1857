#!/usr/bin/env python3
"""Runs every korva command of the README as written and checks the figures quoted next to it.

    readme_examples.py SOURCE_DIR KORVA_BINARY

Each fenced code block whose lines start with "build/korva" is run from a scratch copy of the
repository's examples (so that "build/korva" and "examples/..." resolve as they do at the root of
a clone); every command must end with status 0. A comment after the block,

    <!-- check FILE: KEY WORDS VALUE | KEY WORDS VALUE ... -->

names the file the command wrote (or "stdout") and the report lines whose value the prose quotes:
the line that starts with the key words must hold a value that rounds to VALUE at VALUE's digits,
and VALUE itself must appear in the README's text between this block and the next one, so the
prose cannot drift from the program either.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile


def blocks(text):
    """(commands, check comment or None, prose after the block) for every korva block."""
    out = []
    parts = re.split(r"^```[^\n]*\n(.*?)^```\n", text, flags=re.S | re.M)
    # parts: prose, block, prose, block, ..., prose
    for i in range(1, len(parts), 2):
        body = parts[i].replace("\\\n", " ")
        commands = [c.strip() for c in body.splitlines() if c.strip().startswith("build/korva ")]
        if not commands:
            continue
        after = parts[i + 1] if i + 1 < len(parts) else ""
        m = re.search(r"<!--\s*check\s+(\S+):\s*(.*?)-->", after, flags=re.S)
        out.append((commands, m, after))
    return out


def value_of(lines, key):
    words = key.split()
    for line in lines:
        tokens = line.split()
        if tokens[: len(words)] == words and len(tokens) > len(words):
            return tokens[len(words)]
    return None


def main():
    source, binary = sys.argv[1], os.path.abspath(sys.argv[2])
    with open(os.path.join(source, "README.md"), encoding="utf-8") as fh:
        readme = fh.read()
    failures = []
    found = blocks(readme)
    if not found:
        failures.append("the README has no korva command")
    for commands, check, prose in found:
        work = tempfile.mkdtemp(prefix="korva-readme-")
        try:
            shutil.copytree(os.path.join(source, "examples"), os.path.join(work, "examples"))
            os.makedirs(os.path.join(work, "build"))
            os.symlink(binary, os.path.join(work, "build", "korva"))
            env = {k: v for k, v in os.environ.items() if k != "DUVARUDU"}
            stdout = ""
            for command in commands:
                run = subprocess.run(command, shell=True, cwd=work, env=env, capture_output=True,
                                     text=True, timeout=600)
                stdout += run.stdout
                if run.returncode != 0:
                    failures.append(f"{command}: status {run.returncode}\n{run.stderr[-500:]}")
            if check is None:
                continue
            target, items = check.group(1), check.group(2)
            if target == "stdout":
                lines = stdout.splitlines()
            else:
                path = os.path.join(work, target)
                if not os.path.exists(path):
                    failures.append(f"{commands[-1]}: wrote no {target}")
                    continue
                with open(path, encoding="utf-8") as fh:
                    lines = fh.read().splitlines()
            for item in items.split("|"):
                words = item.split()
                key, want = " ".join(words[:-1]), words[-1]
                got = value_of(lines, key)
                digits = len(want.split(".")[1]) if "." in want else 0
                if got is None:
                    failures.append(f"{commands[-1]}: no line '{key}' in {target}")
                elif round(float(got), digits) != round(float(want), digits):
                    failures.append(f"{commands[-1]}: '{key}' is {got}, the README says {want}")
                if want not in prose.split("<!--")[0]:
                    failures.append(f"the README checks {key} {want} but its text does not say {want}")
        finally:
            shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("README:", f)
    print(f"{len(found)} README examples run, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
