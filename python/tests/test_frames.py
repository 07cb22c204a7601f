"""Frames against the simulator's ramp scene: the sample at sensor column c,
row r is (c + 2r) mod 256, and 16 times that as a 12-bit sample in 16-bit
transfer."""

import numpy as np
import pytest


def assert_upright_ramp(frame: np.ndarray, scale: int = 1) -> None:
    # 8-bit frames get their last row and last two columns patched from the
    # nearest samples of the same colour, so those are left out.
    ramp = frame[:-1, :-2].astype(np.int64) // scale
    assert np.all(np.diff(ramp, axis=1) % 256 == 1), "along a row the ramp rises by 1"
    assert np.all(np.diff(ramp, axis=0) % 256 == 2), "down a column the ramp rises by 2"


@pytest.mark.parametrize("spec, window", [("21", None), ("8", (0, 0, 640, 480))])
def test_raw_frame_is_the_upright_ramp(open_sim, spec, window):
    cam = open_sim(spec)
    if window:
        cam.fov = window
    raw = cam.capture(raw=True)
    size = cam.capture_size
    assert raw.shape == (size.height, size.width) and raw.dtype == np.uint8
    assert_upright_ramp(raw)


def test_window_start_moves_the_ramp(open_sim):
    cam = open_sim("21")
    cam.fov = (0, 0, 320, 240)
    origin = cam.fov
    first = int(cam.capture(raw=True)[0, 0])
    cam.fov = (40, 20, 320, 240, 0, 0)
    moved = cam.fov
    assert len(moved) == 6 and (moved.width, moved.height) == (320, 240)
    shift = (moved.column_start - origin.column_start) + 2 * (moved.row_start - origin.row_start)
    assert shift > 0
    assert int(cam.capture(raw=True)[0, 0]) == (first + shift) % 256
    assert cam.capture().shape == (240, 320, 3)
    with pytest.raises(ValueError):
        cam.fov = (0, 0, 320)


def test_colour_image_is_upright_in_either_row_order(open_sim):
    cam = open_sim("21")
    raw = cam.capture(raw=True).astype(np.int64)
    cam.bayer_mode = 0  # bottom-up rows from the library
    bottom_up = cam.capture()
    cam.bayer_mode = 4  # top-down rows
    top_down = cam.capture()
    assert bottom_up.shape == raw.shape + (3,) and bottom_up.dtype == np.uint8
    assert np.array_equal(bottom_up, top_down)
    # Flipped as a view of the library's buffer, not copied.
    assert bottom_up.strides[0] < 0 and not bottom_up.flags.owndata
    # Bilinear demosaicing (the default) reproduces a linear ramp exactly:
    # every channel equals the raw sample wherever no neighbour wraps.
    inner = (slice(3, -3), slice(3, -3))
    unwrapped = (raw[inner] >= 3) & (raw[inner] <= 252)
    for channel in range(3):
        assert np.array_equal(top_down[inner][..., channel][unwrapped], raw[inner][unwrapped])

    # A reused array gets the same upright picture; one that does not fit is refused.
    cam.bayer_mode = 0
    reused = cam.capture(out=bottom_up.base)
    assert np.array_equal(reused, top_down) and reused.base is bottom_up.base
    with pytest.raises(ValueError):
        cam.capture(out=np.empty((480, 752), np.uint8))


def test_pixel_layouts_of_the_bayer_mode_groups(open_sim):
    cam = open_sim("21")
    cam.fov = (0, 0, 320, 240)
    cam.bayer_mode = 8
    wide = cam.capture()
    assert wide.shape == (240, 320, 4)
    cam.bayer_mode = 0
    assert np.array_equal(wide[..., :3], cam.capture())
    cam.bayer_mode = 16
    grey_bottom_up = cam.capture()
    cam.bayer_mode = 20
    grey_top_down = cam.capture()
    assert grey_top_down.shape == (240, 320) and np.array_equal(grey_bottom_up, grey_top_down)
    assert np.median(np.diff(grey_top_down.astype(int), axis=0)) == 2
    cam.output_mode = 0  # grey output: the raw frame itself
    assert np.array_equal(cam.capture(), cam.capture(raw=True))
    with pytest.raises(ValueError):
        cam.bayer_mode = 24


def test_sixteen_bit_transfer_carries_twelve_bit_ramp(open_sim):
    cam = open_sim("31")
    cam.fov = (0, 0, 640, 480)
    eight = cam.capture(raw=True)
    cam.sixteen_bit = True
    assert cam.sixteen_bit
    raw = cam.capture(raw=True)
    assert raw.dtype == np.uint16 and raw.shape == eight.shape
    assert np.array_equal(raw[:-1, :-2], 16 * eight[:-1, :-2].astype(np.uint16))
    assert raw.max() < 4096
    assert_upright_ramp(raw, scale=16)

    colour = cam.capture()
    assert colour.dtype == np.uint16 and colour.shape == raw.shape + (3,)
    assert np.all(colour % 16 == 0)
    # Upright: each green sample is within one ramp step of the raw sample.
    step = (colour[..., 1].astype(np.int64) // 16 - raw.astype(np.int64) // 16) % 256
    assert np.isin(step[1:-1, 1:-1], (0, 1, 255)).all()
    # The row order of 16-bit images is the other way round; both come upright.
    mode = cam.bayer_mode
    cam.bayer_mode = mode ^ 4
    assert np.array_equal(cam.capture(), colour)
