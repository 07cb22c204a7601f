"""The QCX_PARAM settings of a camera as a mapping: ``cam.params["gain"]``."""

from __future__ import annotations

import ctypes
import enum
from collections.abc import Mapping
from typing import TYPE_CHECKING, Iterator, Union

from .errors import Error, Status, check

if TYPE_CHECKING:
    from .camera import Camera


class Param(enum.IntEnum):
    """Parameter identifiers of QCX_SetParam, QCX_GetParam and QCX_GetParamRange."""

    EXPOSURE = 0
    RED = 1
    GREEN = 2
    BLUE = 3
    GAMMA = 4
    PREVIEW_COLUMNSTART = 5
    PREVIEW_ROWSTART = 6
    CAPTURE_COLUMNSTART = 7
    CAPTURE_ROWSTART = 8
    HORIZONTALBLANK = 9
    VERTICALBLANK = 10
    FLIP = 11
    BIN = 12
    MIRROR = 13
    CONTRAST = 14
    BRIGHTNESS = 15
    VGAGAIN = 16
    CLAMPLEVEL = 17
    CDSGAIN = 18
    RED_SHIFT = 19
    GREEN_SHIFT = 20
    BLUE_SHIFT = 21
    COMPANDING = 22
    EXPOSURE_LINES = 23
    SATURATION = 24


Key = Union[str, Param]


def param_id(key: Key) -> Param:
    """The identifier of a name: case-insensitive, with or without "QCX_".

    Raises KeyError, listing the valid names, for anything else.
    """
    if isinstance(key, Param):
        return key
    if isinstance(key, str):
        name = key.upper()
        if name.startswith("QCX_"):
            name = name[4:]
        if name in Param.__members__:
            return Param[name]
    valid = ", ".join(member.name.lower() for member in Param)
    raise KeyError(f"{key!r} is not a QCX_PARAM name; valid names: {valid}")


class Params(Mapping):
    """The QCX_PARAM settings of one camera, by name.

    ``params["exposure"]`` reads with QCX_GetParam, ``params["red"] = 20``
    writes with QCX_SetParam, ``params.range("gamma")`` gives (minimum,
    maximum) from QCX_GetParamRange. Names are the QCX_PARAM names without
    the prefix, in any case ("exposure", "RED", "preview_columnstart");
    :class:`Param` members work too. An unknown name raises KeyError; a
    parameter this camera does not have raises :class:`~qcxapi.Error` with
    status -3. Iteration, ``len`` and ``in`` cover the parameters this camera
    has.
    """

    def __init__(self, camera: "Camera") -> None:
        self._camera = camera

    @property
    def names(self) -> tuple[str, ...]:
        """Every QCX_PARAM name, whether this camera has it or not."""
        return tuple(member.name.lower() for member in Param)

    def __getitem__(self, key: Key) -> int:
        parameter = param_id(key)
        value = ctypes.c_int()
        with self._camera._use() as api:
            check(api.QCX_GetParam(self._camera.index, parameter, ctypes.byref(value)), "QCX_GetParam")
        return value.value

    def __setitem__(self, key: Key, value: int) -> None:
        parameter = param_id(key)
        with self._camera._use() as api:
            check(api.QCX_SetParam(self._camera.index, parameter, int(value)), "QCX_SetParam")

    def range(self, key: Key) -> tuple[int, int]:
        """(minimum, maximum) of a parameter."""
        parameter = param_id(key)
        low, high = ctypes.c_int(), ctypes.c_int()
        with self._camera._use() as api:
            check(api.QCX_GetParamRange(self._camera.index, parameter, ctypes.byref(low),
                                        ctypes.byref(high)), "QCX_GetParamRange")
        return low.value, high.value

    def _has(self, parameter: Param) -> bool:
        try:
            self[parameter]
        except Error as error:
            if error.status == Status.NOT_SUPPORTED:
                return False
            raise
        return True

    def __contains__(self, key: object) -> bool:
        try:
            parameter = param_id(key)  # type: ignore[arg-type]
        except KeyError:
            return False
        return self._has(parameter)

    def __iter__(self) -> Iterator[str]:
        return iter([member.name.lower() for member in Param if self._has(member)])

    def __len__(self) -> int:
        return sum(1 for _ in self)

    def __repr__(self) -> str:
        return f"<Params of camera {self._camera.index}: {dict(self.items())!r}>"
