#!/usr/bin/env bash
# qcx preview --window opens a real X11 window and the library draws the
# frames into it: a screenshot of the window's place shows the picture, where
# an empty window stays black. Run under its own virtual X server.
# Usage: xvfb-run -a preview_window_draws.sh path/to/qcx
set -euo pipefail
qcx=$1
# Node claims of its own, so parallel tests do not take each other's cameras.
export QCX_LOCK_DIR=$(mktemp -d)
[ -n "${DISPLAY:-}" ] || { echo "no X server: skipped"; exit 77; }
shot=$(mktemp)
trap 'rm -rf "$shot" "$QCX_LOCK_DIR"' EXIT
QCX_SIM=21 QCX_SIM_SCENE=grey "$qcx" preview --window --seconds 3 &
sleep 2
# The window opens at the top left; its middle shows the flat grey scene.
ffmpeg -v error -y -f x11grab -video_size 64x64 -i "$DISPLAY+344,208" -frames:v 1 -f rawvideo -pix_fmt gray "$shot"
wait
mean=$(od -An -v -tu1 "$shot" | awk '{for (i = 1; i <= NF; i++) {s += $i; n++}} END {print (n ? int(s / n) : 0)}')
echo "mean level in the window: $mean"
[ "$mean" -ge 40 ] || { echo "FAIL: the window shows no picture"; exit 1; }
