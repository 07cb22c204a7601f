"""Live preview with a per-frame Python callback, and AVI recording of it."""

from __future__ import annotations

import ctypes
import os
import threading
from typing import TYPE_CHECKING, Callable, Optional

import numpy as np

from . import _native, frames
from .errors import CameraClosedError, check

if TYPE_CHECKING:
    from .camera import Camera

FrameCallback = Callable[[np.ndarray], object]

CODECS = ("MJPG", "DIB", "FFV1", "H264")

# ctypes callback objects the library may still call, by id of their
# handle. Holding them here (not only in the handle) keeps them alive even
# when the program drops every reference to a camera with a running preview.
_installed: dict[int, object] = {}
_installed_lock = threading.Lock()

_thread = threading.local()


def in_callback_of(camera: "Camera") -> bool:
    """Whether the current thread is running a preview callback of camera."""
    return getattr(_thread, "camera", None) is camera


class Preview:
    """A running preview (see :meth:`Camera.preview`); stop it with :meth:`stop`.

    Usable as a context manager that stops the preview at the end of the
    block. Attributes: ``frames``, the number of frames handed to the
    callback; ``exception``, the first exception the callback raised (later
    frames are still delivered), or None.
    """

    def __init__(self, camera: "Camera", callback: Optional[FrameCallback]) -> None:
        self._camera = camera
        self._callback = callback
        self._function = None
        self._stopped = False
        self._lock = threading.Lock()
        self.frames = 0
        self.exception: Optional[BaseException] = None

    def _start(self, window: int, rect: Optional[tuple[int, int, int, int]]) -> None:
        camera = self._camera
        with camera._use() as api:
            try:
                if self._callback is not None:
                    self._function = _native.PREVIEW_CALLBACK(self._on_frame)
                    with _installed_lock:
                        _installed[id(self)] = self._function
                    check(api.QCX_PreviewSetCallback(camera.index, self._function, None),
                          "QCX_PreviewSetCallback")
                if rect is None and window:
                    size = camera.preview_size
                    rect = (0, 0, size.width, size.height)
                if rect is not None:
                    x, y, width, height = rect
                    check(api.QCX_PreviewSetPos(camera.index, window, x, y, width, height),
                          "QCX_PreviewSetPos")
                check(api.QCX_PreviewStart(camera.index, 1), "QCX_PreviewStart")
            except BaseException:
                self._stopped = True
                self._uninstall(api)
                raise

    def _on_frame(self, address: int, width: int, height: int, bit_count: int, _context) -> int:
        # Runs on the camera's preview thread. The image is valid only during
        # this call, so it is copied before the user's callback sees it.
        _thread.camera = self._camera
        try:
            api = self._camera._api
            mode, output = ctypes.c_int(), ctypes.c_int()
            api.QCX_BayerGetMode(self._camera.index, ctypes.byref(mode))
            api.QCX_PreviewGetMode(self._camera.index, ctypes.byref(output))
            layout = frames.image_layout(width, height, bit_count, False, mode.value, output.value)
            image = frames.copy_upright(address, layout)
            self.frames += 1
            self._callback(image)  # type: ignore[misc]
        except BaseException as error:  # an exception cannot cross into C
            if self.exception is None:
                self.exception = error
        finally:
            _thread.camera = None
        return 0

    def _uninstall(self, api) -> None:
        if self._function is None:
            return
        # The library takes its callback lock here, so once this returns no
        # call of the function is running or will start.
        api.QCX_PreviewSetCallback(self._camera.index, _native.PREVIEW_CALLBACK(), None)
        with _installed_lock:
            _installed.pop(id(self), None)
        self._function = None

    @property
    def running(self) -> bool:
        """Whether this preview has not been stopped."""
        return not self._stopped

    def stop(self) -> None:
        """Stops the preview (and a recording of it); no callback follows. Idempotent.

        Not from the preview's own callback: stopping waits for the preview
        thread, which would be waiting for itself.
        """
        if in_callback_of(self._camera):
            raise RuntimeError("a preview cannot be stopped from its own callback")
        try:
            with self._camera._use() as api:
                self._stop(api)
        except CameraClosedError:
            pass  # closing the camera stopped it

    def _stop(self, api) -> None:
        with self._lock:
            if self._stopped:
                return
            self._stopped = True
            try:
                status = api.QCX_PreviewStart(self._camera.index, 0)
            finally:
                self._uninstall(api)
                self._camera._preview_stopped(self)
        check(status, "QCX_PreviewStart")

    def __enter__(self) -> "Preview":
        return self

    def __exit__(self, *exc_info) -> None:
        self.stop()

    def __repr__(self) -> str:
        state = "running" if self.running else "stopped"
        return f"<Preview of camera {self._camera.index}, {state}, {self.frames} frames>"


class Recording:
    """A recording of the preview into an AVI file (see :meth:`Camera.record`).

    Usable as a context manager that stops the recording at the end of the
    block. Stopping the preview stops the recording too.
    """

    def __init__(self, camera: "Camera", path: str) -> None:
        self._camera = camera
        self.path = path

    def stop(self) -> None:
        """Stops recording; the file is complete afterwards."""
        self._camera.stop_recording()

    def __enter__(self) -> "Recording":
        return self

    def __exit__(self, *exc_info) -> None:
        if not self._camera.closed:
            self.stop()


def start_recording(camera: "Camera", path: "str | os.PathLike[str]", fps: float,
                    codec: str) -> Recording:
    """QCX_RecordStart with the compressor chosen through QCX_AVI_CODEC."""
    codec = codec.upper()
    if codec not in CODECS:
        raise ValueError(f"unknown codec {codec!r}; choose one of {', '.join(CODECS)}")
    name = os.fspath(path)
    with camera._use() as api:
        # The library's compressor "dialog" answers from QCX_AVI_CODEC.
        _native.setenv("QCX_AVI_CODEC", codec)
        check(api.QCX_RecordStart(camera.index, 1, float(fps), os.fsencode(name)), "QCX_RecordStart")
    return Recording(camera, name)
