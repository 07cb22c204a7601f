"""Layout of the library's images as numpy arrays.

The library writes images as rows of width pixels without padding: one grey
sample, or blue, green, red (and a fourth byte at 32 bits per pixel). The
Bayer mode decides the row order of a converted image: modes 0-3, 8-11 and
16-19 write the bottom row first, the others the top row first, and with
16-bit transfer it is the other way round. Raw frames, and every image in
grey output mode (which is the raw frame), have the top row first.

Arrays handed out are always upright (top row first). A bottom-up image is
returned as a reversed view (``array[::-1]``) of the buffer the library
filled, so there is no copy.
"""

from __future__ import annotations

import ctypes
from typing import NamedTuple, Optional

import numpy as np

# Raw 16-bit frames are little-endian words; converted 16-bit images are the
# library's own uint16 channels (native order).
RAW16 = np.dtype("<u2")


class Layout(NamedTuple):
    """Shape and type of one image, and whether its rows come bottom-up."""

    shape: tuple[int, ...]
    dtype: np.dtype
    bottom_up: bool

    @property
    def nbytes(self) -> int:
        return int(np.prod(self.shape)) * self.dtype.itemsize


def raw_layout(width: int, height: int, sixteen_bit: bool) -> Layout:
    """A raw frame: height x width samples, top row first."""
    return Layout((height, width), RAW16 if sixteen_bit else np.dtype(np.uint8), False)


def image_layout(width: int, height: int, bit_count: int, sixteen_bit: bool,
                 bayer_mode: int, output_mode: int) -> Layout:
    """A processed image of a still capture (or, with sixteen_bit False, of the preview).

    Raises ValueError for a Bayer mode outside 0 ... 23, which converts
    nothing.
    """
    if output_mode == 0:
        return raw_layout(width, height, sixteen_bit)
    if not 0 <= bayer_mode <= 23:
        raise ValueError(f"Bayer mode {bayer_mode} converts nothing (valid: 0 ... 23)")
    channels = bit_count // 8
    shape = (height, width) if channels == 1 else (height, width, channels)
    dtype = np.dtype(np.uint16 if sixteen_bit else np.uint8)
    bottom_up = (bayer_mode % 8 < 4) != sixteen_bit
    return Layout(shape, dtype, bottom_up)


def allocate(layout: Layout, out: Optional[np.ndarray] = None) -> np.ndarray:
    """An array in the library's memory order for it to fill: `out` when it
    fits (ValueError otherwise), else a new uninitialised one."""
    if out is None:
        return np.empty(layout.shape, layout.dtype)
    if out.shape != layout.shape or out.dtype != layout.dtype:
        raise ValueError(f"out is {out.shape} {out.dtype}; the frame is {layout.shape} {layout.dtype}")
    if not (out.flags.c_contiguous and out.flags.writeable):
        raise ValueError("out must be a writable C-contiguous array")
    return out


def upright(buffer: np.ndarray, layout: Layout) -> np.ndarray:
    """The filled buffer with its top row first: a view, never a copy."""
    return buffer[::-1] if layout.bottom_up else buffer


def copy_upright(address: int, layout: Layout) -> np.ndarray:
    """A copy of an image at a C address (valid only now), top row first."""
    source = (ctypes.c_uint8 * layout.nbytes).from_address(address)
    array = np.frombuffer(source, dtype=layout.dtype).reshape(layout.shape)
    return np.array(array[::-1] if layout.bottom_up else array)
