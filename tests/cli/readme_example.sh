#!/usr/bin/env bash
# The C example of the README compiles as C99 against the built library and,
# on a simulated camera, writes a JPEG that FFmpeg reads.
# Usage: readme_example.sh README.md include-folder library-folder
set -euo pipefail
readme=$1 include=$2 libdir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QCX_LOCK_DIR=$work
# The block after the marker line, without its fences.
awk '/<!-- example: compiled and run by the tests -->/ {armed=1; next}
     armed && /^```c/ {inside=1; next}
     inside && /^```/ {exit}
     inside {print}' "$readme" >"$work/example.c"
[ -s "$work/example.c" ] || { echo "FAIL: no example found in $readme"; exit 1; }
lines=$(wc -l <"$work/example.c")
echo "example: $lines lines"
cc -std=c99 -Wall -Wextra -Werror -pedantic -I"$include" "$work/example.c" -L"$libdir" -lqcxapi \
  -Wl,-rpath,"$libdir" -o "$work/example"
(cd "$work" && QCX_SIM=21 QCX_SIM_TIMING=fast DISPLAY= ./example)
probe=$(ffprobe -v error -show_entries stream=codec_name,width,height -of compact=p=0 "$work/capture.jpg")
echo "ffprobe: $probe"
[ "$probe" = "codec_name=mjpeg|width=640|height=480" ] || { echo "FAIL: unexpected JPEG"; exit 1; }
