#!/usr/bin/python3
"""Frames per second of qcxapi's Camera.capture() (colour) beside the C rate.

The C rate is the library's own cost: QCX_CaptureRgbDataEx called through
ctypes in a tight loop into one preallocated buffer. The Python rate adds
what the binding does per frame: size and mode queries, a new numpy array,
the upright view; the out= rate reuses one array, as the C loop does. Both run on simulated cameras in fast timing (a frame
read never waits), in the same process, alternating, best of the rounds.

    /usr/bin/python3 bench/python_capture_bench.py [--seconds 2] [--rounds 3]

The library is found as the qcxapi package finds it (QCXAPI_LIBRARY, else
the source tree's build/libqcxapi.so, else the system's).
"""

from __future__ import annotations

import argparse
import ctypes
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "python"))

import numpy as np  # noqa: E402

import qcxapi  # noqa: E402

CAMERAS = [(21, "MT9V032"), (8, "MT9P001")]


def rate(step, seconds: float) -> float:
    """Calls per second of step() over about the given time."""
    step()  # warm up: first-frame rendering, allocations
    count, start = 0, time.perf_counter()
    while True:
        step()
        count += 1
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            return count / elapsed


def c_loop(camera: qcxapi.Camera):
    api = qcxapi.library()
    width, height, bits = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    api.QCX_CaptureGetSizeEx(camera.index, ctypes.byref(width), ctypes.byref(height), ctypes.byref(bits))
    buffer = np.empty(width.value * height.value * bits.value // 8, np.uint8)
    address, index = buffer.ctypes.data, camera.index

    def step(keep=buffer):  # the buffer lives as long as the loop
        status = api.QCX_CaptureRgbDataEx(index, address, None, None, None)
        if status != 1:
            raise qcxapi.Error(status, "capture failed", "QCX_CaptureRgbDataEx")
    return step


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=2.0, help="time per measurement")
    parser.add_argument("--rounds", type=int, default=3, help="alternating rounds; the best counts")
    options = parser.parse_args()

    qcxapi.simulate(",".join(str(kind) for kind, _ in CAMERAS), timing="fast", scene="picture")
    # Both open at once: indexes bind to cameras in the order of first use.
    cameras = [qcxapi.open(index) for index in range(len(CAMERAS))]
    rows = []
    try:
        for camera, (kind, sensor) in zip(cameras, CAMERAS):
            assert camera.info.device_type == kind
            size = camera.capture_size
            c_step = c_loop(camera)
            frame = camera.capture()
            reused = frame.base if frame.base is not None else frame
            c_best = py_best = reuse_best = 0.0
            for _ in range(options.rounds):
                c_best = max(c_best, rate(c_step, options.seconds))
                py_best = max(py_best, rate(camera.capture, options.seconds))
                reuse_best = max(reuse_best, rate(lambda: camera.capture(out=reused), options.seconds))
            rows.append((f"{sensor} (type {kind})", f"{size.width} x {size.height}", c_best, py_best,
                         reuse_best))
    finally:
        for camera in cameras:
            camera.close()

    print(f"{'camera':<18} {'size':>12} {'C frames/s':>11} {'Python frames/s':>16} {'Python / C':>11} "
          f"{'out= frames/s':>14} {'out= / C':>9}")
    for name, size, c_fps, py_fps, reuse_fps in rows:
        print(f"{name:<18} {size:>12} {c_fps:>11.1f} {py_fps:>16.1f} {py_fps / c_fps:>11.3f} "
              f"{reuse_fps:>14.1f} {reuse_fps / c_fps:>9.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
