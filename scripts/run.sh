#!/usr/bin/env bash
# The main job: set-up, build, and run kvup in the repository root (where its
# log4cplus.properties lies) with a user-data folder that exists. kvup waits
# for its desktop client's start message, so the job plays the client with
# kvup-client (hello, the account's cookies, start) and, unless
# KVUP_SERVICE_URL names a service, runs the stand-in service beside it.
# Ctrl-C or SIGTERM ends kvup in order, then the rest.
#
#   KVUP_USER_DATA   user-data folder (default ~/.config/Quorel/User Data)
#   KVUP_PORT        link port (default 23175)
#   KVUP_ACCOUNT     the account handed to kvup (default "kvup-user")
#   KVUP_SERVICE_URL a service to use instead of the stand-in
# Further arguments go to kvup.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" "$here/build"
bin="$here/build"
data="${KVUP_USER_DATA:-$HOME/.config/Quorel/User Data}"
port="${KVUP_PORT:-23175}"
account="${KVUP_ACCOUNT:-kvup-user}"
session="run-session"
mkdir -p "$data"
cd "$here"

run_dir="$(mktemp -d)"
service_pid=""
kvup_pid=""
client_pid=""
stop_all() {
  trap - INT TERM
  [ -n "$kvup_pid" ] && kill -TERM "$kvup_pid" 2>/dev/null || true
  [ -n "$kvup_pid" ] && wait "$kvup_pid" 2>/dev/null || true
  [ -n "$client_pid" ] && kill -TERM "$client_pid" 2>/dev/null || true
  [ -n "$service_pid" ] && kill -TERM "$service_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$run_dir"
}
trap stop_all EXIT
trap 'exit 0' INT TERM

if [ -z "${KVUP_SERVICE_URL:-}" ]; then
  mkdir -p "$data/kvup-service"
  "$bin/kvup-service" --root "$data/kvup-service" --port 0 --session "$session=$account" \
    >"$run_dir/service.out" 2>"$data/kvup-service.log" &
  service_pid=$!
  for _ in $(seq 100); do
    [ -s "$run_dir/service.out" ] && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$data/kvup-service.log" >&2; exit 1; }
    sleep 0.05
  done
  export KVUP_SERVICE_URL="http://127.0.0.1:$(head -n1 "$run_dir/service.out")"
  echo "stand-in service: $KVUP_SERVICE_URL (state in $data/kvup-service)"
fi

"$bin/kvup" --user-data "$data" --port "$port" "$@" &
kvup_pid=$!
# The client holds the link until kvup closes it; kvup ends when its client goes.
"$bin/kvup-client" --port "$port" --session "$session" --account "$account" \
  hello wait=1 cookies start wait=7 hold &
client_pid=$!
status=0
wait "$kvup_pid" || status=$?
kvup_pid=""
exit "$status"
