#!/usr/bin/env python3
"""Runs every end-to-end test (tests/e2e/test_*.py) headless under Wine and Xvfb, against one test build.

Prints one line per test, the details of every failure, and last a summary line "N passed, M failed" (with
", K skipped" when tests were skipped); exits non-zero when any test failed or errored.

  python3 tests/e2e/run.py [--exe build/x86/test-build/OrvelMouseAssistant.exe]
                           [--wininfo build/x86/tests/e2e/orvel_wininfo.exe] [--packages build/packages]
                           [-k PATTERN] [--keep]

The test build may be the i686 one (the product's architecture, the default) or the x86_64 one (build/x64/...);
the probe should be of the same build. The product smoke tests install the packages of the same architecture
from --packages.
"""

import argparse
import os
import shutil
import signal
import sys
import time
import unittest
from pathlib import Path

# No __pycache__ folders in the source tree.
sys.dont_write_bytecode = True

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[1]


class LineResult(unittest.TestResult):
    """One line per test as it ends: PASS, FAIL, ERROR or SKIP, its name and how long it took."""

    def __init__(self, stream):
        super().__init__()
        self.stream = stream
        self.passed = 0
        self.started = {}

    def _line(self, word, test, extra=""):
        seconds = time.monotonic() - self.started.get(test, time.monotonic())
        self.stream.write("%-5s %s (%.1f s)%s\n" % (word, test.id(), seconds, extra))
        self.stream.flush()

    def startTest(self, test):
        self.started[test] = time.monotonic()
        super().startTest(test)

    def addSuccess(self, test):
        super().addSuccess(test)
        self.passed += 1
        self._line("PASS", test)

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._line("FAIL", test)

    def addError(self, test, err):
        super().addError(test, err)
        self._line("ERROR", test)

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._line("SKIP", test, ": " + reason)

    def addExpectedFailure(self, test, err):
        super().addExpectedFailure(test, err)
        self.passed += 1
        self._line("PASS", test, " (expected failure)")

    def addUnexpectedSuccess(self, test):
        super().addUnexpectedSuccess(test)
        self._line("FAIL", test, " (unexpected success)")


def resolve(path_text):
    path = Path(path_text)
    if not path.is_absolute() and not path.exists():
        path = REPO / path  # relative to the source tree when not found from the current folder
    return path.resolve()


def all_tests(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from all_tests(item)
        else:
            yield item


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", default="build/x86/test-build/OrvelMouseAssistant.exe",
                        help="the test build under test (i686 or x86_64)")
    parser.add_argument("--wininfo", default="build/x86/tests/e2e/orvel_wininfo.exe",
                        help="the window probe built beside that test build")
    parser.add_argument("--packages", default="build/packages",
                        help="where tools/package.sh left the packages (the product smoke tests)")
    parser.add_argument("-k", dest="patterns", action="append", default=[],
                        help="only tests whose name contains this text (may be repeated)")
    parser.add_argument("--keep", action="store_true",
                        help="keep every test's prefix and evidence, not only those of failing tests")
    options = parser.parse_args(argv)

    os.environ["ORVEL_E2E_EXE"] = str(resolve(options.exe))
    os.environ["ORVEL_E2E_WININFO"] = str(resolve(options.wininfo))
    os.environ["ORVEL_E2E_PACKAGES"] = str(resolve(options.packages))
    if options.keep:
        os.environ["ORVEL_E2E_KEEP"] = "1"
    # The tests make their own X server; an existing display is never used.
    os.environ.pop("DISPLAY", None)
    sys.path.insert(0, str(HERE))
    import harness

    loader = unittest.TestLoader()
    if options.patterns:
        loader.testNamePatterns = ["*%s*" % p for p in options.patterns]
    suite = loader.discover(str(HERE), pattern="test_*.py", top_level_dir=str(HERE))
    # Evidence an earlier run left for these tests would be taken for this run's (other tests' folders stay:
    # another run may be using them).
    for test in all_tests(suite):
        shutil.rmtree(harness.artifacts_folder() / harness.artifact_name(test.id()), ignore_errors=True)

    # A run ended from outside (timeout of a CI job) still takes its X server and Wine processes down.
    # (unittest would take SystemExit for one failing test and go on; an interrupt stops the whole run.)
    def interrupt(*_):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, interrupt)

    out = sys.stdout
    out.write("e2e: program %s (%s)\ne2e: probe %s\n" % (os.environ["ORVEL_E2E_EXE"], harness.program_arch(),
                                                       os.environ["ORVEL_E2E_WININFO"]))
    out.flush()
    result = LineResult(out)
    started = time.monotonic()
    interrupted = False
    try:
        suite.run(result)
    except KeyboardInterrupt:
        interrupted = True
        out.write("e2e: interrupted\n")
    finally:
        # The run's X server and templates go away even when a test run is interrupted.
        if harness.TestRun._instance is not None:
            harness.TestRun._instance.close()

    for kind, problems in (("FAIL", result.failures), ("ERROR", result.errors)):
        for test, trace in problems:
            out.write("\n%s: %s\n%s" % (kind, test.id(), trace))
            evidence = harness.artifacts_folder() / harness.artifact_name(test.id())
            if evidence.is_dir():
                out.write("evidence: %s\n" % evidence)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    if interrupted:
        failed += 1
    if result.testsRun == 0:
        out.write("no tests were found\n")
        failed += 1
    summary = "%d passed, %d failed" % (result.passed, failed)
    if result.skipped:
        summary += ", %d skipped" % len(result.skipped)
    out.write("\ne2e: %.0f s in all\n%s\n" % (time.monotonic() - started, summary))
    out.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
