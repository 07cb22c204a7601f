"""Preview callbacks, closing under a running preview, and recording."""

import gc
import json
import shutil
import subprocess
import time
import weakref

import numpy as np
import pytest

import qcxapi


class Collector:
    """A preview callback that keeps every frame it is given."""

    def __init__(self):
        self.frames = []

    def __call__(self, image):
        self.frames.append(image)

    def wait(self, count, seconds=10.0):
        deadline = time.monotonic() + seconds
        while len(self.frames) < count and time.monotonic() < deadline:
            time.sleep(0.01)
        assert len(self.frames) >= count, "the preview delivered too few frames"


def test_callback_gets_upright_frames_of_the_preview_size(open_sim):
    cam = open_sim("21")
    cam.fov = (0, 0, 640, 480)
    cam.preview_fov = (0, 0, 320, 240)
    collect = Collector()
    with cam.preview(collect) as preview:
        collect.wait(3)
        assert cam.capture().shape == (480, 640, 3)  # a still capture while previewing
        collect.wait(len(collect.frames) + 2)
    assert not preview.running and preview.exception is None
    assert preview.frames == len(collect.frames)
    for image in collect.frames:
        assert image.shape == (240, 320, 3) and image.dtype == np.uint8
    green = collect.frames[-1][..., 1].astype(int)
    assert np.median(np.diff(green, axis=0)) == 2 and np.median(np.diff(green, axis=1)) == 1


def test_closing_stops_callbacks_and_keeps_delivered_frames(open_sim):
    cam = open_sim("21")
    cam.preview_fov = (0, 0, 160, 120)
    collect = Collector()
    collected = weakref.ref(collect)
    preview = cam.preview(collect)
    collect.wait(3)
    still = cam.capture()
    size = cam.capture_size
    cam.close()  # with the preview running
    count = len(collect.frames)
    time.sleep(0.2)
    assert len(collect.frames) == count and not preview.running
    frames, snapshot = collect.frames, [image.copy() for image in collect.frames]
    del collect, preview
    gc.collect()
    assert collected() is None, "the closed camera still holds the callback"
    assert all(np.array_equal(a, b) for a, b in zip(frames, snapshot))
    assert still.shape == (size.height, size.width, 3) and int(still.sum()) > 0


def test_a_forgotten_camera_keeps_previewing_until_closed():
    qcxapi.simulate("21", timing="fast", scene="ramp")
    collect = Collector()
    try:
        cam = qcxapi.open(0)
        cam.preview_fov = (0, 0, 160, 120)
        cam.preview(collect)
        del cam
        gc.collect()
        count = len(collect.frames)
        collect.wait(count + 3)
    finally:
        qcxapi.close_all()
    count = len(collect.frames)
    time.sleep(0.1)
    assert len(collect.frames) == count


def test_callback_exceptions_are_kept_not_raised(open_sim):
    cam = open_sim("21")
    cam.preview_fov = (0, 0, 160, 120)
    preview = cam.preview(lambda image: cam.close())  # refused: it would wait for itself
    deadline = time.monotonic() + 10
    while preview.frames < 2 and time.monotonic() < deadline:
        time.sleep(0.01)
    preview.stop()
    assert preview.frames >= 2, "frames go on after the callback raised"
    assert isinstance(preview.exception, RuntimeError) and not cam.closed
    with cam.preview(lambda image: None):
        with pytest.raises(RuntimeError):
            cam.preview(lambda image: None)  # one preview at a time


def probe(path):
    result = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json",
                             str(path)], capture_output=True, text=True, check=True)
    return json.loads(result.stdout)["streams"][0]


@pytest.mark.skipif(shutil.which("ffprobe") is None, reason="needs ffprobe")
@pytest.mark.parametrize("codec, name", [("MJPG", "mjpeg"), ("FFV1", "ffv1")])
def test_recording_writes_a_file_ffprobe_reads(open_sim, tmp_path, codec, name):
    cam = open_sim("21")
    cam.preview_fov = (0, 0, 320, 240)
    path = tmp_path / "run.avi"
    with pytest.raises(qcxapi.Error) as raised:
        cam.record(path, 25)
    assert raised.value.status == qcxapi.Status.ILLEGAL_OPERATION  # no preview yet
    with pytest.raises(ValueError):
        cam.record(path, 25, codec="XVID")
    collect = Collector()
    with cam.preview(collect):
        with cam.record(path, 25, codec=codec):
            assert cam.recording
            start = len(collect.frames)
            collect.wait(start + 5)
        assert not cam.recording
    stream = probe(path)
    assert stream["codec_name"] == name and (stream["width"], stream["height"]) == (320, 240)
    assert int(stream["nb_read_frames"]) >= 5
