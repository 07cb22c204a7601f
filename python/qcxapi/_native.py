"""Finding and loading libqcxapi, and the process environment it reads.

The library is loaded on first use, not at import, so that a program (or a
test's conftest) can set QCXAPI_LIBRARY, QCX_LOCK_DIR and friends after
``import qcxapi``.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import struct
import sys
import threading
from pathlib import Path

from ._prototypes import declare

# QCXAPI_CALL is __stdcall on 32-bit Windows and the platform's default
# (cdecl) everywhere else; ctypes spells these WinDLL/WINFUNCTYPE and
# CDLL/CFUNCTYPE. On 64-bit Windows there is one convention and CDLL fits.
if sys.platform == "win32" and struct.calcsize("P") == 4:
    _Loader = ctypes.WinDLL  # type: ignore[attr-defined]
    FUNCTYPE = ctypes.WINFUNCTYPE  # type: ignore[attr-defined]
else:
    _Loader = ctypes.CDLL
    FUNCTYPE = ctypes.CFUNCTYPE

# Callback types of qcxapi.h; the image buffer is passed as an address so
# that numpy can wrap it without a ctypes array per frame.
PREVIEW_CALLBACK = FUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                            ctypes.c_int, ctypes.c_void_p)
PREVIEW_CALLBACK_EX = FUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int,
                               ctypes.c_int, ctypes.c_int, ctypes.c_void_p)
AE_CALLBACK = FUNCTYPE(ctypes.c_int, ctypes.c_uint8, ctypes.c_int, ctypes.c_void_p)
AWB_CALLBACK = FUNCTYPE(ctypes.c_int, ctypes.c_uint8, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                        ctypes.c_void_p)
AF_CALLBACK = FUNCTYPE(ctypes.c_int, ctypes.c_int, ctypes.c_void_p)
COLOR_CORRECT_CALLBACK = FUNCTYPE(ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_int, ctypes.c_void_p)

CALLBACK_TYPES = {
    "preview_callback": PREVIEW_CALLBACK,
    "preview_callback_ex": PREVIEW_CALLBACK_EX,
    "ae_callback": AE_CALLBACK,
    "awb_callback": AWB_CALLBACK,
    "af_callback": AF_CALLBACK,
    "color_correct_callback": COLOR_CORRECT_CALLBACK,
}

if sys.platform == "win32":
    _SYSTEM_NAMES = ("QCXApi.dll",)
elif sys.platform == "darwin":
    _SYSTEM_NAMES = ("libqcxapi.dylib",)
else:
    _SYSTEM_NAMES = ("libqcxapi.so.0",)


class LibraryNotFoundError(OSError):
    """libqcxapi could not be loaded; the message lists every path tried."""


class Native:
    """The loaded library: ``api`` holds the QCX_ exports, ``sim`` the QCXSim ones.

    Both are views of one loaded library. The QCXSim functions are declared
    without QCXAPI_CALL, so they are cdecl even on 32-bit Windows.
    """

    def __init__(self, path: str, api: ctypes.CDLL) -> None:
        self.path = path
        self.api = api
        self.sim = ctypes.CDLL(path, handle=api._handle)
        declare(api, "QCX_", CALLBACK_TYPES)
        declare(self.sim, "QCXSim", CALLBACK_TYPES)


_lock = threading.Lock()
_native: Native | None = None


def _candidates() -> list[tuple[str, str]]:
    """(where it came from, path or name) in the order they are tried."""
    chosen = os.environ.get("QCXAPI_LIBRARY")
    if chosen:
        # An explicit choice is not second-guessed by falling back elsewhere.
        return [("QCXAPI_LIBRARY", chosen)]
    found: list[tuple[str, str]] = []
    source_root = Path(__file__).resolve().parent.parent.parent
    if (source_root / "include" / "qcxapi.h").is_file():  # imported from the source tree
        found.append(("build tree", str(source_root / "build" / "libqcxapi.so")))
    system = ctypes.util.find_library("qcxapi")
    if system:
        found.append(("find_library", system))
    found.extend(("system", name) for name in _SYSTEM_NAMES if name != system)
    return found


def load() -> Native:
    """Loads the library once (thread-safe) and returns it."""
    global _native
    if _native is not None:
        return _native
    with _lock:
        if _native is None:
            tried = []
            for origin, path in _candidates():
                try:
                    library = _Loader(path)
                except OSError as error:
                    tried.append(f"{path} ({origin}: {error})")
                    continue
                if not hasattr(library, "QCX_Init"):
                    tried.append(f"{path} ({origin}: no QCX_Init, not libqcxapi)")
                    continue
                _prepare_environment()
                _native = Native(path, library)
                break
            else:
                raise LibraryNotFoundError(
                    "libqcxapi could not be loaded; set QCXAPI_LIBRARY to its path. Tried: "
                    + "; ".join(tried))
    return _native


def loaded() -> bool:
    """Whether the library has been loaded in this process."""
    return _native is not None


def _libc_setenv():
    if sys.platform == "win32":
        return None  # os.environ already calls the C runtime's _wputenv
    libc = ctypes.CDLL(None, use_errno=True)
    function = libc.setenv
    function.argtypes = (ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int)
    function.restype = ctypes.c_int
    return function


_setenv = _libc_setenv()


def setenv(name: str, value: str) -> None:
    """Sets a variable for Python (os.environ) and for the C library's getenv.

    os.environ assignment calls putenv too, but the library reads the C
    environment, so it is set there explicitly; callers check that the
    library sees it where the library offers a way.
    """
    os.environ[name] = value
    if _setenv is not None and _setenv(os.fsencode(name), os.fsencode(value), 1) != 0:
        raise OSError(ctypes.get_errno(), f"setenv({name}) failed")


def _prepare_environment() -> None:
    # A simulated camera's preview thread calls getenv on every frame, and
    # adding a new variable may move the environment array under it.
    # Variables changed while a preview runs are created now, with the
    # library's default, so that later changes replace them in place.
    if "QCX_AVI_CODEC" not in os.environ:
        setenv("QCX_AVI_CODEC", "MJPG")
