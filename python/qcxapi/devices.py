"""Listing and opening cameras."""

from __future__ import annotations

import atexit
import ctypes
from dataclasses import dataclass
from typing import Optional

from . import _native, _session, sim
from .camera import Camera
from .errors import Error, check


@dataclass(frozen=True)
class CameraInfo:
    """Identity of a camera as QCX_DeviceGetInformation reports it.

    ``simulated`` tells a camera of QCX_SIM from a real one; ``sim_node`` is
    then its node number for the functions of :mod:`qcxapi.sim`. Both are
    found by matching the identity against the simulated cameras, so a real
    camera with the very same type, number and firmware as a simulated one
    could be taken for it.
    """

    index: int
    device_type: int
    device_number: int
    firmware: int
    simulated: bool
    sim_node: Optional[int] = None


def _read_info(api, index: int) -> CameraInfo:
    # The first call naming an index opens that camera.
    kind, number, firmware = ctypes.c_int(), ctypes.c_int(), ctypes.c_uint16()
    check(api.QCX_DeviceGetInformation(index, ctypes.byref(kind), ctypes.byref(number),
                                       ctypes.byref(firmware)), "QCX_DeviceGetInformation")
    node = sim.node_of(kind.value, number.value, firmware.value)
    return CameraInfo(index, kind.value, number.value, firmware.value, node is not None, node)


def _count(api) -> int:
    count = api.QCX_DeviceGetCount()
    if count < 0:
        check(count, "QCX_DeviceGetCount")
    return count


def cameras() -> list[CameraInfo]:
    """Lists the cameras present, in index order.

    Each camera is opened to read its identity (the library opens a camera
    on the first call that names its index); when no camera is otherwise
    open, the library is closed again afterwards. A camera that cannot be
    opened (for example one that another process holds) is left out.
    """
    result = []
    with _session.lock(), _session.session():
        api = _native.load().api
        for index in range(_count(api)):
            try:
                result.append(_read_info(api, index))
            except Error:
                continue
    return result


def open(index: int = 0) -> "Camera":  # noqa: A001 - mirrors the builtin on purpose
    """Opens camera ``index`` (0 ... number of cameras - 1).

    The first open camera starts the library (QCX_Init); closing the last
    one closes it (QCX_UnInit), which is library-wide: it closes every
    camera of the process and must not overlap any other call into the
    library, so do not mix this module with direct QCX_Init/QCX_UnInit
    calls.

    An index does not pick a particular camera: the library binds indexes
    to cameras in the order the indexes are first used, so open cameras in
    index order to get them in the order :func:`cameras` lists them.
    """
    with _session.lock():
        if _session.camera(index) is not None:
            raise RuntimeError(f"camera {index} is already open")
        _session.acquire()
        try:
            api = _native.load().api
            count = _count(api)
            if not 0 <= index < count:
                raise IndexError(f"camera index {index} out of range: {count} camera(s) present")
            info = _read_info(api, index)
        except BaseException:
            _session.release()
            raise
        camera = Camera(info)
        _session.remember(camera)
        return camera


def close_all() -> None:
    """Closes every open camera, also those the program no longer refers to."""
    for camera in _session.cameras():
        camera.close()


# Stop every preview thread before the interpreter goes away under it.
atexit.register(close_all)
