#!/usr/bin/env bash
# gst-launch-1.0 with the built plugin writes 100 JPEG files of a simulated
# MT9V032, in fast and in realtime frame timing.
# Usage: launch_writes_jpegs.sh <folder of libgstqcx.so>
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export GST_PLUGIN_PATH=$1 GST_REGISTRY_1_0=$scratch/registry.bin
export QCX_LOCK_DIR=$scratch QCX_REGISTRY_ROOT=$scratch
for timing in fast realtime; do
  mkdir "$scratch/$timing"
  QCX_SIM_TIMING=$timing gst-launch-1.0 -q qcxsrc simulate=21 num-buffers=100 ! videoconvert ! jpegenc ! \
    multifilesink location="$scratch/$timing/frame%03d.jpg"
  count=$(find "$scratch/$timing" -name 'frame*.jpg' -size +1k | wc -l)
  [ "$count" -eq 100 ] || { echo "$timing: $count JPEG files, not 100" >&2; exit 1; }
  [ "$(od -An -tx1 -N2 "$scratch/$timing/frame099.jpg" | tr -d ' ')" = ffd8 ]
done
echo "gst-launch: 100 JPEG files in fast and realtime timing"
