#!/usr/bin/env bash
# Prints the include graph between the repository's top-level folders, one
# "from -> to..." line each, and fails (exit 1) when it has a cycle.
# Usage: scripts/include-graph.sh [--quiet]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
edges=$(git ls-files '*.cpp' '*.h' | while read -r file; do
  from=${file%%/*}
  sed -nE 's|^[[:space:]]*#[[:space:]]*include[[:space:]]+"([A-Za-z0-9_-]+)/.*|\1|p' "$file" |
    while read -r to; do
      [ "$to" != "$from" ] && [ -d "$to" ] && echo "$from $to"
    done
done | sort -u)
if [ "${1:-}" != "--quiet" ]; then
  echo "$edges" | awk '{ out[$1] = out[$1] " " $2 } END { for (f in out) print f " ->" out[f] }' | sort
fi
# tsort reports a loop on standard error and still exits 0 on some versions.
if ! loops=$(echo "$edges" | tsort 2>&1 >/dev/null) || [ -n "$loops" ]; then
  echo "include cycle between folders:" >&2
  echo "$loops" >&2
  exit 1
fi
