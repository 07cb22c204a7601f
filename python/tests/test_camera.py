"""Listing, opening and closing, settings, and errors as exceptions."""

import ctypes
import os

import pytest

import qcxapi
from qcxapi import sim


def library_started() -> bool:
    # QCX_DeviceGetCount answers -5 unless QCX_Init is in force.
    return qcxapi.library().QCX_DeviceGetCount() >= 0


def test_listing_reads_identities_and_closes_the_library_again():
    qcxapi.simulate("21,8:3:0x0102", timing="fast")
    listed = qcxapi.cameras()
    assert [(c.index, c.device_type, c.device_number, c.firmware) for c in listed] == [
        (0, 21, 0, 0x0100), (1, 8, 3, 0x0102)]
    assert all(c.simulated for c in listed)
    assert sorted(c.sim_node for c in listed) == [0, 1]
    assert not library_started()


def test_library_runs_while_any_camera_is_open(open_sim):
    first, second = open_sim("21,21", count=2)
    assert first.info.device_type == second.info.device_type == 21
    with pytest.raises(RuntimeError):
        qcxapi.open(0)
    with pytest.raises(IndexError):
        qcxapi.open(2)
    with pytest.raises(RuntimeError):
        qcxapi.simulate("8")  # cameras are open
    first.close()
    first.close()
    assert library_started()
    with pytest.raises(qcxapi.CameraClosedError):
        first.capture()
    second.close()
    assert not library_started()


def test_simulate_reaches_the_c_environment():
    assert qcxapi.simulate([21, "8:2"], scene="grey") == 2
    libc = ctypes.CDLL(None)
    libc.getenv.restype = ctypes.c_char_p
    assert libc.getenv(b"QCX_SIM") == b"21,8:2" and os.environ["QCX_SIM"] == "21,8:2"
    assert libc.getenv(b"QCX_SIM_SCENE") == b"grey"
    with pytest.raises(ValueError):
        qcxapi.simulate("21,nonsense")
    with pytest.raises(ValueError):
        qcxapi.simulate("21", timing="slow")


def test_params_by_name(open_sim):
    cam = open_sim("21")
    params = cam.params
    params["GAMMA"] = 3
    assert params["gamma"] == params[qcxapi.Param.GAMMA] == params["QCX_GAMMA"] == 3
    assert params.range("contrast") == (-128, 128)
    with pytest.raises(KeyError) as raised:
        params["GAIN"]
    assert "exposure" in str(raised.value) and "saturation" in str(raised.value)
    # A parameter of the CCD cameras only.
    assert "exposure" in params and "vgagain" not in params and "gain" not in params
    assert "vgagain" not in list(params) and len(params) < len(params.names)
    with pytest.raises(qcxapi.Error) as raised:
        params["vgagain"]
    assert raised.value.status == qcxapi.Status.NOT_SUPPORTED


def test_settings_read_back(open_sim):
    cam = open_sim("21")
    cam.exposure_ms = 10
    assert cam.exposure_ms == pytest.approx(10, abs=0.5)
    cam.filter_mode = 3
    assert cam.filter_mode == 3
    cam.timeout_ms = 1234
    assert cam.timeout_ms == 1234
    assert cam.sixteen_bit is False  # the MT9V032 has no 16-bit transfer


def test_missing_feature_raises_not_supported(open_sim):
    cam = open_sim("21")
    with pytest.raises(qcxapi.Error) as raised:
        cam.external_trigger = True
    error = raised.value
    assert (error.status, error.text, error.call) == (-3, "Operation is not Supported", "QCX_TriggerModeSet")
    assert "Operation is not Supported" in str(error)
    with pytest.raises(qcxapi.Error) as raised:
        cam.sixteen_bit = True
    assert raised.value.status == -3


@pytest.mark.parametrize("fault, status", [
    (sim.drop_frames, qcxapi.Status.RECOVERY_SUCCESSFUL),
    (sim.empty_frames, qcxapi.Status.ZERO_FRAME),
    (sim.short_frames, qcxapi.Status.INVALID_FRAME),
])
def test_frame_faults_raise_their_status_once(open_sim, fault, status):
    cam = open_sim("21")
    fault(cam.info.sim_node, 1)
    with pytest.raises(qcxapi.Error) as raised:
        cam.capture()
    assert raised.value.status == status and raised.value.call == "QCX_CaptureRgbDataEx"
    assert cam.capture().ndim == 3


def test_unplugged_camera_fails_until_replugged(open_sim):
    cam = open_sim("21,21")
    sim.unplug(cam.info.sim_node)
    assert sim.count() == 1
    with pytest.raises(qcxapi.Error):
        cam.capture()
    sim.replug_all()
    assert sim.count() == 2


def test_external_trigger_releases_one_frame(open_sim):
    cam = open_sim("31")
    cam.fov = (0, 0, 320, 240)
    cam.external_trigger = True
    assert cam.external_trigger
    cam.timeout_ms = 200
    sim.trigger(cam.info.sim_node)
    assert cam.capture(raw=True).shape == (240, 320)
    with pytest.raises(qcxapi.Error):  # no second trigger: the read times out
        cam.capture(raw=True)


def test_simulate_plugs_in_cameras_at_power_on(open_sim):
    cam = open_sim("21")
    full = cam.fov
    cam.fov = (0, 0, 320, 240)
    cam.close()
    assert open_sim("21").fov == full


def test_simulator_errors_name_their_call():
    qcxapi.simulate("21")
    with pytest.raises(qcxapi.Error) as raised:
        sim.set_scene(5, "ramp")
    assert raised.value.call == "QCXSimSetScene" and raised.value.status == -5
