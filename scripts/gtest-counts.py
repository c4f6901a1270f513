#!/usr/bin/env python3
"""Counts a GoogleTest JSON result file (--gtest_output=json:FILE).

Usage: scripts/gtest-counts.py FILE
Prints "PASSED FAILED SKIPPED" on the first line and then the name of each
failed test, one a line. Disabled tests are not counted. Exits 2 when the
file is missing or is not a complete result file (the run crashed or was
stopped before GoogleTest wrote it).
"""

import json
import sys


def count(results):
    passed = failed = skipped = 0
    failures = []
    for suite in results["testsuites"]:
        for test in suite["testsuite"]:
            if test.get("status") != "RUN":
                continue
            name = f"{suite['name']}.{test['name']}" if test["name"] else suite["name"]
            if test.get("failures"):
                failed += 1
                failures.append(name)
            elif test.get("result") == "SKIPPED":
                skipped += 1
            else:
                passed += 1
    return passed, failed, skipped, failures


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding="utf-8", errors="replace") as text:
            results = json.load(text)
        passed, failed, skipped, failures = count(results)
    except (OSError, ValueError, KeyError, TypeError) as error:
        print(f"no complete result file {argv[1]}: {error}", file=sys.stderr)
        return 2
    print(passed, failed, skipped)
    for name in failures:
        print(name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
