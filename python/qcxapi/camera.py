"""One open camera: capturing, preview and recording, settings."""

from __future__ import annotations

import ctypes
import os
import threading
import warnings
from contextlib import contextmanager
from typing import TYPE_CHECKING, Iterator, NamedTuple, Optional, Sequence

import numpy as np

from . import _native, _session, frames
from .errors import CameraClosedError, Error, Status, check
from .params import Params
from .preview import FrameCallback, Preview, Recording, in_callback_of, start_recording

if TYPE_CHECKING:
    from .devices import CameraInfo


class Window(NamedTuple):
    """A capture or preview window: starts, counts before skipping, address modes (0 ... 4)."""

    column_start: int
    row_start: int
    width: int
    height: int
    column_mode: int = 0
    row_mode: int = 0


class Size(NamedTuple):
    """Width and height in pixels of a delivered frame (after skipping)."""

    width: int
    height: int


def _fov_call(api, name: str, index: int) -> Window:
    values = [ctypes.c_int() for _ in range(6)]
    check(getattr(api, name)(index, *(ctypes.byref(v) for v in values)), name)
    return Window(*(v.value for v in values))


def _window(value: Sequence[int]) -> Window:
    if len(value) not in (4, 6):
        raise ValueError("a window is (column_start, row_start, width, height[, column_mode, row_mode])")
    return Window(*(int(v) for v in value))


class Camera:
    """One open camera; get one from :func:`qcxapi.open`.

    Use it as a context manager or call :meth:`close`. Its methods may be
    called from several threads; :meth:`close` waits for calls in flight.
    Status codes other than success raise :class:`qcxapi.Error`.
    """

    def __init__(self, info: "CameraInfo") -> None:
        self.index = info.index
        self.info = info
        self.params = Params(self)
        self._api = _native.load().api
        self._state = threading.Condition()
        self._busy = 0
        self._closed = False
        # Held from a size query to the capture that fills a buffer of that size.
        self._format_lock = threading.RLock()
        self._preview: Optional[Preview] = None

    # -- life cycle ---------------------------------------------------------

    @contextmanager
    def _use(self) -> Iterator[ctypes.CDLL]:
        with self._state:
            if self._closed:
                raise CameraClosedError(f"camera {self.index} is closed")
            self._busy += 1
        try:
            yield self._api
        finally:
            with self._state:
                self._busy -= 1
                if self._busy == 0:
                    self._state.notify_all()

    @property
    def closed(self) -> bool:
        return self._closed

    def close(self) -> None:
        """Stops this camera's preview and recording and lets go of the library.

        Waits for calls in flight on other threads. The last open camera's
        close calls QCX_UnInit. Arrays already returned stay valid: they own
        their memory. Not from this camera's preview callback.
        """
        if in_callback_of(self):
            raise RuntimeError("a camera cannot be closed from its own preview callback")
        with self._state:
            if self._closed:
                return
            self._closed = True
            while self._busy:
                self._state.wait()
        try:
            preview = self._preview
            if preview is not None:
                try:
                    preview._stop(self._api)
                except Error:
                    pass  # e.g. the camera was unplugged; the callback is cleared all the same
            self._api.QCX_RecordStart(self.index, 0, 0.0, None)
        finally:
            _session.forget(self)

    def __enter__(self) -> "Camera":
        return self

    def __exit__(self, *exc_info) -> None:
        self.close()

    def __del__(self) -> None:
        if not getattr(self, "_closed", True):
            warnings.warn(f"camera {self.index} was not closed", ResourceWarning, stacklevel=2)
            self.close()

    def __repr__(self) -> str:
        state = "closed" if self._closed else "open"
        return (f"<Camera {self.index}: type {self.info.device_type}, number "
                f"{self.info.device_number}, firmware 0x{self.info.firmware:04x}, {state}>")

    # -- helpers ------------------------------------------------------------

    def _get(self, name: str, ctype=ctypes.c_int):
        value = ctype()
        with self._use() as api:
            check(getattr(api, name)(self.index, ctypes.byref(value)), name)
        return value.value

    def _set(self, name: str, *values) -> None:
        with self._use() as api:
            check(getattr(api, name)(self.index, *values), name)

    # -- frames -------------------------------------------------------------

    def capture(self, raw: bool = False, flush: bool = False,
                out: Optional[np.ndarray] = None) -> np.ndarray:
        """Captures one frame of the capture window, top row first.

        Colour (the default): height x width x 3 uint8 in blue, green, red
        order for Bayer modes 0-7, height x width x 4 for 8-15, height x
        width grey for 16-23 and in grey output mode; with 16-bit transfer
        the samples are uint16 (12-bit values on the cameras that have it).
        ``raw=True``: the raw sensor frame, height x width uint8, or uint16
        with 16-bit transfer. ``flush=True`` discards the frames the camera
        holds first, so the frame was exposed after the call (cameras with a
        working-mode word). The library fills the returned array's memory
        directly; a bottom-up image is returned as a reversed view of it.

        ``out``: an array the library fills instead of a new one, C-ordered
        with the shape and type of the frame (a previous capture's
        ``.base`` or the array itself, when it is not a reversed view); a
        loop that reuses it saves the allocation and the first touch of
        fresh memory. ValueError when it does not fit.

        Status -10 (the camera was recovered after a failed read) raises
        Error like any other; capturing again then succeeds.
        """
        with self._use() as api, self._format_lock:
            width, height, bits, data_bits = (ctypes.c_int() for _ in range(4))
            check(api.QCX_CaptureGetSizeExEx(self.index, ctypes.byref(width), ctypes.byref(height),
                                             ctypes.byref(bits), ctypes.byref(data_bits)),
                  "QCX_CaptureGetSizeExEx")
            sixteen = data_bits.value == 16
            if raw:
                layout = frames.raw_layout(width.value, height.value, sixteen)
                buffer = frames.allocate(layout, out)
                name = "QCX_CaptureRawDataAfterEmptyFrameBuffer" if flush else "QCX_CaptureRawData"
                check(getattr(api, name)(self.index, buffer.ctypes.data), name)
                return buffer
            mode, output = ctypes.c_int(), ctypes.c_int()
            check(api.QCX_BayerGetMode(self.index, ctypes.byref(mode)), "QCX_BayerGetMode")
            check(api.QCX_PreviewGetMode(self.index, ctypes.byref(output)), "QCX_PreviewGetMode")
            layout = frames.image_layout(width.value, height.value, bits.value, sixteen, mode.value,
                                         output.value)
            buffer = frames.allocate(layout, out)
            got = [ctypes.c_int() for _ in range(3)]
            name = "QCX_CaptureRgbDataExAfterEmptyFrameBuffer" if flush else "QCX_CaptureRgbDataEx"
            check(getattr(api, name)(self.index, buffer.ctypes.data, *(ctypes.byref(v) for v in got)),
                  name)
            if (got[0].value, got[1].value, got[2].value) != (width.value, height.value, bits.value):
                raise RuntimeError("the capture format changed during the capture")
            return frames.upright(buffer, layout)

    def preview(self, callback: Optional[FrameCallback] = None, window: int = 0,
                rect: Optional[tuple[int, int, int, int]] = None) -> Preview:
        """Starts the live preview; returns a handle (and context manager) that stops it.

        ``callback(image)`` runs on the camera's preview thread for every
        processed frame: a numpy array of the preview size laid out as
        :meth:`capture` does (8-bit samples, top row first). It is a copy,
        because the library's buffer is valid only during the call; keep it
        as long as you like. The callback must not stop the preview or close
        the camera, and should be quick: the next frame waits for it.

        ``window`` is the X11 window (HWND on Windows) to draw into and
        ``rect`` the (x, y, width, height) rectangle in it; a non-zero window
        without a rect gets the preview size at (0, 0). With neither, the
        drawing rectangle is left as it is, and a new camera draws nothing.
        """
        if self._preview is not None and self._preview.running:
            raise RuntimeError(f"camera {self.index} is already previewing")
        handle = Preview(self, callback)
        handle._start(window, rect)
        self._preview = handle
        return handle

    def _preview_stopped(self, handle: Preview) -> None:
        if self._preview is handle:
            self._preview = None

    def record(self, path: "str | os.PathLike[str]", fps: float = 25.0, codec: str = "MJPG") -> Recording:
        """Records the running preview into an AVI file (QCX_RecordStart).

        ``codec`` is one of "MJPG" (Motion JPEG), "DIB" (uncompressed),
        "FFV1" (lossless) or "H264"; it is passed to the library through the
        environment variable QCX_AVI_CODEC. Raises Error -6 unless the preview
        is running. Returns a handle (and context manager) that stops it.
        """
        return start_recording(self, path, fps, codec)

    def stop_recording(self) -> None:
        """Stops recording (nothing happens when not recording)."""
        self._set("QCX_RecordStart", 0, 0.0, None)

    @property
    def recording(self) -> bool:
        """Whether a recording is open."""
        return bool(self._get("QCX_RecordStatusGet", ctypes.c_uint8))

    # -- windows and sizes --------------------------------------------------

    @property
    def fov(self) -> Window:
        """The capture window; set a 4-tuple (address modes 0) or a 6-tuple.

        The library clamps and aligns the values; read them back here.
        """
        with self._use() as api:
            return _fov_call(api, "QCX_CaptureGetFieldOfView", self.index)

    @fov.setter
    def fov(self, value: Sequence[int]) -> None:
        with self._format_lock:
            self._set("QCX_CaptureSetFieldOfView", *_window(value))

    @property
    def preview_fov(self) -> Window:
        """The preview window, as :attr:`fov`. Changing its size restarts a running preview."""
        with self._use() as api:
            return _fov_call(api, "QCX_PreviewGetFieldOfView", self.index)

    @preview_fov.setter
    def preview_fov(self, value: Sequence[int]) -> None:
        self._set("QCX_PreviewSetFieldOfView", *_window(value))

    @property
    def default_fov(self) -> Window:
        """The full sensor window."""
        with self._use() as api:
            return _fov_call(api, "QCX_CaptureGetDefaultFieldOfView", self.index)

    def _size(self, name: str) -> Size:
        width, height = ctypes.c_int(), ctypes.c_int()
        with self._use() as api:
            check(getattr(api, name)(self.index, ctypes.byref(width), ctypes.byref(height)), name)
        return Size(width.value, height.value)

    @property
    def capture_size(self) -> Size:
        """Size of a captured frame (after skipping)."""
        return self._size("QCX_CaptureGetSize")

    @property
    def preview_size(self) -> Size:
        """Size of a preview frame (after skipping)."""
        return self._size("QCX_PreviewGetSize")

    # -- settings -----------------------------------------------------------

    @property
    def exposure_ms(self) -> float:
        """Exposure time in milliseconds."""
        return self._get("QCX_ExposureTimeGet", ctypes.c_float)

    @exposure_ms.setter
    def exposure_ms(self, value: float) -> None:
        self._set("QCX_ExposureTimeSet", float(value))

    @property
    def bayer_mode(self) -> int:
        """Bayer mode 0 ... 23: colour order (mode % 4), 24-bit (0-7), 32-bit (8-15) or grey (16-23)."""
        return self._get("QCX_BayerGetMode")

    @bayer_mode.setter
    def bayer_mode(self, value: int) -> None:
        if not 0 <= value <= 23:
            raise ValueError(f"Bayer mode {value} is not in 0 ... 23")
        with self._format_lock:
            self._set("QCX_BayerSetMode", int(value))

    @property
    def filter_mode(self) -> int:
        """Demosaic method: 0 block copy, 1 bilinear, 2 colour ratio, 3 edge-directed, 4 gradient."""
        return self._get("QCX_FilterGetMode")

    @filter_mode.setter
    def filter_mode(self, value: int) -> None:
        if not 0 <= value <= 4:
            raise ValueError(f"filter mode {value} is not in 0 ... 4")
        self._set("QCX_FilterSetMode", int(value))

    @property
    def output_mode(self) -> int:
        """1 colour (through the Bayer filter), 0 grey (the raw frame as grey levels)."""
        return self._get("QCX_PreviewGetMode")

    @output_mode.setter
    def output_mode(self, value: int) -> None:
        with self._format_lock:
            self._set("QCX_PreviewSetMode", int(value))

    @property
    def sixteen_bit(self) -> bool:
        """16-bit pixel transfer (False on cameras without it); setting it there raises Error -3."""
        value = ctypes.c_uint8()
        with self._use() as api:
            status = api.QCX_GetData16Bits(self.index, ctypes.byref(value))
        if status == Status.NOT_SUPPORTED:
            return False
        check(status, "QCX_GetData16Bits")
        return bool(value.value)

    @sixteen_bit.setter
    def sixteen_bit(self, value: bool) -> None:
        with self._format_lock:
            self._set("QCX_SetData16Bits", 1 if value else 0)

    @property
    def external_trigger(self) -> bool:
        """External trigger (True) or free run; Error -3 on cameras without a trigger input."""
        return bool(self._get("QCX_TriggerModeGet"))

    @external_trigger.setter
    def external_trigger(self, value: bool) -> None:
        self._set("QCX_TriggerModeSet", 1 if value else 0)

    @property
    def timeout_ms(self) -> int:
        """Time-out of every frame read, preview included."""
        return self._get("QCX_CaptureGetTimeOut", ctypes.c_uint32)

    @timeout_ms.setter
    def timeout_ms(self, value: int) -> None:
        self._set("QCX_CaptureSetTimeOut", int(value))
