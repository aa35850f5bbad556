#!/usr/bin/env bash
# The main job: set-up, build, and run kvup.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" "$here/build"
exec "$here/build/kvup" "$@"
