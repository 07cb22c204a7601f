#!/usr/bin/env bash
# Installs the build into a scratch prefix and uses it as a user would: the
# installed qcx lists a simulated camera, and a client program built through
# pkg-config and through the CMake package captures a frame. Then the Debian
# packages: cpack makes the three of them, each holds its files, and the
# runtime and tools unpacked into a scratch root run.
# Usage: check_install.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QCX_SIM=21 QCX_SIM_TIMING=fast
unset DISPLAY

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
export LD_LIBRARY_PATH=$prefix/lib
"$prefix/bin/qcx" list --json | grep -q '"device_type": 21, "family": "MT9V032"'
readelf -d "$prefix/lib/libqcxapi.so" | grep -q "Library soname: \[libqcxapi.so.0\]"
[ -f "$prefix/lib/udev/rules.d/60-qcxapi.rules" ]

# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror -o "$scratch/client" "$source/tests/install/client.c" \
  $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs qcxapi)
"$scratch/client" | grep -q "client: 752 x 480 frame, status 1"

cmake -S "$source/tests/install" -B "$scratch/cmake-client" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/cmake-client" >/dev/null
"$scratch/cmake-client/client" | grep -q "client: 752 x 480 frame, status 1"

(cd "$build" && cpack -G DEB -B "$scratch/debs" >/dev/null)
contents() { dpkg-deb -c "$scratch/debs/$1"_*.deb | awk '{print $6}'; }
contents libqcxapi0 | grep -qx './usr/lib/libqcxapi.so.0'
contents libqcxapi0 | grep -qx './usr/lib/udev/rules.d/60-qcxapi.rules'
contents libqcxapi-dev | grep -qx './usr/include/qcxapi.h'
contents libqcxapi-dev | grep -qx './usr/lib/pkgconfig/qcxapi.pc'
contents libqcxapi-dev | grep -qx './usr/lib/cmake/QCXApi/QCXApiConfig.cmake'
contents qcxapi-tools | grep -qx './usr/bin/qcx'
dpkg-deb -f "$scratch/debs"/qcxapi-tools_*.deb Depends | grep -q libqcxapi0
root=$scratch/root
for deb in "$scratch/debs"/libqcxapi0_*.deb "$scratch/debs"/qcxapi-tools_*.deb; do dpkg-deb -x "$deb" "$root"; done
LD_LIBRARY_PATH=$root/usr/lib "$root/usr/bin/qcx" list --json | grep -q '"device_type": 21, "family": "MT9V032"'
echo "install and packages: ok"
