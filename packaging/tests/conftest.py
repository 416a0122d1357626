"""The release tests under Wine: each in a fresh prefix and Xvfb of its own (testenv), so that
nothing registered by another test can make it pass; the program is the one installed or unzipped
from dist/, driven by the end-to-end driver."""
import json
import logging
import os
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "autoclick",
                                "e2e"))

from clickora_e2e import testenv, wine  # noqa: E402

log = logging.getLogger("clickora_e2e")


@pytest.fixture(scope="session")
def config():
    with open(os.environ["CLICKORA_E2E_CONFIG"]) as config:
        return json.load(config)


@pytest.fixture
def fresh_wine(request, config):
    """A fresh Wine environment for the test: its prefix's path and a backend that registers
    nothing."""
    name = request.node.name
    state = os.path.join(config["work"], name, "wine")
    os.environ.update(testenv.wine_variables(os.path.join(state, "prefix")))
    if testenv.setup(state) != 0:
        pytest.fail("no fresh Wine environment")
    with open(os.path.join(state, "display")) as display:
        os.environ["DISPLAY"] = display.read().strip()
    backend = wine.WineBackend(dict(config, work=os.path.join(config["work"], name, "e2e")),
                               register=False)
    try:
        yield backend
    finally:
        backend.close()
        testenv.teardown(state)
