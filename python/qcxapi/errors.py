"""Status codes of the library and the exception that carries them."""

from __future__ import annotations

import ctypes
import enum

from . import _native


class Status(enum.IntEnum):
    """Status codes (QCX_STATUS_*) that the library's functions return."""

    SUCCESS = 1
    PARAMETER_ERROR = -1
    NO_MEMORY = -2
    NOT_SUPPORTED = -3
    NO_DEVICE = -4
    NOT_INITIALIZED = -5
    ILLEGAL_OPERATION = -6
    NO_PRIVILEGE = -7
    FAIL = -8
    RECOVERY_SUCCESSFUL = -10
    RECOVERY_FAIL = -11
    BAD_FRAME = -12
    INVALID_FRAME = -13
    ZERO_FRAME = -14
    VERSION_ERROR = -15


class Error(Exception):
    """A library call returned a status other than success.

    Attributes:
        status: the status code (see :class:`Status`).
        text: its text as ``QCX_GetErrorInfo`` reports it (for the
            simulator's functions, the meaning qcxsim.h gives the code).
        call: the name of the C function that returned it.
    """

    def __init__(self, status: int, text: str, call: str) -> None:
        super().__init__(status, text, call)
        self.status = status
        self.text = text
        self.call = call

    def __str__(self) -> str:
        return f"{self.call}: {self.text} ({self.status})"


class CameraClosedError(ValueError):
    """An operation on a camera that has been closed."""


def error_text(status: int) -> str:
    """The library's text of a status code (QCX_GetErrorInfo)."""
    text = ctypes.create_string_buffer(64)  # QCX_ERROR_TEXT_SIZE is 43
    _native.load().api.QCX_GetErrorInfo(status, text)
    return text.value.decode("ascii", "replace")


def check(status: int, call: str) -> int:
    """Returns status when it is success, else raises :class:`Error`."""
    if status != Status.SUCCESS:
        raise Error(status, error_text(status), call)
    return status


_SIM_TEXTS = {
    -1: "Bad argument",
    -2: "Out of memory",
    -3: "Not supported by that camera",
    -5: "No simulated camera at that node",
}


def check_sim(status: int, call: str) -> int:
    """As :func:`check` for the QCXSim functions, whose codes mean other things."""
    if status != 1:
        raise Error(status, _SIM_TEXTS.get(status, "Unknown status"), call)
    return status
