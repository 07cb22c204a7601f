#!/usr/bin/env bash
# Static checks of the 32-bit QCXApi.dll, which no test here can run: the
# x86_64 build ignores __stdcall, so these catch what its suite cannot.
#  - The DLL exports exactly the names of QCXApi.def, undecorated.
#  - Every QCX_ function is compiled as __stdcall with the argument bytes of
#    QCXApi-i686.def (its symbol is _QCX_Name@N) and returns with "ret $N",
#    removing its arguments.
#  - The DLL imports nothing but Windows system DLLs.
#  - A strict C99 client that declares the exports itself, __stdcall, links
#    against the import library, and so does one built against qcxapi.h.
# Usage: check_i686_dll.sh build-folder source-folder
set -euo pipefail
build=$1 source=$2
dll=$build/QCXApi.dll
implib=$build/libQCXApi.dll.a
tool=i686-w64-mingw32
status=0
fail() { echo "FAIL: $*"; status=1; }

[ -f "$dll" ] && [ -f "$implib" ] || { echo "missing $dll or $implib"; exit 1; }
file_format=$($tool-objdump -f "$dll" | sed -n 's/.*file format //p')
[ "$file_format" = pei-i386 ] || fail "QCXApi.dll is $file_format, not pei-i386"

# Exported names.
exported=$($tool-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
listed=$(sed -n '/^EXPORTS/,$p' "$source/camera/api/QCXApi.def" | awk 'NR > 1 && NF {print $1}' | sort)
[ "$(printf '%s\n' "$listed" | grep -c '^QCX_')" = 136 ] || fail "QCXApi.def does not list 136 QCX_ functions"
missing=$(comm -23 <(printf '%s\n' "$listed") <(printf '%s\n' "$exported"))
extra=$(comm -13 <(printf '%s\n' "$listed") <(printf '%s\n' "$exported"))
[ -z "$missing" ] || fail "not exported: $(echo $missing)"
[ -z "$extra" ] || fail "exported but not in QCXApi.def (decorated or stray): $(echo $extra)"

# Argument bytes: the compiled symbols against the import definition.
compiled=$(find "$build/CMakeFiles/qcx_objects.dir" -name '*.obj' -print0 | xargs -0 $tool-nm --defined-only |
  awk '$2 == "T" && $3 ~ /^_QCX_/ {print substr($3, 2)}' | sort -u)
expected=$(sed -n '/^EXPORTS/,$p' "$source/camera/api/QCXApi-i686.def" | awk 'NR > 1 && $1 ~ /^QCX_/ {print $1}' | sort)
[ "$(printf '%s\n' "$expected" | grep -c '@')" = 136 ] || fail "QCXApi-i686.def does not decorate 136 functions"
wrong=$(comm -3 <(printf '%s\n' "$expected") <(printf '%s\n' "$compiled"))
[ -z "$wrong" ] || fail "compiled decorations differ from QCXApi-i686.def (left: .def, right: compiled): $wrong"

# Each export removes its arguments on return.
$tool-objdump -d --no-show-raw-insn "$dll" | awk -v list="$(printf '%s ' $expected)" '
  BEGIN { n = split(list, names, " "); for (i = 1; i <= n; i++) want["_" names[i]] = 1 }
  /^[0-9a-f]+ <.*>:$/ { name = $2; gsub(/[<>:]/, "", name); current = (name in want) ? name : ""; next }
  current != "" && $2 ~ /^ret/ {
    bytes = current; sub(/.*@/, "", bytes)
    good = (bytes == 0) ? ($2 == "ret" && NF == 2) : ($3 == sprintf("$0x%x", bytes))
    seen[current] = 1
    if (!good) { print "FAIL: " current " returns with \"" $2 " " $3 "\""; bad = 1 }
  }
  # A tail jump into an export with the same argument bytes returns through it.
  current != "" && $2 == "jmp" && $NF ~ /^<_QCX_.*@[0-9]+>$/ {
    target = $NF; gsub(/[<>]/, "", target)
    mine = current; sub(/.*@/, "", mine); theirs = target; sub(/.*@/, "", theirs)
    if (mine == theirs && (target in want)) seen[current] = 1
  }
  END {
    for (name in want) if (!(name in seen)) { print "FAIL: no return found in " name; bad = 1 }
    exit bad
  }' || status=1

# Imports.
allowed='^(kernel32|user32|gdi32|advapi32|msvcrt|avifil32|msvfw32|winmm)\.dll$'
imports=$($tool-objdump -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
stray=$(printf '%s\n' "$imports" | grep -vE "$allowed" || true)
[ -z "$stray" ] || fail "imports from outside the Windows system DLLs: $(echo $stray)"

# A client with its own __stdcall declarations links.
client=$(mktemp -d)
trap 'rm -rf "$client"' EXIT
# Its declarations come from the argument bytes of QCXApi-i686.def, as int
# arguments, 4 bytes each, so the client asks for every export under the
# decoration the documented prototype gives it.
{
  printf '%s\n' "$expected" | awk -F@ '{
    args = ""
    for (i = 0; i < $2 / 4; i++) args = args (i ? ", " : "") "int"
    printf "int __stdcall %s(%s);\n", $1, (args == "" ? "void" : args)
  }'
  echo 'typedef int(__stdcall *AnyExport)(void);'
  echo 'int main(int argc, char **argv) {'
  echo '    static const AnyExport exports[] = {'
  printf '%s\n' "$expected" | awk -F@ '{printf "        (AnyExport)(void (*)(void))%s,\n", $1}'
  echo '    };'
  echo '    (void)argv;'
  echo '    return argc > 99 ? (int)(sizeof exports / sizeof exports[0]) : 0;'
  echo '}'
} > "$client/client.c"
if ! $tool-gcc-posix -std=c99 -Wall -Wextra -Werror -pedantic -o "$client/client.exe" \
     "$client/client.c" "$implib" 2> "$client/log"; then
  fail "a client declaring the exports itself does not link:"; cat "$client/log"
fi
# ... and one built against qcxapi.h.
if ! $tool-gcc-posix -std=c99 -Wall -Wextra -Werror -pedantic -I"$source/include" -o "$client/header.exe" \
     "$source/tests/header/every_export_c99.c" "$implib" 2> "$client/log"; then
  fail "a client of qcxapi.h does not link:"; cat "$client/log"
fi

[ $status = 0 ] && echo "QCXApi.dll (i686): 136 undecorated __stdcall exports, $(printf '%s\n' "$exported" | grep -c '^QCXSim') QCXSim exports, system imports only, clients link"
exit $status
