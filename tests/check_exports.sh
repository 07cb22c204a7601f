#!/usr/bin/env bash
# Fails when the library defines a dynamic symbol that is not a QCX_ or QCXSim
# function, exports a C++ (mangled) name, lacks a function that qcxapi.h
# declares or defines one it does not, when the header does not declare the
# 136 functions of the interface, or when the bad-input sweep does not call
# exactly the functions the library defines.
# Usage: check_exports.sh libqcxapi.so qcxapi.h bad_input_sweep_e2e_test.cpp
set -euo pipefail
lib=$1 header=$2 sweep=$3

symbols=$(nm -D --defined-only "$lib" | awk '{print $2, $3}')
bad=$(printf '%s\n' "$symbols" | awk '$1 != "T" || ($2 !~ /^QCX_/ && $2 !~ /^QCXSim/) {print}')
if [ -n "$bad" ]; then
  echo "unexpected exported symbols:"; printf '%s\n' "$bad"; exit 1
fi

defined=$(printf '%s\n' "$symbols" | awk '$2 ~ /^QCX_/ {print $2}' | sort -u)
declared=$(grep -oE 'QCXAPI_CALL QCX_[A-Za-z0-9_]+\(' "$header" | sed -E 's/QCXAPI_CALL |\(//g' | sort -u)
expected=$declared
# Rows of the sweep start ROW(State, QCX_Name, or add("QCX_Name",
swept=$(grep -oE '(ROW\([A-Za-z]+, *|add\(")QCX_[A-Za-z0-9_]+' "$sweep" | grep -oE 'QCX_[A-Za-z0-9_]+' | sort -u)

status=0
count=$(printf '%s\n' "$declared" | wc -l)
if [ "$count" != 136 ]; then echo "qcxapi.h declares $count QCX_ functions, not 136"; status=1; fi
report() {  # title, lines
  if [ -n "$2" ]; then echo "$1:"; printf '  %s\n' $2; status=1; fi
}
report "declared in qcxapi.h but not defined" "$(comm -23 <(printf '%s\n' "$expected") <(printf '%s\n' "$defined"))"
report "defined but not declared" \
  "$(comm -13 <(printf '%s\n' "$expected") <(printf '%s\n' "$defined"))"
report "defined but missing from the bad-input sweep" "$(comm -23 <(printf '%s\n' "$defined") <(printf '%s\n' "$swept"))"
report "in the bad-input sweep but not defined" "$(comm -13 <(printf '%s\n' "$defined") <(printf '%s\n' "$swept"))"
[ "$status" = 0 ] || exit 1
echo "exports: $(printf '%s\n' "$defined" | wc -l) QCX_ functions of $(printf '%s\n' "$declared" | wc -l) declared," \
  "all in the bad-input sweep, only prefixed C names"
