"""Python binding of QCXApi, the USB camera library, over its C interface (ctypes).

    import qcxapi
    with qcxapi.open(0) as cam:
        cam.exposure_ms = 20
        image = cam.capture()          # numpy, height x width x 3, BGR, top row first

The library is found through the environment variable QCXAPI_LIBRARY (a
path), else the build tree when this package is imported from the source
tree (build/libqcxapi.so), else the system's libqcxapi.so.0. It is loaded on
first use.

The library is started (QCX_Init) when the first camera is opened or the
cameras are listed, and closed (QCX_UnInit) when the last camera is closed.
Both act on the whole library and must not overlap other calls; the module
orders its own calls accordingly, so a program should not call QCX_Init or
QCX_UnInit itself while using it.

:func:`simulate` and :mod:`qcxapi.sim` drive the library's simulated
cameras: ``qcxapi.simulate("21")`` before opening gives an MT9V032.
"""

from __future__ import annotations

from . import _native, sim
from ._native import LibraryNotFoundError
from .camera import Camera, Size, Window
from .devices import CameraInfo, cameras, close_all, open
from .errors import CameraClosedError, Error, Status
from .params import Param, Params
from .preview import Preview, Recording
from .sim import simulate

__version__ = "0.1.0"

__all__ = [
    "Camera", "CameraClosedError", "CameraInfo", "Error", "LibraryNotFoundError", "Param", "Params",
    "Preview", "Recording", "Size", "Status", "Window", "cameras", "close_all", "library", "open", "sim",
    "simulate",
]


def library():
    """The loaded library (a ctypes.CDLL with every QCX_ function declared), for direct calls.

    Buffers are passed by address (``array.ctypes.data``): keep the array
    referenced until the call returns.
    """
    return _native.load().api
