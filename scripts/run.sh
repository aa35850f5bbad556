#!/usr/bin/env bash
# The main job: set-up, build, and run kvup in the repository root (where its
# log4cplus.properties lies) with a user-data folder that exists.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" "$here/build"
data="${KVUP_USER_DATA:-$HOME/.config/Quorel/User Data}"
mkdir -p "$data"
cd "$here"
exec "$here/build/kvup" --user-data "$data" "$@"
