#!/usr/bin/env bash
# What the Windows DLL writes, read on the Linux side: the BMP, JPEG and TIFF
# files of a triggered capture are byte for byte those of the Linux build
# (same libjpeg-turbo, same libtiff, same pipeline), and an AVI recorded
# through Video for Windows is one ffprobe reads.
# Usage: compare_with_linux.sh windows-build-folder linux-qcx   (WINEPREFIX set)
set -euo pipefail
windows=$1 linux_qcx=$2
loader=${QCX_WINE_LOADER:-/usr/lib/wine/wine64}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir "$out/linux" "$out/windows"
export QCX_SIM=17 QCX_SIM_SCENE=ramp QCX_SIM_TIMING=fast
status=0

for file in capture.bmp capture.jpg capture.tif; do
  "$linux_qcx" capture --trigger --fire -o "$out/linux/$file" >/dev/null
  (cd "$windows" && "$loader" ./qcx.exe capture --trigger --fire -o "Z:$out/windows/$file" >/dev/null)
  if [ ! -s "$out/windows/$file" ]; then
    echo "FAIL: the Windows build wrote no $file"; status=1
  elif ! cmp -s "$out/linux/$file" "$out/windows/$file"; then
    echo "FAIL: $file differs between the Linux and the Windows build"; status=1
  else
    echo "ok: $file is the same on Linux and Windows ($(stat -c %s "$out/linux/$file") bytes)"
  fi
done

(cd "$windows" && "$loader" ./qcx.exe preview --seconds 1 --record "Z:$out/windows/record.avi" --codec DIB >/dev/null)
probe=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=codec_name,width,height,nb_read_frames -of default=noprint_wrappers=1 \
  "$out/windows/record.avi" 2>&1 || true)
frames=$(printf '%s\n' "$probe" | sed -n 's/^nb_read_frames=//p')
if printf '%s\n' "$probe" | grep -q '^codec_name=rawvideo$' && [ "${frames:-0}" -ge 2 ]; then
  echo "ok: ffprobe reads the AVI recorded through Video for Windows: $(echo $probe)"
else
  echo "FAIL: ffprobe on the AVI recorded through Video for Windows: $probe"; status=1
fi
exit $status
