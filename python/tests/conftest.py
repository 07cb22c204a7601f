"""Fixtures: private folders for the library, and simulated cameras."""

from __future__ import annotations

import os
import shutil
import tempfile

import pytest

import qcxapi


@pytest.fixture(scope="session", autouse=True)
def private_library_folders():
    # Node claim files and the registry store of this process only, so that
    # parallel test processes never meet each other's claims and nothing is
    # written to the machine's registry. Set before the first library call.
    made = []
    for name, prefix in (("QCX_LOCK_DIR", "qcx-py-locks-"), ("QCX_REGISTRY_ROOT", "qcx-py-registry-")):
        if name not in os.environ:
            folder = tempfile.mkdtemp(prefix=prefix)
            os.environ[name] = folder
            made.append(folder)
    yield
    for folder in made:
        shutil.rmtree(folder, ignore_errors=True)


@pytest.fixture
def open_sim():
    """open_sim("21,8", count=2) simulates those cameras (ramp scene, fast
    timing) and opens the first ``count``; they are closed afterwards."""
    opened: list[qcxapi.Camera] = []

    def opener(spec: str, count: int = 1, scene: str = "ramp", timing: str = "fast"):
        qcxapi.simulate(spec, timing=timing, scene=scene)
        cameras = [qcxapi.open(index) for index in range(count)]
        opened.extend(cameras)
        return cameras[0] if count == 1 else cameras

    yield opener
    for camera in reversed(opened):
        camera.close()
