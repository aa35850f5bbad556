#!/usr/bin/env bash
# Installs every Debian package kvup needs, then configures and builds.
# Idempotent and non-interactive. Usage: scripts/setup.sh [build-dir] [cmake options...]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build}"
shift || true

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest
  libcurl4-openssl-dev liblog4cplus-dev libsqlite3-dev sqlite3
  libjsoncpp-dev libssl-dev libpugixml-dev libgtk-3-dev libxtst-dev
  libcpp-httplib-dev curl jq
  xvfb xauth fonts-noto-cjk fonts-dejavu-core librsvg2-bin imagemagick
  clang-format clang-tidy
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cd "$here"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" "$@"
# KVUP_TARGETS: only these targets (the main job builds what it runs).
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" ${KVUP_TARGETS:+--target $KVUP_TARGETS}
