#!/usr/bin/env python3
"""Runs test files of the end-to-end driver with pytest for CTest: run_suite.py NAME CONFIG FILE...
(the end-to-end scenarios, the release tests). CONFIG is the JSON file CMake writes.

Prints "NAME: PASS" only when pytest passed and ran at least one test; a run that collected
nothing (pytest's status 5) fails like any other."""
import os
import sys

import pytest

STATUS = {1: "a test failed", 2: "interrupted", 3: "internal error", 4: "usage error",
          5: "no test ran"}


def main(argv):
    name, config, *files = argv
    os.environ["CLICKORA_E2E_CONFIG"] = os.path.abspath(config)
    here = os.path.dirname(os.path.abspath(__file__))
    source = os.path.dirname(os.path.dirname(here))
    status = pytest.main(["-p", "no:cacheprovider", "--rootdir", source, "--confcutdir", source,
                          "-c", os.path.join(here, "pytest.ini"), *files])
    if status == 0:
        print(f"{name}: PASS")
        return 0
    print(f"{name}: FAIL: {STATUS.get(int(status), f'pytest status {int(status)}')}")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
