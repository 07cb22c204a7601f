"""The library-wide session: QCX_Init on first need, QCX_UnInit after the last user.

QCX_Init and QCX_UnInit act on the whole library (every camera of the
process) and must not overlap any other call. The binding therefore calls
QCX_Init when the first user (an open camera, or a listing of the cameras)
appears and QCX_UnInit only when the last one has gone, under one lock;
each camera waits for its calls in flight before it lets go (see
camera.Camera.close).
"""

from __future__ import annotations

import threading
import weakref
from contextlib import contextmanager
from typing import Any, Iterator

from . import _native
from .errors import check

_lock = threading.RLock()
_users = 0
# Open cameras by index. Weak, so that a camera the program forgot is closed
# when collected; a running preview keeps its camera alive (preview.py).
_open: "weakref.WeakValueDictionary[int, Any]" = weakref.WeakValueDictionary()


def acquire() -> None:
    """Counts one more user, starting the library for the first one."""
    global _users
    with _lock:
        if _users == 0:
            check(_native.load().api.QCX_Init(), "QCX_Init")
        _users += 1


def release() -> None:
    """Counts one user less; the last one closes every camera (QCX_UnInit)."""
    global _users
    with _lock:
        if _users <= 0:
            return
        _users -= 1
        if _users == 0:
            _native.load().api.QCX_UnInit()  # always 1


def active() -> bool:
    """Whether QCX_Init is in force (some camera or listing is using the library)."""
    with _lock:
        return _users > 0


@contextmanager
def session() -> Iterator[None]:
    """Holds the library started for the duration of a with block."""
    acquire()
    try:
        yield
    finally:
        release()


def lock() -> threading.RLock:
    """The lock that orders session changes with camera opening and closing."""
    return _lock


def remember(camera: Any) -> None:
    """Registers a camera that has just been opened (it counts as a user already)."""
    with _lock:
        _open[camera.index] = camera


def forget(camera: Any) -> None:
    """Unregisters a closed camera and releases its use of the library."""
    with _lock:
        if _open.get(camera.index) is camera:
            del _open[camera.index]
        release()


def camera(index: int) -> Any:
    """The open camera of an index, or None."""
    with _lock:
        return _open.get(index)


def cameras() -> list:
    """The open cameras."""
    with _lock:
        return list(_open.values())
