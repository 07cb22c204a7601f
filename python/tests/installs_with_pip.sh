#!/usr/bin/env bash
# The module installs as a user installs it, with pip into a virtual
# environment, and the installed copy captures a frame of a simulated camera.
# Usage: installs_with_pip.sh python-source-folder path/to/libqcxapi.so
set -euo pipefail
source=$1 library=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QCX_LOCK_DIR=$work
# pip builds in the folder it is given: a copy keeps the source tree clean.
cp -r "$source" "$work/src"
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install -q --no-build-isolation --no-index "$work/src"
cd "$work"
QCXAPI_LIBRARY=$library QCX_SIM_TIMING=fast "$work/venv/bin/python" -c '
import qcxapi
qcxapi.simulate("21")
with qcxapi.open(0) as cam:
    frame = cam.capture()
print(qcxapi.__file__, frame.shape, frame.dtype)
assert frame.shape == (480, 752, 3) and "venv" in qcxapi.__file__
'
