"""The library's simulated cameras (qcxsim.h), for tests and trials without hardware.

:func:`simulate` chooses the simulated cameras through QCX_SIM; the other
functions act on one simulated camera, named by its driver ``node``: real
USB cameras are numbered first and the simulated ones after them, in QCX_SIM
order (``CameraInfo.sim_node`` gives the node of an open camera). Failing
calls raise :class:`qcxapi.Error` with the simulator's status code.
"""

from __future__ import annotations

import ctypes
from typing import Iterable, Optional, Union

from . import _native, _session
from .errors import check_sim

SCENES = {"picture": 0, "ramp": 1, "grey": 2}
TIMINGS = {"realtime": 0, "fast": 1}
FAIL_MODES = {"status": 0, "refuse": 1}


def _lib():
    return _native.load().sim


def _choice(value: Union[str, int], table: dict[str, int], what: str) -> int:
    if isinstance(value, str):
        if value.lower() not in table:
            raise ValueError(f"unknown {what} {value!r}; choose one of {', '.join(table)}")
        return table[value.lower()]
    return int(value)


def simulate(spec: Union[str, Iterable[Union[int, str]]], *, timing: Optional[str] = None,
             scene: Optional[str] = None, fresh: bool = True) -> int:
    """Chooses the simulated cameras: sets QCX_SIM (and optionally
    QCX_SIM_TIMING, QCX_SIM_SCENE) for this process.

    ``spec`` is QCX_SIM's comma-separated TYPE[:NUMBER[:FIRMWARE]] list,
    e.g. "21,8" or [21, 8]; "" simulates none. The variables are set in
    os.environ and in the C environment, which is what the library reads;
    the library's own count of simulated cameras is then checked against
    the list. Call it while no camera is open: the library reads QCX_SIM
    when it counts cameras. ``timing`` "fast" or "realtime" and ``scene``
    "picture", "ramp" or "grey" apply to every simulated camera that has
    not been given its own with :func:`set_timing` or :func:`set_scene`.

    Simulated cameras keep their state (registers, scene, faults) while
    QCX_SIM stays the same, across library sessions, as plugged cameras do.
    ``fresh`` (the default) empties the list first, so that every camera of
    ``spec`` starts at power-on.

    Returns the number of simulated cameras the library sees.
    """
    if not isinstance(spec, str):
        spec = ",".join(str(entry) for entry in spec)
    if timing is not None:
        _choice(timing, TIMINGS, "timing")
    if scene is not None:
        _choice(scene, SCENES, "scene")
    with _session.lock():
        if _session.active():
            raise RuntimeError("simulate() must be called while no camera is open")
        _native.load()
        if fresh:
            _native.setenv("QCX_SIM", "")
            count()  # the library drops the cameras of the old list
        _native.setenv("QCX_SIM", spec)
        if timing is not None:
            _native.setenv("QCX_SIM_TIMING", timing.lower())
        if scene is not None:
            _native.setenv("QCX_SIM_SCENE", scene.lower())
        seen = count()
    expected = len([entry for entry in spec.split(",") if entry.strip()])
    if seen != expected:
        raise ValueError(f"the library sees {seen} simulated camera(s) for QCX_SIM={spec!r}, "
                         f"not {expected}: an entry does not parse (see stderr), a camera is "
                         "unplugged, or the C environment was not updated")
    return seen


def count() -> int:
    """Number of simulated cameras plugged in now (QCX_SIM read afresh)."""
    return _lib().QCXSimGetCount()


def describe(node: int) -> tuple[int, int, int]:
    """(device type, device number, firmware version) of the camera at ``node``."""
    kind, number, firmware = ctypes.c_int(), ctypes.c_int(), ctypes.c_uint16()
    check_sim(_lib().QCXSimDescribe(node, ctypes.byref(kind), ctypes.byref(number),
                                    ctypes.byref(firmware)), "QCXSimDescribe")
    return kind.value, number.value, firmware.value


def node_of(device_type: int, device_number: int, firmware: int) -> Optional[int]:
    """The node of the simulated camera with this identity, or None."""
    library = _lib()
    simulated = library.QCXSimGetCount()
    if simulated <= 0:
        return None
    # Simulated nodes follow the real cameras; the library's count bounds them.
    total = _native.load().api.QCX_DeviceGetCount()
    kind, number, version = ctypes.c_int(), ctypes.c_int(), ctypes.c_uint16()
    for node in range(max(total, simulated)):
        if library.QCXSimDescribe(node, ctypes.byref(kind), ctypes.byref(number),
                                  ctypes.byref(version)) != 1:
            continue
        if (kind.value, number.value, version.value) == (device_type, device_number, firmware):
            return node
    return None


def set_scene(node: int, scene: Union[str, int]) -> None:
    """What the camera sees: "picture", "ramp" (sample at sensor column c, row r =
    (c + 2r) mod 256) or "grey"."""
    check_sim(_lib().QCXSimSetScene(node, _choice(scene, SCENES, "scene")), "QCXSimSetScene")


def get_scene(node: int) -> str:
    """The scene the next frame would use."""
    value = ctypes.c_int()
    check_sim(_lib().QCXSimGetScene(node, ctypes.byref(value)), "QCXSimGetScene")
    return {v: k for k, v in SCENES.items()}[value.value]


def set_timing(node: int, timing: Union[str, int]) -> None:
    """"realtime" (a read waits for the sensor's frame time) or "fast" (never waits)."""
    check_sim(_lib().QCXSimSetTiming(node, _choice(timing, TIMINGS, "timing")), "QCXSimSetTiming")


def get_timing(node: int) -> str:
    """The camera's frame timing."""
    value = ctypes.c_int()
    check_sim(_lib().QCXSimGetTiming(node, ctypes.byref(value)), "QCXSimGetTiming")
    return {v: k for k, v in TIMINGS.items()}[value.value]


def drop_frames(node: int, count: int) -> None:
    """The next ``count`` frame reads time out (0 cancels)."""
    check_sim(_lib().QCXSimDropFrames(node, count), "QCXSimDropFrames")


def empty_frames(node: int, count: int) -> None:
    """The next ``count`` frames complete with 0 bytes (0 cancels)."""
    check_sim(_lib().QCXSimEmptyFrames(node, count), "QCXSimEmptyFrames")


def short_frames(node: int, count: int, nbytes: int = 0) -> None:
    """The next ``count`` frames complete with ``nbytes`` bytes, half the frame for 0."""
    check_sim(_lib().QCXSimShortFrames(node, count, nbytes), "QCXSimShortFrames")


def frame_counts(node: int) -> tuple[int, int]:
    """(reads delivered, reads timed out) so far."""
    delivered, timed_out = ctypes.c_uint32(), ctypes.c_uint32()
    check_sim(_lib().QCXSimGetFrameCounts(node, ctypes.byref(delivered), ctypes.byref(timed_out)),
              "QCXSimGetFrameCounts")
    return delivered.value, timed_out.value


def fail_requests(node: int, count: int, mode: str = "status") -> None:
    """The next ``count`` vendor requests fail: "status" (status byte) or "refuse" (driver)."""
    check_sim(_lib().QCXSimFailRequests(node, count, _choice(mode, FAIL_MODES, "mode")),
              "QCXSimFailRequests")


def unplug(node: int) -> None:
    """Unplugs the camera: its reads and requests fail; later nodes move down by one."""
    check_sim(_lib().QCXSimUnplug(node), "QCXSimUnplug")


def replug_all() -> None:
    """Plugs every unplugged camera back in, as a new connection."""
    check_sim(_lib().QCXSimReplugAll(), "QCXSimReplugAll")


def trigger(node: int) -> None:
    """An external trigger pulse: in trigger mode the camera sends one frame."""
    check_sim(_lib().QCXSimTrigger(node), "QCXSimTrigger")
