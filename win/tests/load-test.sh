#!/usr/bin/env bash
# Runs the stand-in for the simulator's executable under wine64 on the add-on as installed:
# the vemopod component's install rules lay out WORK/root, the stand-in loads
# modules\vemopod.dll from there. The companion crew-member module is present as far as the
# capsule looks (its module and class config files), so an EVA can go out.
#   load-test.sh BUILD_DIR WORK_DIR STANDIN_EXE
set -euo pipefail
build=$1 work=$2 standin=$3
wine=
for candidate in /usr/lib/wine/wine64 wine64 wine; do
  if command -v "$candidate" >/dev/null; then
    wine=$(command -v "$candidate")
    break
  fi
done
if [ -z "$wine" ]; then
  echo "load-test: wine64 is missing (Debian: wine64 wine)" >&2
  exit 2
fi

root=$work/root
rm -rf "$root"
cmake --install "$build" --prefix "$root" --component vemopod >/dev/null
mkdir -p "$root/config/vessels"
: >"$root/modules/Vemo.dll"
: >"$root/config/vessels/Vemo.cfg"
cp "$standin" "$root/Orbiter.exe"

# A prefix of its own (made on first use, kept for the next run), no display, no messages
# of Wine's own, and no offer to install Wine's .NET or HTML engines.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cd "$root"
status=0
"$wine" Orbiter.exe 2> >(grep -v -e "^wine: " >&2) || status=$?
# Windows refuses a DLL with an import the executable lacks; Wine loads it and fails only
# when that function is called, and says nothing with WINEDEBUG=-all. Name them here.
names() { llvm-readobj "$@" | sed -n 's/^ *\(Symbol\|Name\): \(?[^ ]*\).*$/\2/p' | LC_ALL=C sort -u; }
missing=$(LC_ALL=C comm -23 <(names --coff-imports modules/vemopod.dll) \
  <(names --coff-exports Orbiter.exe))
if [ -n "$missing" ]; then
  echo "FAILED: the stand-in does not export (add them to win/standin/StandInApi.cpp):"
  echo "$missing"
  status=1
fi
if [ $status = 0 ] && [ ! -s config/Vemotmp.cfg ]; then
  echo "FAILED: the EVA left no hand-over record in config\\Vemotmp.cfg"
  status=1
fi
exit $status
