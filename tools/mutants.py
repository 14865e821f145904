#!/usr/bin/env python3
"""Applies each small fault of tools/mutants.txt in turn, builds, runs the tests and
prints which faults the suite catches (killed) and which it misses (survived).

Usage: tools/mutants.py [BUILD_DIR] [--tests REGEX]

BUILD_DIR (default build-mutants) is configured if it is not yet; the slow tests (soak,
valgrind, the load script and the browser) are left out unless --tests names them.
Every file is put back as it was, whatever happens. Exit status 1 when one survives.
"""
import argparse
import os
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def mutants():
    entry = {}
    for line in (ROOT / "tools" / "mutants.txt").read_text().splitlines() + [""]:
        if line.startswith("# "):
            entry = {"what": line[2:]}
        elif re.match(r"(file|from|to):", line):
            key, value = line.split(":", 1)
            entry[key] = value.strip()
        elif not line.strip() and {"file", "from", "to"} <= entry.keys():
            yield entry
            entry = {}


def run(command, **kwargs):
    return subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs).returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build-mutants")
    parser.add_argument("--tests", default="", help="ctest -R: only these tests")
    args = parser.parse_args()
    build = Path(args.build)
    if not (build / "CMakeCache.txt").exists():
        run(["cmake", "-S", ".", "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], check=True)
    ctest = ["ctest", "--test-dir", build, "-j2", "--stop-on-failure", "-E",
             "soak|valgrind|faults_and_load|in_browser"]
    if args.tests:
        ctest += ["-R", args.tests]
    survived = []
    for mutant in mutants():
        path = ROOT / mutant["file"]
        original = path.read_text()
        if original.count(mutant["from"]) != 1:
            print(f"stale   {mutant['what']}: not found once in {mutant['file']}")
            survived.append(mutant)
            continue
        try:
            path.write_text(original.replace(mutant["from"], mutant["to"]))
            if run(["cmake", "--build", build, "-j2"]) != 0:
                verdict = "killed (does not build)"
            else:
                verdict = "killed" if run(ctest, env={**os.environ, "QT_QPA_PLATFORM": "offscreen"}) else "SURVIVED"
        finally:
            path.write_text(original)
        print(f"{verdict:8} {mutant['what']}")
        sys.stdout.flush()
        if verdict == "SURVIVED":
            survived.append(mutant)
    run(["cmake", "--build", build, "-j2"])
    sys.exit(1 if survived else 0)


if __name__ == "__main__":
    main()
