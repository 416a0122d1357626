"""Fixtures of the cases on Wayland compositors: the configuration CMake writes, and `session`, a
case's work folder, runtime folder and private D-Bus, with all it started ended at its end."""
import json
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from clickora_e2e.compositors import Session  # noqa: E402


@pytest.fixture(scope="session")
def config():
    path = os.environ.get("CLICKORA_E2E_CONFIG")
    if not path:
        raise pytest.UsageError("CLICKORA_E2E_CONFIG names no configuration (run through CTest)")
    with open(path) as config:
        return json.load(config)


@pytest.fixture
def session(request, config):
    # The compositor's name first: the files of different compositors run at the same time.
    compositor = request.module.__name__.rsplit(".", 1)[-1].removeprefix("test_")
    made = Session(config, compositor + "-" + request.node.name.replace("[", "-").replace("]", ""))
    yield made
    made.finish()
