"""Fixtures of the end-to-end scenarios. The backend is chosen here, in one place: each scenario
runs on every backend its `backends` mark names (all when unmarked) that the build at hand has
(the configuration's "backend": the Windows build runs them under Wine, the Linux build on X11)."""
import json
import logging
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from clickora_e2e import wine, x11  # noqa: E402

BACKENDS = {"wine": wine.WineBackend, "x11": x11.X11Backend}
log = logging.getLogger("clickora_e2e")


def load_config():
    path = os.environ.get("CLICKORA_E2E_CONFIG")
    if not path:
        raise pytest.UsageError("CLICKORA_E2E_CONFIG names no configuration (run through CTest)")
    with open(path) as config:
        return json.load(config)


@pytest.fixture(scope="session")
def config():
    return load_config()


def built_backends():
    path = os.environ.get("CLICKORA_E2E_CONFIG")
    if not path:
        return sorted(BACKENDS)
    return [load_config().get("backend", "wine")]


@pytest.fixture(scope="session", params=built_backends())
def backend(request, config):
    made = BACKENDS[request.param](config)
    yield made
    made.close()


def pytest_collection_modifyitems(config, items):
    # A scenario marked for other desktops is deselected (pytest counts it in its summary).
    kept, dropped = [], []
    for item in items:
        mark = item.get_closest_marker("backends")
        name = item.callspec.params.get("backend") if hasattr(item, "callspec") else None
        (dropped if mark and name and name not in mark.args else kept).append(item)
    if dropped:
        config.hook.pytest_deselected(items=dropped)
        items[:] = kept


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    setattr(item, "report_" + report.when, report)


@pytest.fixture
def e2e(request, backend, config):
    """The case: start_app(), start_target(), its work folder; what it started ends with it."""
    case = backend.case(request.node.name.replace("[", "-").replace("]", ""))
    yield case
    report = getattr(request.node, "report_call", None)
    if report is not None and report.failed:
        shot = os.path.join(config["artifacts"], case.name + "-failure.png")
        try:
            backend.screenshot(shot)
            log.info("screenshot at the failure: %s", shot)
            if case.app is not None:
                log.info("windows at the failure: %s", case.app.windows())
                if case.app.alive():
                    log.info("the window at the failure:\n%s", case.app.snapshot().describe())
        except Exception as error:  # the failure itself is what the report must show
            log.info("could not record the failure's state: %s", error)
    case.finish()


@pytest.fixture
def app(e2e):
    """tapvane, started, its read-out running."""
    return e2e.start_app()
