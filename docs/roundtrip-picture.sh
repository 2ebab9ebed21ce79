#!/bin/sh
# Draws the round trip's picture that the README shows, docs/roundtrip.svg, from
# examples/roundtrip.scn and its timeline. Run it (or `cmake --build build --target
# roundtrip-picture`) after a change to what vemosim draws, and commit the picture; a test
# draws it again and fails while the committed one differs.
#
#   docs/roundtrip-picture.sh VEMOSIM [OUT [ROOT]]
#
# OUT (default docs/roundtrip.svg) is taken from the source folder unless absolute; ROOT is
# the runtime root (default: the one the build laid out).
set -eu
[ $# -ge 1 ] || { echo "usage: $0 VEMOSIM [OUT [ROOT]]" >&2; exit 2; }
vemosim=$1
out=${2:-docs/roundtrip.svg}
root=${3:-}
cd "$(dirname "$0")/.."
if [ -n "$root" ]; then
  set -- --root "$root"
else
  set --
fi
exec "$vemosim" "$@" --quiet --timeline examples/roundtrip.tl --until 10 \
  --plot "$out" examples/roundtrip.scn
