#!/usr/bin/env bash
# Writes the decorated name of every function the host header (and ModuleStartup.h) declares
# as imported from the simulator, as the compiler given spells it for its target: one name a
# line, sorted, to NAMES; and the same as a module-definition file for the simulator's
# executable to DEF, from which llvm-dlltool makes the import library the modules link.
#   host-api-names.sh NAMES DEF COMPILER FLAGS...
# The names come from the compiler's own syntax tree (mangledName of each declaration that
# carries dllimport), so they are the header's, not a list kept by hand. Needs jq.
set -euo pipefail
export LC_ALL=C  # one collation for sort and comm
names=$1 def=$2 compiler=$3
shift 3

source=$(mktemp --suffix=.cpp)
trap 'rm -f "$source"' EXIT
echo '#include "ModuleStartup.h"' >"$source"

# One filter per family of names: the vessel classes, the global functions, the start-up pair.
for filter in VESSEL oapi InitLib Date2Int; do
  "$compiler" "$@" -fsyntax-only -Xclang -ast-dump=json -Xclang "-ast-dump-filter=$filter" \
    "$source"
done | jq -r '.. | objects
  | select((.mangledName // "") | startswith("?"))
  | select(.inner // [] | any(.kind == "DLLImportAttr"))
  | .mangledName' | sort -u >"$names.tmp"

if [ ! -s "$names.tmp" ]; then
  echo "host-api-names: no imported declaration found" >&2
  exit 1
fi
mv "$names.tmp" "$names"
{ echo "LIBRARY Orbiter.exe"; echo "EXPORTS"; sed 's/^/    /' "$names"; } >"$def"
