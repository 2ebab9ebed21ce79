#!/usr/bin/env bash
# Checks a module DLL as the simulator will see it:
#   - exports exactly InitModule, ExitModule, ovcInit, ovcExit, GetModuleVersion, undecorated;
#   - imports only from Orbiter.exe, vcruntime140.dll, the api-ms-win-crt-* sets, kernel32.dll;
#   - imports from Orbiter.exe only names the host header declares (NAMES, made by
#     host-api-names.sh), and, with a REFERENCE list, only names in it: the names checked
#     against the simulator's own SDK. A new one is to be checked there, then added;
#   - 32-bit: a load configuration with the safe exception handler fields.
#   check-dll.sh DLL NAMES [REFERENCE]
set -euo pipefail
export LC_ALL=C  # one collation for sort and comm
dll=$1 names=$2 reference=${3:-}
readobj=$(command -v llvm-readobj || command -v llvm-readobj-14)
failed=0
fail() { echo "check-dll: $(basename "$dll"): $*" >&2; failed=1; }

exports=$("$readobj" --coff-exports "$dll" | sed -n 's/^ *Name: \(..*\)$/\1/p' | sort | tr '\n' ' ')
[ "$exports" = "ExitModule GetModuleVersion InitModule ovcExit ovcInit " ] ||
  fail "exports '$exports'"

# The import list: a line "dll symbol" for every symbol.
imports=$("$readobj" --coff-imports "$dll" | awk '/^  Name: /{lib=$2} /^  +Symbol: /{print lib, $2}')
while read -r lib; do
  case "$lib" in
    Orbiter.exe | vcruntime140.dll | api-ms-win-crt-*-l1-1-0.dll | kernel32.dll) ;;
    *) fail "imports from $lib" ;;
  esac
done < <(echo "$imports" | cut -d' ' -f1 | sort -u)

host=$(echo "$imports" | sed -n 's/^Orbiter.exe //p' | sort -u)
[ -n "$host" ] || fail "imports nothing from Orbiter.exe"
outside=$(comm -23 <(echo "$host") "$names")
[ -z "$outside" ] || fail "imports names the host header does not declare:"$'\n'"$outside"
if [ -n "$reference" ]; then
  unchecked=$(comm -23 <(echo "$host") <(grep -v "^#" "$reference" | sort -u))
  [ -z "$unchecked" ] || fail "imports names not yet checked against the simulator's SDK" \
    "(check each, then add it to $reference):"$'\n'"$unchecked"
fi

if "$readobj" --file-headers "$dll" | grep -q "Arch: i386"; then
  config=$("$readobj" --coff-load-config "$dll")
  size=$(echo "$config" | sed -n 's/^  Size: //p')
  [ -n "$size" ] && [ $((size)) -ge $((0x48)) ] || fail "no load configuration with SEH fields"
  # A table when the image has handlers; with none, the linker marks it NO_SEH instead.
  count=$(echo "$config" | sed -n 's/^  SEHandlerCount: //p')
  if [ "${count:-0}" = 0 ] && ! "$readobj" --file-headers "$dll" | grep -q NO_SEH; then
    fail "neither a safe exception handler table nor NO_SEH"
  fi
fi
[ $failed = 0 ] && echo "check-dll: $(basename "$dll"): $(echo "$host" | wc -l) host imports, all declared"
exit $failed
