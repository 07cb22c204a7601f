#!/usr/bin/env bash
# Fails when the library defines a dynamic symbol that is not a QCX_ or QCXSim
# function, or exports a C++ (mangled) name.
set -euo pipefail
lib=$1
symbols=$(nm -D --defined-only "$lib" | awk '{print $2, $3}')
bad=$(printf '%s\n' "$symbols" | awk '$1 != "T" || ($2 !~ /^QCX_/ && $2 !~ /^QCXSim/) {print}')
if [ -n "$bad" ]; then
  echo "unexpected exported symbols:"; printf '%s\n' "$bad"; exit 1
fi
count=$(printf '%s\n' "$symbols" | grep -c '^T QCX_' || true)
echo "exports: $count QCX_ functions, only prefixed C names"
