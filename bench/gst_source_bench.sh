#!/usr/bin/env bash
# Frames per second of `qcxsrc ! fakesink` beside the library's own capture
# loop (QCX_CaptureRgbDataEx into one buffer, the Bayer and filter modes
# qcxsrc uses), for a simulated MT9V032 (type 21, 752 x 480) and MT9P001
# (type 8, 2592 x 1944) in fast frame timing, and their ratio.
#   bench/gst_source_bench.sh [build folder] [seconds] [rounds]
# Builds the targets qcxapi and gstqcx in the build folder (default build/;
# a release build gives the numbers that matter). The pipeline's rate is the
# difference of two runs of different lengths, so starting and stopping
# cancel out (the C loop's clock starts after its first frame, which the
# simulator renders); each rate is the median of the rounds (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-2}
rounds=${3:-5}
cmake --build "$build" --target qcxapi gstqcx >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QCX_SIM_TIMING=fast QCX_LOCK_DIR=$scratch QCX_REGISTRY_ROOT=$scratch
export GST_PLUGIN_PATH=$build/gst GST_REGISTRY_1_0=$scratch/registry.bin
unset DISPLAY

# capture_loop SECONDS: colour captures of camera 0 for that long; prints
# the frames per second.
cc -O2 -std=c99 -D_POSIX_C_SOURCE=199309L -o "$scratch/capture_loop" -x c - -I"$root/include" \
  -L"$build" -lqcxapi -Wl,-rpath,"$build" <<'EOF'
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <qcxapi.h>
static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}
int main(int argc, char **argv) {
    int mode = 0, width = 0, height = 0, bits = 0;
    long frames = 0;
    if (argc != 2 || QCX_Init() != 1 || QCX_BayerGetDefaultMode(0, &mode) != 1) return 1;
    QCX_BayerSetMode(0, mode | 4);
    QCX_FilterSetMode(0, 1);
    QCX_CaptureGetSizeEx(0, &width, &height, &bits);
    unsigned char *image = malloc((size_t)width * height * bits / 8);
    /* The first frame after opening is rendered; later ones are copies. */
    if (QCX_CaptureRgbDataEx(0, image, NULL, NULL, NULL) != 1) return 1;
    const double end = Now() + atof(argv[1]), start = Now();
    while (Now() < end) {
        if (QCX_CaptureRgbDataEx(0, image, NULL, NULL, NULL) != 1) return 1;
        ++frames;
    }
    printf("%.1f\n", frames / (Now() - start));
    free(image);
    QCX_UnInit();
    return 0;
}
EOF

calc() { awk "BEGIN { printf \"%.3f\\n\", $1 }"; }
elapsed() {  # seconds gst-launch takes for $2 buffers of type $1
  local start end
  start=$(date +%s.%N)
  gst-launch-1.0 -q qcxsrc simulate="$1" num-buffers="$2" ! fakesink
  end=$(date +%s.%N)
  calc "$end - $start"
}

gst_fps() {  # buffers per second of type $1 over $2 buffers, less a tenth of them
  local long=$2 short=$(($2 / 10 + 1))
  calc "($long - $short) / ($(elapsed "$1" "$long") - $(elapsed "$1" "$short"))"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

gst-inspect-1.0 qcxsrc >/dev/null  # fills the registry before anything is timed
printf '%-22s %12s %12s %7s\n' camera "C fps" "qcxsrc fps" ratio
for entry in "21:MT9V032 752x480" "8:MT9P001 2592x1944"; do
  type=${entry%%:*} name=${entry#*:}
  : >"$scratch/c" && : >"$scratch/gst"
  for _ in $(seq "$rounds"); do  # the two alternate, so both see the same machine
    c=$(QCX_SIM=$type "$scratch/capture_loop" "$seconds")
    echo "$c" >>"$scratch/c"
    gst_fps "$type" "$(printf '%.0f' "$(calc "$c * $seconds")")" >>"$scratch/gst"
  done
  c_fps=$(median <"$scratch/c") g_fps=$(median <"$scratch/gst")
  printf '%-22s %12.1f %12.1f %6.1f%%\n' "$name" "$c_fps" "$g_fps" "$(calc "100 * $g_fps / $c_fps")"
done
