#!/bin/sh
# check-windows-dll.sh OBJDUMP DLL EXPORT...: a plugin module as a Windows
# host sees it. It must be a 64-bit PE DLL that exports the given names (in
# name order) and nothing else, and import only the system's own DLLs (the C
# and C++ runtimes are linked in).
set -eu
objdump=$1
dll=$2
shift 2
expected="$*"
headers=$("$objdump" -p "$dll")
fail=0
echo "$headers" | grep -q "file format pei-x86-64" || { echo "not a PE32+ x86-64 image: $dll"; fail=1; }
# IMAGE_FILE_DLL in the file header's characteristics.
characteristics=$(echo "$headers" | awk '/^Characteristics/ {print $2; exit}')
[ $(( characteristics & 0x2000 )) -ne 0 ] || { echo "not a DLL: $dll"; fail=1; }
exports=$(echo "$headers" | awk '/^\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && /^$/ {on=0} on {print $NF}' | tr '\n' ' ' | sed 's/ $//')
imports=$(echo "$headers" | awk '/DLL Name:/ {print $3}' | sort)
echo "exports: $exports"
echo "imports:" $imports
[ "$exports" = "$expected" ] || { echo "expected exactly these exports: $expected"; fail=1; }
for dll_name in $imports; do
  case "$(echo "$dll_name" | tr '[:upper:]' '[:lower:]')" in
    kernel32.dll|msvcrt.dll) ;;
    *) echo "unexpected import: $dll_name"; fail=1 ;;
  esac
done
exit $fail
